#include <windows.h>

#include <cstdio>

#include "shared/base/message_sink.h"

namespace kb {
namespace {

// A message box with an OK button and no owner. A DLL has its own sink, out of
// reach of a test program's SetMessageSink; a test that loads it sets
// KB_MESSAGE_SINK_FILE in its environment, and each message is then appended
// to that file as "title|text" and a newline instead of blocking the run.
class MessageBoxSink final : public MessageSink {
public:
    void Show(const char* title, const char* text) override {
        char file[MAX_PATH + 1] = {};
        const DWORD n = GetEnvironmentVariableA("KB_MESSAGE_SINK_FILE", file, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            if (std::FILE* f = std::fopen(file, "ab")) {
                std::fprintf(f, "%s|%s\n", title, text);
                std::fclose(f);
            }
            return;
        }
        MessageBoxA(nullptr, text, title, MB_OK);
    }
};

}  // namespace

MessageSink& DefaultMessageSink() {
    static MessageBoxSink sink;
    return sink;
}

}  // namespace kb
