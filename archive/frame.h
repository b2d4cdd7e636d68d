// The export frame of Arkstow: the process-wide error context (trace of the
// routines entered, the failed runtime-library call and its file), the error
// log "ArkstowErr.log" in the temp folder, and the guard every export runs in.
//
// How a routine uses it:
//   int Foo(...) {                       // an exported entry point
//       return ark::RunExport([&] {       // resets the context, catches everything
//           ark::Server().Enter("_Foo");   // every routine: its trace name first
//           ...
//           if (!file->Seek(pos)) return ark::Server().ClibFailure("fsetpos<1>", path);
//       });
//   }
// Internal routines called by another routine do not reset the context: they
// only Enter their own name, so the log shows the path from the export down.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "archive/arkstow_api.h"

namespace ark {

class TArkstow {
public:
    TArkstow() = default;
    TArkstow(const TArkstow&) = delete;
    TArkstow& operator=(const TArkstow&) = delete;

    // First step of every exported function: empty trace, empty strings.
    void ResetErrorContext();
    // First step of every routine: its trace name, appended; never trimmed
    // within one exported call.
    void Enter(std::string_view traceName);
    // Records a failed runtime-library file or stream call and writes the log
    // with logCode. For a failure that ends the routine use ClibFailure.
    void RecordFailure(std::string_view clibFunction, std::string_view targetStream, int logCode);
    // RecordFailure with -100, returning -100.
    int ClibFailure(std::string_view clibFunction, std::string_view targetStream);
    // Writes the log for code from the current context (best effort: when the
    // log cannot be written an "Arkstow" message box is the only sign).
    void WriteErrorLog(int code) const;

    const std::vector<std::string>& FunctionTrace() const { return trace_; }
    const std::string& CLibFunction() const { return clibFunction_; }
    const std::string& TargetStream() const { return targetStream_; }

private:
    std::vector<std::string> trace_;
    std::string clibFunction_;
    std::string targetStream_;
};

// The one server object of the library.
TArkstow& Server();

// Title of every message box the library shows.
inline constexpr const char* kMessageTitle = "Arkstow";
// File name of the log in the temp folder.
inline constexpr const char* kErrorLogName = "ArkstowErr.log";

// The full path of the error log: the temp folder, a backslash when it does
// not end with one, the log name. Empty when the temp folder is unknown.
std::string ErrorLogPath();

// Runs one exported call: resets the error context, runs body, and keeps every
// C++ exception inside the library (out of memory: -101; anything else: -100,
// without a log, as no runtime-library call is to blame).
template <class Body>
int RunExport(Body&& body) noexcept;

int ExceptionResult() noexcept;  // the code for the exception being handled

template <class Body>
int RunExport(Body&& body) noexcept {
    try {
        Server().ResetErrorContext();
        return body();
    } catch (...) {
        return ExceptionResult();
    }
}

}  // namespace ark
