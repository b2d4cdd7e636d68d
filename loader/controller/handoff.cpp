#include "loader/controller/handoff.h"

#include "loader/controller/command_line.h"
#include "loader/path_csv.h"
#include "loader/work_folder.h"

namespace kb::loader {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string WriterArguments(const std::string& driveRoot, intptr_t window) {
    std::string args = "/D:";
    if (!driveRoot.empty()) args += driveRoot[0];
    return args + " /H:" + std::to_string(window);
}

std::string Position(int left, int top) {
    return " /X:" + std::to_string(left) + " /Y:" + std::to_string(top);
}

std::string WriterPath(const std::string& programDir) { return programDir + "\\" + kWriterFileName; }

}  // namespace

bool LiesUnder(const std::string& path, const std::string& folder) {
    const std::string p = IncludeTrailingBackslash(path);
    const std::string f = IncludeTrailingBackslash(folder);
    if (folder.empty() || p.size() <= f.size()) return false;
    for (size_t i = 0; i < f.size(); ++i)
        if (Lower(p[i]) != Lower(f[i])) return false;
    return true;
}

std::string WriterModeCommandLine(const std::string& programDir, const std::string& driveRoot,
                                  intptr_t callerWnd, int left, int top) {
    std::string args = WriterArguments(driveRoot, callerWnd);
    if (left != kCentred && top != kCentred) args += Position(left, top);
    return ProgramCommandLine(WriterPath(programDir), args);
}

std::string WriterCommandLine(const std::string& programDir, const std::string& driveRoot,
                              intptr_t mainWnd, int left, int top) {
    return ProgramCommandLine(WriterPath(programDir), WriterArguments(driveRoot, mainWnd) + Position(left, top));
}

std::string EraserArguments(const std::string& programDir, const std::string& workFolder,
                            const std::string& tempFolder) {
    std::string args;
    if (LiesUnder(programDir, tempFolder)) args = "/E:" + programDir + " ";
    if (!workFolder.empty()) args += "/E:" + workFolder + " ";
    return args + "/W:4 /X:2";
}

}  // namespace kb::loader
