// A message sink that records every message while it lives, in place of the
// message boxes.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "shared/base/message_sink.h"

namespace kb::testing {

class RecordingSink final : public kb::MessageSink {
public:
    RecordingSink();
    ~RecordingSink() override;
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;
    void Show(const char* title, const char* text) override { messages.emplace_back(title, text); }
    // (title, text) in the order shown.
    std::vector<std::pair<std::string, std::string>> messages;

private:
    kb::MessageSink* previous_;
};

}  // namespace kb::testing
