// The command lines the loader gives the writer and the eraser, and the
// folder rule of the eraser's arguments.
#pragma once
#include <cstdint>
#include <string>

namespace kb::loader {

constexpr char kWriterFileName[] = "Scrivane.Exe";
// A writer that has not posted WM_HANDOFF_CLOSE this long after its start is
// taken as gone: the loader gives its window back.
constexpr uint32_t kWriterSilenceMs = 30000;
// How long the destruction waits for a running job's end before the pack
// library would be freed.
constexpr uint32_t kJobEndWaitMs = 5000;
// Shown when the eraser cannot be started.
constexpr int kMsgEraserFailed = 999;

// Whether path lies strictly under folder (letters compared without regard
// to case, either may end with a backslash).
bool LiesUnder(const std::string& path, const std::string& folder);

// The writer in writer mode: "<programDir>\Scrivane.Exe /D:<drive letter>
// /H:<caller>", and " /X:<left> /Y:<top>" only when both differ from -2000.
std::string WriterModeCommandLine(const std::string& programDir, const std::string& driveRoot,
                                  intptr_t callerWnd, int left, int top);
// The writer from the running loader: its own window and position.
std::string WriterCommandLine(const std::string& programDir, const std::string& driveRoot,
                              intptr_t mainWnd, int left, int top);
// The eraser's arguments: "/E:<programDir>" only when the loader's folder
// lies under the temp folder (so a loader run from anywhere else never has
// its folder erased), "/E:<workFolder>" when there is one, then "/W:4" and
// "/X:2", joined by blanks.
std::string EraserArguments(const std::string& programDir, const std::string& workFolder,
                            const std::string& tempFolder);

}  // namespace kb::loader
