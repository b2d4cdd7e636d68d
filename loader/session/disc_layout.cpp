#include "loader/session/disc_layout.h"

#include <cstdio>

namespace kb::loader {

std::string SessionFolderName(int n) {
    char name[24];
    std::snprintf(name, sizeof name, "Session%.2d", n);
    return name;
}

std::string UpperCaseAnsi(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

PasswordType ReadPasswordType(const std::string& driveRoot, const ProfileOpener& open) {
    const auto ini =
        open(driveRoot + "\\" + kPasswordTypeFolder + "\\" + kPasswordTypeIni);
    const std::string type = ini ? ini->ReadString("Password", "Type", "") : std::string();
    return UpperCaseAnsi(type) == "MULTI" ? PasswordType::Multi : PasswordType::Single;
}

bool IsMultiPassword(const std::string& driveRoot, const ProfileOpener& open) {
    return ReadPasswordType(driveRoot, open) == PasswordType::Multi;
}

}  // namespace kb::loader
