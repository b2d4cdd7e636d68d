#include "loader/msg_ini.h"

#include <algorithm>
#include <cstdio>

namespace kb::loader {

TMsgIni::TMsgIni(ProfileOpener opener) : opener_(std::move(opener)) {}

void TMsgIni::SetIniFile(const std::string& path) {
    if (iniFile_ && path == fileName_) return;
    iniFile_.reset();
    fileName_ = path;
    iniFile_ = opener_(path);
}

void TMsgIni::SetKind(int kind) {
    switch (kind) {
        case 1: sectionName_ = "Launcher"; break;
        case 2: sectionName_ = "Loader"; break;
        case 3: sectionName_ = "Writer"; break;
        default:
            kind = 0;
            sectionName_ = "None";
    }
    kind_ = kind;
}

std::string TMsgIni::ReadMessage(int n) const {
    if (!iniFile_) return kLoadMessageError;
    char key[32];
    std::snprintf(key, sizeof key, "Count%.3d", n);
    // A count far beyond any message's length would build gigabytes of
    // "Load Message Error" lines; no message of the loader has that many.
    constexpr int kMaxLines = 9999;
    const int count = std::min(ReadProfileInteger(*iniFile_, sectionName_, key, 0), kMaxLines);
    std::snprintf(key, sizeof key, "Message%.3d", n);
    const std::string messageKey = key;
    if (count < 1) return iniFile_->ReadString(sectionName_, messageKey, kLoadMessageError);
    std::string text;
    for (int line = 1; line <= count; ++line) {
        if (line > 1) text += "\r\n";
        text += iniFile_->ReadString(sectionName_, messageKey + std::to_string(line), kLoadMessageError);
    }
    return text;
}

}  // namespace kb::loader
