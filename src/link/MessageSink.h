#pragma once

#include <string>

// What a modal message box is for: the icon the GUI shows with it.
enum class MessageKind { Information, Warning, Error };

// The one way the core shows the operator a fixed message text or asks a yes/no question. The Qt
// application implements it with modal message boxes, the command-line client with standard
// error, and tests with a recorder. Calls come on the user-interface thread and return when the
// operator has answered.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual void ShowMessage(const std::string& text, MessageKind kind) = 0;
    // Returns true for "yes".
    virtual bool AskYesNo(const std::string& text) = 0;
};
