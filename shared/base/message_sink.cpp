#include "shared/base/message_sink.h"

#include <atomic>

namespace kb {
namespace {
std::atomic<MessageSink*> g_sink{nullptr};
}

MessageSink* SetMessageSink(MessageSink* sink) { return g_sink.exchange(sink); }

void ShowMessage(const char* title, const char* text) {
    MessageSink* sink = g_sink.load();
    (sink ? *sink : DefaultMessageSink()).Show(title, text);
}

}  // namespace kb
