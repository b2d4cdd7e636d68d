// The loader's command line: the argument splitter, the switches and the two
// run modes.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kb::loader {

// "/X:" or "/Y:" of -2000 centres the window on that axis.
constexpr int kCentred = -2000;

enum class RunMode {
    Lumar,     // the loader's window ("LUMAR")
    Scrivane,  // start the writer and end ("SCRIVANE")
};

// The edition words of "/A:", for editions 0, 1 and 2 (compared exactly).
extern const char* const kEditionWords[3];

struct CommandLine {
    intptr_t callerWnd = 0;       // "/H:": the starter's window; 0 nobody waits
    std::string driveRoot;        // "/D:": the disc drive, a letter and a colon
    std::string label;            // "/L:": kept, never read
    RunMode runMode = RunMode::Lumar;  // "/S:"
    int windowLeft = kCentred;    // "/X:"
    int windowTop = kCentred;     // "/Y:"
    int edition = 0;              // "/A:": 0, 1 or 2
};

// The arguments of a command line as the program's framework gives them:
// runs of bytes above the blank, double quotes grouping (and dropped), no
// escapes; element 0 is the program.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The argument from its fourth character on; empty when it is shorter.
std::string GetSwitchValue(const std::string& argument);

// Reads the switches of arguments (the program's arguments, without the
// program itself) over the defaults: no caller, the drive of programPath
// (its first character and a colon), loader mode, centred, edition 0. Each
// argument, upper-cased, is tested for "/H:", "/D:", "/S:", "/L:", "/X:",
// "/A:", "/Y:" in this order anywhere in it; the first found takes the
// argument's value (GetSwitchValue of the argument as given). A later
// argument overrides an earlier one. A "/H:", "/X:" or "/Y:" value that is
// not a decimal integer, and an empty "/D:", leave the value as it was.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::string& programPath);

}  // namespace kb::loader
