#include <windows.h>

#include "shared/base/message_sink.h"

namespace kb {
namespace {

// A message box with an OK button and no owner.
class MessageBoxSink final : public MessageSink {
public:
    void Show(const char* title, const char* text) override { MessageBoxA(nullptr, text, title, MB_OK); }
};

}  // namespace

MessageSink& DefaultMessageSink() {
    static MessageBoxSink sink;
    return sink;
}

}  // namespace kb
