#include "launcher/win/settings_win.h"

#include <windows.h>

#include "launcher/ini_text.h"
#include "shared/base/strutils.h"

namespace kb::launcher {

std::string ReadIniString(const std::string& path, const char* section, const char* key, const char* def) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(section, key, def, buffer, sizeof buffer, path.c_str());
    return UnquoteIniValue(buffer);
}

int ReadIniInt(const std::string& path, const char* section, const char* key, int def) {
    const std::string text = ReadIniString(path, section, key, IniIntDefaultText(def).c_str());
    return IniValueToInt(text);
}

namespace {

// Offset of the last single-byte backslash (or slash, when alsoSlash) of
// path; npos when there is none.
size_t LastSeparator(const std::string& path, bool alsoSlash) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); i += CharLengthAt(path, i)) {
        const char c = path[i];
        if (CharLengthAt(path, i) == 1 && (c == '\\' || (alsoSlash && c == '/'))) last = i;
    }
    return last;
}

}  // namespace

std::string StripTrailingBackslash(const std::string& path) {
    const size_t last = LastSeparator(path, false);
    if (last != std::string::npos && last + 1 == path.size()) return path.substr(0, last);
    return path;
}

bool IsExistingFile(const std::string& path) {
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA(StripTrailingBackslash(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string GetModuleFolder(const std::string& path) {
    // The runtime's path splitter: a drive is a letter and a colon; the
    // folder runs to the last separator, backslash or slash.
    std::string rest = path;
    std::string drive;
    if (rest.size() >= 2 && rest[1] == ':' && CharLengthAt(rest, 0) == 1) {
        drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    const size_t last = LastSeparator(rest, true);
    return drive + (last == std::string::npos ? std::string() : rest.substr(0, last + 1));
}

std::string GetTempFolder() {
    char buffer[260] = {};
    const DWORD n = GetTempPathA(sizeof buffer, buffer);
    if (n == 0 || n >= sizeof buffer) return {};
    return std::string(buffer, n);
}

}  // namespace kb::launcher
