#pragma once
// Where the core's passes send a message for the user: the window shows a modal
// message box (and runs a nested message loop); tests record the text.
#include <string>

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};
