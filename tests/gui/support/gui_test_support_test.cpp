// The GUI test fixture itself: a screenshot that cannot be written is reported, message boxes of
// the core and of the value entry controls are recorded and answered, and a dialog opened where
// none should be is seen and closed.

#include "GuiTestSupport.h"

#include "gui/widgets/ValueEdit.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace guitest;

class GuiTestSupportTest : public QObject {
    Q_OBJECT
private slots:
    void picturesThatCannotBeWrittenAreReported();
    void recorderRecordsAndAnswers();
    void modalDialogsAreSeenAndClosed();
};

void GuiTestSupportTest::picturesThatCannotBeWrittenAreReported() {
    QTemporaryDir dir;
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QString error;

    QVERIFY(WritePicture(picture, dir.filePath("new/shot.png"), &error));
    QVERIFY(QFile::exists(dir.filePath("new/shot.png")));

    QVERIFY(!WritePicture(QImage(), dir.filePath("empty.png"), &error));
    QVERIFY2(error.contains("empty widget"), qPrintable(error));

    // A file where the directory should be.
    QFile blocker(dir.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!WritePicture(picture, dir.filePath("file/shot.png"), &error));
    QVERIFY2(error.startsWith("cannot create"), qPrintable(error));
}

void GuiTestSupportTest::recorderRecordsAndAnswers() {
    MessageRecorder recorder;
    IMessageSink& sink = recorder;
    sink.ShowMessage("Device Type Error!", MessageKind::Warning);
    QVERIFY(!sink.AskYesNo("Save the bank?"));
    recorder.SetYesNoAnswer(true);
    QVERIFY(sink.AskYesNo("Save the bank?"));
    QCOMPARE(recorder.Texts(),
             (QStringList{"Device Type Error!", "Save the bank?", "Save the bank?"}));
    QCOMPARE(recorder.Messages()[0].kind, MessageKind::Warning);
    QVERIFY(!recorder.Messages()[0].question);
    QVERIFY(recorder.Messages()[1].question);

    recorder.CaptureControlMessages();
    ShowControlMessage(nullptr, "Out of Range");
    QCOMPARE(recorder.ControlMessages(), QStringList{"Out of Range"});
    recorder.Clear();
    QVERIFY(recorder.Texts().isEmpty());
    QVERIFY(recorder.ControlMessages().isEmpty());
}

void GuiTestSupportTest::modalDialogsAreSeenAndClosed() {
    QDialog dialog;
    QVERIFY(OpensModalDialog([&] { QCOMPARE(dialog.exec(), int(QDialog::Rejected)); }));
    QVERIFY(!dialog.isVisible());
    QVERIFY(!OpensModalDialog([] {}));
}

TAVREL_GUI_TEST_MAIN(GuiTestSupportTest)
#include "gui_test_support_test.moc"
