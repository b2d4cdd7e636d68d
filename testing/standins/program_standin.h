// What the program stand-ins (the writer, the eraser) share: record how they
// were started, answer the hand-off, and hold their mutex and window when a
// test asks. The environment of the started process chooses:
//   KB_STANDIN_LOG    file to append "<Name>|<process id>|<command line>" to
//                     (default: "<Name>.calls" beside the program)
//   KB_STANDIN_HOLD   names (comma-separated) that hold their "Global\" mutex
//                     and their top-level window until the window is closed
//                     (at most two minutes)
//   KB_STANDIN_BUSY   names that stay busy, never idle for input, for
//                     two minutes or until ended
//   KB_STANDIN_SILENT names that do not post WM_HANDOFF_CLOSE to "/H:"
#pragma once

namespace kb::standins {

struct ProgramIdentity {
    const char* name;         // as in the record and the environment lists
    const char* mutex;        // without "Global\"
    const char* windowClass;
    const char* windowTitle;
    bool answersHandOff;      // posts WM_HANDOFF_CLOSE to the "/H:" window
};

int RunProgramStandin(const ProgramIdentity& identity);

}  // namespace kb::standins
