#include "loader/skin/button_list.h"

#include <algorithm>
#include <sstream>

#include "loader/path_csv.h"
#include "loader/profile.h"

namespace kb::loader {
namespace {

// Field n of line as an integer; false when it does not convert.
bool IntField(const std::string& line, int n, int& value) {
    return ParseProfileInteger(GetCSVField(line, n), value);
}

bool ParseButton(const std::string& line, ButtonRecord& b) {
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
        ButtonRecord b;
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

int ButtonListFileLine(const std::string& text, int usable) {
    if (usable < 1) return 0;
    std::istringstream in(text);
    std::string line;
    for (int n = 1; ReadCSVLine(in, line); ++n) {
        if (n < usable) continue;
        // Just past the line read, or the end of a text whose last line has no line break.
        const std::streampos at = in.tellg();
        if (at < 0) return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
        return static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    }
    return 0;
}

std::string BadButtonLineText(const std::string& path, int fileLine) {
    return path + " line " + std::to_string(fileLine) +
           ": not a button line; the buttons from this line on are missing.";
}

const ButtonRecord* FindButtonRecord(const ButtonListFile& list, int id) {
    for (const ButtonRecord& b : list.buttons)
        if (b.id == id) return &b;
    return nullptr;
}

}  // namespace kb::loader
