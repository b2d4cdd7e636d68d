// The button list file (".btn"): the transparent colour of a skin's image
// buttons and one record per button. Portable: the Windows side builds the
// buttons from the records.
#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace kb::loader {

// One button line: fields 1 to 7, separated by commas (double quotes group a
// field), each trimmed.
struct ButtonRecord {
    std::string image0;  // field 1: normal image, archive entry without ".bmp"
    std::string image1;  // field 2: pressed image
    int left = 0;        // field 3: pixels in the form's client area
    int top = 0;         // field 4
    bool transparent = false;  // field 5 is 1: drawn with the file's transparent colour as key
    int id = 0;                // field 6
    std::string image2;        // field 7: optional third image; empty (or blanks) for none
};

struct ButtonListFile {
    bool hasColor = false;              // a first line with a convertible field 1 was read
    std::uint32_t transparentColor = 0;  // platform colour number 0x00BBGGRR, as its 32-bit pattern
    std::vector<ButtonRecord> buttons;     // in file order
    // 0 when every line was read; else the usable line (1 = the colour line,
    // comments and blank lines not counted) whose integer did not convert,
    // with its text. That line and the rest of the file give no buttons.
    int stoppedAt = 0;
    std::string stoppedLine;
};

// Reads a button list: lines blank after trimming or holding "//" anywhere
// are skipped; the first remaining line gives the transparent colour (field
// 1; other fields ignored); each further line one button. Integers are
// decimal with an optional sign or hexadecimal after "$" or "0x", within 32
// bits; an empty field is no integer. A line whose integer does not convert
// ends the list there, keeping the buttons before it. A read error of in
// ends the list as the end of the file does.
ButtonListFile ParseButtonList(std::istream& in);

// The file the list is read from: folder without one trailing backslash,
// a backslash, then fileName.
std::string ButtonListPath(const std::string& folder, const std::string& fileName);

// The line of text (1 = its first line) that ParseButtonList counts as its
// usable line `usable`; 0 when text has fewer usable lines.
int ButtonListFileLine(const std::string& text, int usable);

// The loader's report of a button list that stopped at line fileLine of the
// file at path.
std::string BadButtonLineText(const std::string& path, int fileLine);

// The first record in file order with this id; nullptr when the file
// defines none (the caller then has no button and must not use one).
const ButtonRecord* FindButtonRecord(const ButtonListFile& list, int id);

}  // namespace kb::loader
