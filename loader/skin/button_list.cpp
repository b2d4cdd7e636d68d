#include "loader/skin/button_list.h"

#include "loader/path_csv.h"
#include "loader/profile.h"

namespace kb::loader {
namespace {

// Field n of line as an integer; false when it does not convert.
bool IntField(const std::string& line, int n, int& value) {
    return ParseProfileInteger(GetCSVField(line, n), value);
}

bool ParseButton(const std::string& line, ButtonSpec& b) {
    b.image0 = GetCSVField(line, 1);
    b.image1 = GetCSVField(line, 2);
    int flag = 0;
    if (!IntField(line, 3, b.left) || !IntField(line, 4, b.top) || !IntField(line, 5, flag) ||
        !IntField(line, 6, b.id))
        return false;
    b.transparent = flag == 1;
    b.image2 = GetCSVField(line, 7);
    return true;
}

}  // namespace

ButtonListFile ParseButtonList(std::istream& in) {
    ButtonListFile list;
    std::string line;
    if (!ReadCSVLine(in, line)) return list;
    int color = 0;
    if (!IntField(line, 1, color)) {
        list.stoppedAt = 1;
        list.stoppedLine = line;
        return list;
    }
    list.hasColor = true;
    list.transparentColor = static_cast<std::uint32_t>(color);
    for (int usable = 2; ReadCSVLine(in, line); ++usable) {
        ButtonSpec b;
        if (!ParseButton(line, b)) {
            list.stoppedAt = usable;
            list.stoppedLine = line;
            break;
        }
        list.buttons.push_back(std::move(b));
    }
    return list;
}

std::string ButtonListPath(const std::string& folder, const std::string& fileName) {
    return ExcludeTrailingBackslash(folder) + "\\" + fileName;
}

const ButtonSpec* FindButtonSpec(const ButtonListFile& list, int id) {
    for (const ButtonSpec& b : list.buttons)
        if (b.id == id) return &b;
    return nullptr;
}

}  // namespace kb::loader
