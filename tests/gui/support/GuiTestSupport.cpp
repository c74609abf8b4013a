#include "GuiTestSupport.h"

#include "gui/widgets/ValueEdit.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>

namespace guitest {

TestEnvironment::TestEnvironment() {
    const QString runtime = m_home.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    // The runtime directory must be private, or Qt and the virtual unit refuse it.
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    // Offscreen unless another platform is asked for, on a screen the size of a common laptop's
    // (the offscreen platform's own is 800 by 800, smaller than the main window may be).
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == QLatin1String("offscreen")) {
        const QString config = m_home.filePath(QStringLiteral("screen.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": )" +
                       QByteArray::number(kScreenSize.width()) + R"(, "height": )" +
                       QByteArray::number(kScreenSize.height()) +
                       R"(, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            file.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
}

void SetUpApplication(QApplication& app) {
    app.setAttribute(Qt::AA_Use96Dpi, true);
}

// ---- MessageRecorder ----------------------------------------------------------------------------

MessageRecorder::~MessageRecorder() {
    Release();
}

void MessageRecorder::ShowMessage(const std::string& text, MessageKind kind) {
    m_messages.append({QString::fromStdString(text), kind, false});
}

bool MessageRecorder::AskYesNo(const std::string& text) {
    m_messages.append({QString::fromStdString(text), MessageKind::Information, true});
    return m_answer;
}

void MessageRecorder::CaptureControlMessages() {
    SetControlMessageHook([this](QWidget*, const QString& text) { m_controlMessages << text; });
    m_capturing = true;
}

void MessageRecorder::Release() {
    if (m_capturing)
        SetControlMessageHook({});
    m_capturing = false;
}

QStringList MessageRecorder::Texts() const {
    QStringList texts;
    for (const Message& m : m_messages)
        texts << m.text;
    return texts;
}

void MessageRecorder::Clear() {
    m_messages.clear();
    m_controlMessages.clear();
}

// ---- Screenshots --------------------------------------------------------------------------------

bool WritePicture(const QImage& picture, const QString& path, QString* error) {
    const QString dir = QFileInfo(path).absolutePath();
    if (picture.isNull())
        *error = QStringLiteral("nothing to draw (empty widget): ") + path;
    else if (!QDir().mkpath(dir))
        *error = QStringLiteral("cannot create ") + dir;
    else if (!picture.save(path, "PNG"))
        *error = QStringLiteral("cannot write ") + path;
    else
        return true;
    return false;
}

QImage SaveShot(QWidget& widget, const QString& name, std::source_location where) {
    const QString path =
        QStringLiteral(TAVREL_BINARY_DIR "/screenshots/") + name + QStringLiteral(".png");
    const QImage picture = widget.grab().toImage();
    QString error;
    if (!WritePicture(picture, path, &error)) {
        QTest::qFail(qPrintable(QStringLiteral("screenshot not written: ") + error),
                     where.file_name(), static_cast<int>(where.line()));
        return {};
    }
    return picture;
}

// ---- Modal dialogs ------------------------------------------------------------------------------

ModalWatcher::ModalWatcher(std::function<void(QWidget*)> act, int intervalMs) {
    m_timer.setInterval(intervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, [act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(modal);
    });
    m_timer.start();
}

bool OpensModalDialog(const std::function<void()>& f) {
    bool opened = false;
    ModalWatcher guard(
        [&](QWidget* modal) {
            opened = true;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->done(QDialog::Rejected);
            else
                modal->close();
        },
        50);
    f();
    QTest::qWait(150);
    return opened;
}

} // namespace guitest
