#include "gui/support/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>

#include <array>

namespace {

struct KindIcon {
    MessageKind kind;
    QMessageBox::Icon icon;
};

constexpr std::array<KindIcon, 3> kKindIcons{{
    {MessageKind::Information, QMessageBox::Information},
    {MessageKind::Warning, QMessageBox::Warning},
    {MessageKind::Error, QMessageBox::Critical},
}};

QMessageBox::Icon IconFor(MessageKind kind) {
    for (const KindIcon& entry : kKindIcons) {
        if (entry.kind == kind)
            return entry.icon;
    }
    return QMessageBox::Information;
}

QString Title() {
    return QString::fromLatin1(QtMessageSink::kTitle);
}

} // namespace

QtMessageSink::QtMessageSink(QWidget* parent) : m_parent(parent) {}

QWidget* QtMessageSink::Parent() const {
    if (m_parent)
        return m_parent->window();
    return QApplication::activeWindow();
}

void QtMessageSink::ShowMessage(const std::string& text, MessageKind kind) {
    QMessageBox box(IconFor(kind), Title(), QString::fromStdString(text), QMessageBox::Ok,
                    Parent());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool QtMessageSink::AskYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, Title(), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, Parent());
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}
