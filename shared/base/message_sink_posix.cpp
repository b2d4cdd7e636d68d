#include <cstdio>

#include "shared/base/message_sink.h"

namespace kb {
namespace {
// The native build has no message boxes; the text goes to the error stream.
class StderrSink final : public MessageSink {
public:
    void Show(const char* title, const char* text) override { std::fprintf(stderr, "[%s] %s\n", title, text); }
};
}  // namespace

MessageSink& DefaultMessageSink() {
    static StderrSink sink;
    return sink;
}

}  // namespace kb
