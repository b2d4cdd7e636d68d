// Helpers of the skin, view and dialog tests: a recording message sink and
// the code-page switch of the double-byte rows.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "shared/message_sink.h"

namespace kb::loader::testing {

// Installs itself as the message sink while it lives; keeps each text.
class RecordingSink final : public kb::MessageSink {
public:
    RecordingSink() : previous_(kb::SetMessageSink(this)) {}
    ~RecordingSink() override { kb::SetMessageSink(previous_); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;
    void Show(const char* title, const char* text) override { messages.push_back(std::string(title) + "|" + text); }
    std::vector<std::string> messages;  // "title|text"

private:
    kb::MessageSink* previous_;
};

// Chooses code page 932 natively; under Wine the prefix's code page decides.
// True when lead bytes now follow it.
bool UseCodePage932();
void UseSingleByteCodePage();

}  // namespace kb::loader::testing

// Skips the calling test without code page 932; a failure instead when the
// environment variable KB_REQUIRE_SHIFT_JIS is set (the Japanese Wine run).
#define KB_UI_REQUIRE_CP932()                                                          \
    do {                                                                               \
        if (!::kb::loader::testing::UseCodePage932()) {                                \
            if (std::getenv("KB_REQUIRE_SHIFT_JIS")) FAIL() << "code page 932 required"; \
            GTEST_SKIP() << "no Japanese code page";                                   \
        }                                                                              \
    } while (0)
