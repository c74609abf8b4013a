#pragma once

#include "link/MessageSink.h"

#include <QPointer>
#include <QString>
#include <QWidget>

// Shows the core's fixed message texts and yes/no questions as modal message boxes titled
// "Tavrel" over a parent window. Texts are UTF-8. Calls return once the operator has answered.
class QtMessageSink : public IMessageSink {
public:
    static constexpr const char* kTitle = "Tavrel";

    // `parent` is the window the boxes are modal to; when it is null or has gone, the active
    // window is used.
    explicit QtMessageSink(QWidget* parent = nullptr);

    void SetParent(QWidget* parent) { m_parent = parent; }
    QWidget* Parent() const;

    void ShowMessage(const std::string& text, MessageKind kind) override;
    bool AskYesNo(const std::string& text) override;

private:
    QPointer<QWidget> m_parent;
};
