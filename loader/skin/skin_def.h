// The skin definition: geometry, colours and bitmap names of the skinned
// windows, read for one two-letter prefix from the definition file its first
// letter chooses. Portable: files are read through the profile seam.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "loader/profile.h"

namespace kb::loader {

// How many numbered keys a colour table ("Color00".."Color99"), marks
// ("Now00".."Now99") or frames ("Frame00".."Frame99") record holds.
constexpr int kSkinNumberedKeys = 100;

enum class SkinPartKind {
    Background,  // Name, Region, Move, Left, Top
    Position,    // Left, Top
    Size,        // Width, Height
    Rectangle,   // Left, Top, Width, Height
    ColorTable,  // Left, Top, Width, Height, Color00..Color99
    ImageName,   // Name
    ColorPair,   // BgColor, FgColor
    Page,        // Name, Left, Top, Width, Height
    Text,        // Left, Top, Width, Height, BgColor, FgColor, FontColor
    Button,      // OnUp, OnDown, OffUp, OffDown, Left, Top
    Marks,       // Width, Height, Ready, Done, Now00..Now99
    Frames,      // Left, Top, Width, Height, Frame00..Frame99
};

// One part (one section of the file). Fields its kind has no key for stay
// empty or 0. Colours are the platform's colour numbers (0x00BBGGRR) as
// 32-bit patterns: "$FFFFFFFF" reads -1.
struct SkinPart {
    std::string part;  // section name, e.g. "RmBg"
    SkinPartKind kind = SkinPartKind::Background;
    std::string name;    // bitmap entry without ".bmp"
    std::string region;  // region entry without ".rgn"; empty: no region
    int move = 0;        // non-zero: the background drags the window
    int left = 0, top = 0, width = 0, height = 0;
    int bgColor = 0, fgColor = 0, fontColor = 0;
    std::string onUp, onDown, offUp, offDown;  // button bitmaps
    std::string ready, done;                   // marks bitmaps
    std::vector<int> colors;          // ColorTable: kSkinNumberedKeys entries
    std::vector<std::string> images;  // Marks ("NowNN") and Frames ("FrameNN"): kSkinNumberedKeys entries
};

// An integer of the definition file: a text of more than two characters
// starting with "0x" or "0X", or any text starting with "$", is hexadecimal
// (up to 32 bits, taken as the 32-bit pattern, no sign); anything else is
// decimal with an optional sign within 32 bits. Any other text gives 0.
int ParseSkinInteger(const std::string& text);

// Where the skin files are: the program's folder (with or without a trailing
// backslash), how to open an ini file, and whether a file exists (asked only
// for the splash skin's fallback).
struct SkinFiles {
    std::string programDir;
    ProfileOpener open;
    std::function<bool(const std::string& path)> fileExists;
};

// The definition file of prefix's first letter: C "skin\Common.def", R
// "skin\Reader.def", W "skin\Writer.def", S "skin\Splash.def" when it exists,
// else "default\Splash.def" (not tested), all under the program's folder.
// Empty for any other letter and for an empty prefix.
std::string SkinDefPath(std::string_view prefix, const SkinFiles& files);

// The skin archive of prefix's first letter, chosen as SkinDefPath chooses
// (".arc" in place of ".def"); empty for any other letter.
std::string SkinArchivePath(std::string_view prefix, const SkinFiles& files);

// The button list file name of prefix's first letter ("Common.btn",
// "Reader.btn", "Writer.btn"; it lies in the "skin" folder); empty for any
// other letter, the splash skin included.
std::string SkinButtonListName(std::string_view prefix);

class TSkinDef {
public:
    // Reads every part of the group named exactly prefix (case-sensitive)
    // from the file SkinDefPath chooses, opening it once. Absent file,
    // section or key, an integer that does not convert, a prefix that is no
    // group: the parts stay empty. Strings are cut to kProfileValueLimit bytes.
    TSkinDef(const std::string& prefix, const SkinFiles& files);

    const std::string& Prefix() const { return prefix_; }
    // The file read; empty when the prefix's letter chooses none.
    const std::string& FilePath() const { return path_; }

    // The record of a part of any group (empty unless its group was read);
    // nullptr for a name that is no part (exact, case-sensitive).
    const SkinPart* Find(std::string_view part) const;

    // Name, Region and Move of the part prefix + "Bg"; "" or 0 for a prefix
    // that is no group.
    std::string GetBgName(std::string_view prefix) const;
    std::string GetBgRegion(std::string_view prefix) const;
    int GetBgMove(std::string_view prefix) const;

private:
    std::string prefix_;
    std::string path_;
    std::vector<SkinPart> parts_;
};

}  // namespace kb::loader
