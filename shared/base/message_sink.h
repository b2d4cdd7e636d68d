// Where the libraries' message boxes go. Production shows a real box; tests
// install their own sink, because a real box would block a headless run.
#pragma once

namespace kb {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const char* title, const char* text) = 0;
};

// Installs sink for the whole process and returns the one it replaces;
// nullptr restores the default (a message box with an OK button and no owner).
MessageSink* SetMessageSink(MessageSink* sink);

// Shows one message through the current sink.
void ShowMessage(const char* title, const char* text);

// The default sink of this platform.
MessageSink& DefaultMessageSink();

}  // namespace kb
