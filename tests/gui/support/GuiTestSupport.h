#pragma once

// What every GUI test program shares: the application set-up (TAVREL_GUI_TEST_MAIN), a recorder
// that answers the message boxes, screenshots that fail the test when they cannot be written,
// and a watcher for dialogs that run their own event loop.

#include "link/MessageSink.h"

#include <QApplication>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <source_location>
#include <string>

class QWidget;

namespace guitest {

// ---- Application ------------------------------------------------------------------------------

// The surroundings of a GUI test program, set up before the QApplication exists: the offscreen
// platform with one screen of kScreenSize unless another platform is asked for, and a fresh
// temporary directory for the settings store (the recent-file list, the window size, the last
// port) and the runtime directory (where virtual units publish their links), so no test reads or
// changes the user's own.
class TestEnvironment {
public:
    static constexpr QSize kScreenSize{1366, 768};
    TestEnvironment();
    const QTemporaryDir& Home() const { return m_home; }

private:
    QTemporaryDir m_home;
};

// Application attributes the pixel checks rely on (96 dpi, as Qt Test's own main sets them).
void SetUpApplication(QApplication& app);

// ---- Message boxes ----------------------------------------------------------------------------

// Answers message boxes by recording them: hand it to a control surface or unit controller as
// its IMessageSink, and let it capture the value entry controls' messages ("Out of Range", ...)
// too. Questions are recorded and answered with the preset answer (no unless told otherwise).
class MessageRecorder : public IMessageSink {
public:
    struct Message {
        QString text;
        MessageKind kind = MessageKind::Information;
        bool question = false;
    };

    MessageRecorder() = default;
    // Stops capturing the value entry controls' messages if it did.
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void ShowMessage(const std::string& text, MessageKind kind) override;
    bool AskYesNo(const std::string& text) override;

    // The answer every later question gets.
    void SetYesNoAnswer(bool yes) { m_answer = yes; }
    // Routes the value entry controls' messages here instead of to boxes, until Release() or
    // the recorder's end. One recorder at a time can do this.
    void CaptureControlMessages();
    void Release();

    // The core's texts in order, questions included.
    QStringList Texts() const;
    const QList<Message>& Messages() const { return m_messages; }
    // The value entry controls' texts in order.
    const QStringList& ControlMessages() const { return m_controlMessages; }
    void Clear();

private:
    QList<Message> m_messages;
    QStringList m_controlMessages;
    bool m_answer = false;
    bool m_capturing = false;
};

// ---- Screenshots ------------------------------------------------------------------------------

// Writes a picture of `widget` as <build>/screenshots/<name>.png for reviewers and returns it, so
// the test can check what the picture shows. When the PNG cannot be written (no directory, an
// empty widget) the calling test fails at the caller's line and a null image is returned.
QImage SaveShot(QWidget& widget, const QString& name,
                std::source_location where = std::source_location::current());
// The writing part of SaveShot: false, with the reason in *error, when `picture` is null or the
// PNG cannot be written to `path` (its directory is created first).
bool WritePicture(const QImage& picture, const QString& path, QString* error);

// ---- Modal dialogs ----------------------------------------------------------------------------

// While it lives, hands the active modal widget to `act` every `intervalMs`: the way to look at
// and answer a dialog or message box that runs its own event loop (exec()).
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget* modal)> act, int intervalMs = 20);

private:
    QTimer m_timer;
};

// Runs `f`, closing any modal dialog that opens meanwhile (and for 150 ms after), and reports
// whether one did: a wrongly opened dialog fails the test instead of hanging it.
bool OpensModalDialog(const std::function<void()>& f);

} // namespace guitest

// main() of a GUI test program: the environment and the application, then the test's slots.
#define TAVREL_GUI_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char** argv) {                                                              \
        guitest::TestEnvironment environment;                                                      \
        QApplication app(argc, argv);                                                              \
        guitest::SetUpApplication(app);                                                            \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
