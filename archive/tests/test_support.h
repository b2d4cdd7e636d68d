// Helpers of the archive tests: fresh folders, a private temp folder for the
// error log, a recording message sink, whole-file reads.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "shared/base/message_sink.h"

namespace ark::testing {

// A fresh, empty folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The folder in the core's path syntax, without a trailing separator.
    const std::string& path() const { return path_; }
    // path() + "\" + name.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Points TMP and TEMP at folder while it lives.
class ScopedTempFolder {
public:
    explicit ScopedTempFolder(const std::string& folder);
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

private:
    std::string oldTmp_, oldTemp_;
    bool hadTmp_ = false, hadTemp_ = false;
};

// Installs itself as the message sink while it lives and records every message.
class RecordingSink final : public kb::MessageSink {
public:
    RecordingSink();
    ~RecordingSink() override;
    void Show(const char* title, const char* text) override { messages.emplace_back(title, text); }
    std::vector<std::pair<std::string, std::string>> messages;

private:
    kb::MessageSink* previous_;
};

// Chooses the Japanese code page (natively) and tells whether lead bytes now
// follow it; under Wine the prefix's code page decides. With the environment
// variable KB_REQUIRE_SHIFT_JIS set, a run without it is a failure, not a skip.
bool UseShiftJis();
void UseSingleByte();
#define ARK_REQUIRE_SHIFT_JIS()                                                   \
    do {                                                                          \
        if (!::ark::testing::UseShiftJis()) {                                     \
            if (std::getenv("KB_REQUIRE_SHIFT_JIS")) FAIL() << "code page 932 required"; \
            GTEST_SKIP() << "no Japanese code page";                              \
        }                                                                         \
    } while (0)

// Native path of a core path ("\" becomes "/" natively).
std::string NativePath(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

}  // namespace ark::testing
