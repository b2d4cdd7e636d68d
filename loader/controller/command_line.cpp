#include "loader/controller/command_line.h"

#include <array>

#include "loader/session/disc_layout.h"
#include "loader/session/files_lst.h"

namespace kb::loader {

const char* const kEditionWords[3] = {"SOLMIR", "ZEPQUA", "CRYVANE"};

namespace {

bool AboveBlank(char c) { return static_cast<unsigned char>(c) > ' '; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments;
    size_t i = 0;
    const size_t n = commandLine.find('\0') == std::string_view::npos ? commandLine.size() : commandLine.find('\0');
    for (;;) {
        // Blanks, and empty quote pairs standing alone, lie between arguments.
        for (;;) {
            while (i < n && !AboveBlank(commandLine[i])) ++i;
            if (i + 1 < n && commandLine[i] == '"' && commandLine[i + 1] == '"')
                i += 2;
            else
                break;
        }
        if (i >= n) return arguments;
        std::string argument;
        while (i < n && AboveBlank(commandLine[i])) {
            if (commandLine[i] == '"') {
                ++i;
                while (i < n && commandLine[i] != '"') argument += commandLine[i++];
                if (i < n) ++i;
            } else {
                argument += commandLine[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

std::string GetSwitchValue(const std::string& argument) {
    return argument.size() > 3 ? argument.substr(3) : std::string();
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, const std::string& programPath) {
    CommandLine result;
    result.driveRoot = programPath.substr(0, 1) + ":";
    static const std::array<const char*, 7> kSwitches = {"/H:", "/D:", "/S:", "/L:", "/X:", "/A:", "/Y:"};
    for (const std::string& argument : arguments) {
        const std::string upper = UpperCaseAnsi(argument);
        size_t which = kSwitches.size();
        for (size_t s = 0; s < kSwitches.size() && which == kSwitches.size(); ++s)
            if (upper.find(kSwitches[s]) != std::string::npos) which = s;
        const std::string value = GetSwitchValue(argument);
        int64_t handle = 0;
        int32_t number = 0;
        switch (which) {
            case 0:
                // Handles travel as decimal text of the pointer-sized value.
                if (ParseDecimal64(value, handle)) result.callerWnd = static_cast<intptr_t>(handle);
                break;
            case 1:
                if (!value.empty()) result.driveRoot = value.substr(0, 1) + ":";
                break;
            case 2:
                result.runMode = UpperCaseAnsi(value) == "SCRIVANE" ? RunMode::Scrivane : RunMode::Lumar;
                break;
            case 3:
                result.label = value;
                break;
            case 4:
                if (ParseDecimal32(value, number)) result.windowLeft = number;
                break;
            case 5:
                for (int e = 0; e < 3; ++e)
                    if (value == kEditionWords[e]) result.edition = e;
                break;
            case 6:
                if (ParseDecimal32(value, number)) result.windowTop = number;
                break;
            default:
                break;
        }
    }
    return result;
}

}  // namespace kb::loader
