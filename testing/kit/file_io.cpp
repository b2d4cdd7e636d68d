#include "testing/kit/file_io.h"

#include <algorithm>

#include "shared/base/fs.h"
#include "shared/base/strutils.h"

namespace kb::testing {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::ReadWrite);
    if (!f.IsOpen()) return false;
    std::string data;
    char buf[65536];
    size_t got = 0;
    for (;;) {
        if (!f.Read(buf, sizeof buf, &got)) return false;
        if (got == 0) break;
        data.append(buf, got);
    }
    bytes = std::move(data);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    return f.IsOpen() && f.Write(bytes.data(), bytes.size()) && f.Close();
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, bytes) ? bytes : "<missing>";
}

bool FileExists(const std::string& path) { return fs::Exists(path); }

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<fs::DirEntry> entries;
    fs::ListFolder(folder, &entries);
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::string NativePath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string p = path;
    for (size_t i = 0; i < p.size(); i += kb::CharLengthAt(p, i))
        if (p[i] == '\\') p[i] = '/';
    return p;
#endif
}

}  // namespace kb::testing
