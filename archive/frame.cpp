#include "archive/frame.h"

#include <cstdio>
#include <new>

#include "shared/base/fs.h"
#include "shared/base/message_sink.h"
#include "shared/base/version.h"

namespace ark {

namespace fs = kb::fs;

void TArkstow::ResetErrorContext() {
    trace_.clear();
    clibFunction_.clear();
    targetStream_.clear();
}

void TArkstow::Enter(std::string_view traceName) { trace_.emplace_back(traceName); }

void TArkstow::RecordFailure(std::string_view clibFunction, std::string_view targetStream, int logCode) {
    clibFunction_.assign(clibFunction);
    targetStream_.assign(targetStream);
    WriteErrorLog(logCode);
}

int TArkstow::ClibFailure(std::string_view clibFunction, std::string_view targetStream) {
    RecordFailure(clibFunction, targetStream, ARKSTOWRET_CLIB_ERROR);
    return ARKSTOWRET_CLIB_ERROR;
}

std::string ErrorLogPath() {
    // TempFolder already ends the folder with a backslash.
    std::string folder = fs::TempFolder();
    if (folder.empty()) return {};
    return folder + kErrorLogName;
}

namespace {

// The log is a text-mode file: every "\n" of a line is stored as "\r\n", so the
// "\r\n" that ends each line format becomes "\r\r\n" on disc.
std::string TextMode(const std::string& line) {
    std::string out;
    out.reserve(line.size() + 4);
    for (char c : line) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string Line(const char* label, const std::string& value) {
    return std::string(label) + value + "\r\n";
}

}  // namespace

void TArkstow::WriteErrorLog(int code) const {
    const std::string path = ErrorLogPath();
    fs::File out;
    if (!path.empty()) {
        fs::RemoveFile(path);
        out = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    }
    if (!out.IsOpen()) {
        kb::ShowMessage(kMessageTitle, "FatalError:\nFailed to open log file.");
        return;
    }
    char first[64];
    std::snprintf(first, sizeof first, "ErrorCode = %d\r\n", code);
    std::vector<std::string> lines{first};
    for (const auto& name : trace_) lines.push_back(Line("Arkstow function: ", name));
    lines.push_back(Line("CLib function: ", clibFunction_));
    lines.push_back(Line("Target stream: ", targetStream_));
    for (const auto& line : lines) {
        const std::string bytes = TextMode(line);
        if (!out.Write(bytes.data(), bytes.size())) {
            kb::ShowMessage(kMessageTitle, "FatalError:\nFailed to output log.");
            break;
        }
    }
    if (!out.Close()) kb::ShowMessage(kMessageTitle, "FatalError:\nFailed to close log file.");
}

TArkstow& Server() {
    static TArkstow server;
    return server;
}

int ExceptionResult() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return ARKSTOWRET_NO_MEMORY;
    } catch (...) {
        return ARKSTOWRET_CLIB_ERROR;
    }
}

}  // namespace ark
