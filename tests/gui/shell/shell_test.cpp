// The application shell: start-up, the main window's device commands and titles, returning to the
// selection screen, and the recent-file list in the settings store.

#include "GuiTestSupport.h"
#include "StripParts.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/ConnectDialog.h"
#include "gui/shell/Application.h"
#include "gui/shell/ChildWindow.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/SelectionScreen.h"
#include "gui/support/DialogUnits.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/StatusLed.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "model/ProgramContainer.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace guitest;

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void startupShowsTheSelectionScreen();
    void commandsSetViewAndTitle_data();
    void commandsSetViewAndTitle();
    void escThenSameDeviceGivesAFreshSurface();
    void recentFileListKeepsStoredSettings();
    void recentFileListHoldsFourAcrossRuns();
    void escWhileConnectedEndsTheConnection();
    void windowOpensAtASizeThatFits_data();
    void windowOpensAtASizeThatFits();
    void windowSizeIsKeptAcrossRuns();
    void surfaceScalesWithTheWindow_data();
    void surfaceScalesWithTheWindow();

private:
    MainWindow& Frame() { return m_harness->Window(); }
    MessageRecorder& Messages() { return m_harness->Messages(); }
    ControlSurface* Show(int command) { return m_harness->Show(command); }

    std::unique_ptr<SurfaceHarness> m_harness;
};

void ShellTest::startupShowsTheSelectionScreen() {
    m_harness.reset();
    Application app;
    QVERIFY(app.InitInstance(Application::Options{}));
    MainWindow* frame = app.MainFrame();
    QVERIFY(frame->SelectionView());
    QCOMPARE(frame->windowTitle(), QString("Tavrel1.0"));
    // Resizable down to a legible minimum, and opened at the first run's size.
    QCOMPARE(frame->minimumSize(), MainWindow::kMinimumSize);
    QCOMPARE(frame->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QCOMPARE(frame->size(), MainWindow::kDefaultSize);
    SelectionScreen* selection = frame->SelectionView();
    QCOMPARE(selection->Button4x8()->text(), QString("4x8"));
    QCOMPARE(selection->Button3x6()->text(), QString("3x6"));
    QCOMPARE(selection->Button2x4()->text(), QString("2x4"));
    // The child fills the main window below the menu bar.
    QTRY_COMPARE(frame->ActiveChild()->geometry(),
                 QRect(0, frame->menuBar()->height(), frame->width(),
                       frame->height() - frame->menuBar()->height()));
    SaveShot(*frame, "selection");

    // A device button goes through the main window's command.
    QTest::mouseClick(selection->Button3x6(), Qt::LeftButton);
    QTRY_VERIFY(frame->ActiveSurface() && frame->ActiveSurface()->Controller().DeviceType() == 2);
    QCOMPARE(frame->windowTitle(), QString("Tavrel1.0 3x6"));
}

void ShellTest::commandsSetViewAndTitle_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("deviceType"); // 0: the selection screen
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("outputs");
    QTest::newRow("4x8") << ID_DEVICE_4X8 << "Tavrel1.0 4x8" << 1 << 4 << 8;
    QTest::newRow("3x6") << ID_DEVICE_3X6 << "Tavrel1.0 3x6" << 2 << 3 << 6;
    QTest::newRow("2x4") << ID_DEVICE_2X4 << "Tavrel1.0 2x4" << 3 << 2 << 4;
    QTest::newRow("select") << ID_DEVICE_SELECT << "Tavrel1.0" << 0 << 0 << 0;
}

void ShellTest::commandsSetViewAndTitle() {
    QFETCH(int, command);
    QFETCH(QString, title);
    QFETCH(int, deviceType);
    QFETCH(int, inputs);
    QFETCH(int, outputs);
    Show(ID_DEVICE_4X8); // every switch starts from another view
    Show(command);
    QCOMPARE(Frame().windowTitle(), title);
    ControlSurface* surface = Frame().ActiveSurface();
    if (deviceType == 0) {
        QVERIFY(!surface);
        QVERIFY(Frame().SelectionView());
        return;
    }
    QVERIFY(surface);
    QCOMPARE(surface->InputStripCount(), inputs);
    QCOMPARE(surface->OutputStripCount(), outputs);
    // Every dialog reading the container sees the model's type.
    QCOMPARE(surface->Document().Data().deviceType(), deviceType);
    QCOMPARE(surface->Controller().DeviceType(), deviceType);
    // Only the 4x8 has the input-source box.
    QCOMPARE(surface->SourceBox() != nullptr, deviceType == 1);
    // Starts disconnected with the status line's idle look.
    QVERIFY(!surface->Controller().IsConnected());
    QCOMPARE(surface->SideButtonAt(SideButton::Connection)->text(), QString("Connection"));
    QCOMPARE(surface->LinkBox()->text(), QString("Link/Unlink"));
    // The status line holds read-only displays: nothing there can be pressed or focused.
    const QRect statusLine =
        surface->DeviceIdBox()->geometry().united(surface->LinkBox()->geometry());
    for (const QAbstractButton* button : surface->findChildren<QAbstractButton*>())
        QVERIFY2(!button->geometry().intersects(statusLine), qPrintable(button->text()));
    for (const QLabel* box : {surface->DeviceIdBox(), surface->PortBox(), surface->LinkBox()})
        QCOMPARE(box->focusPolicy(), Qt::NoFocus);
    QCOMPARE(surface->Led()->colourCode(), int(StatusLed::Red));
    QVERIFY(!surface->Led()->keepBlinking());
    QCOMPARE(guitest::StripParts(*surface, false, 0).name->text(), QString("Input A"));
    QCOMPARE(guitest::StripParts(*surface, true, outputs - 1).name->text(),
             QString("Out %1").arg(outputs));
    SaveShot(Frame(), "surface-" + ModelName(deviceType) + "-disconnected");
}

void ShellTest::escThenSameDeviceGivesAFreshSurface() {
    QPointer<ControlSurface> first = Show(ID_DEVICE_4X8);
    QVERIFY(first);
    // An edit and a hidden curve on the first surface.
    guitest::StripParts(*first, true, 2).fader->setValue(0);
    QTest::mouseClick(guitest::StripParts(*first, false, 1).name, Qt::LeftButton);
    QCOMPARE(first->Document().Data().output(2).gain(), 550);

    QTest::mouseClick(first->SideButtonAt(SideButton::Esc), Qt::LeftButton);
    QTRY_VERIFY(Frame().SelectionView());
    QVERIFY(!first); // view, engine and document are gone
    QCOMPARE(Frame().windowTitle(), QString("Tavrel1.0"));
    QTRY_COMPARE(Frame().ActiveChild()->width(), Frame().width());

    ControlSurface* second = Show(ID_DEVICE_4X8);
    QVERIFY(second);
    const ProgramContainer& fresh = second->Document().Data();
    QCOMPARE(fresh.output(2).gain(), 400); // the 4x8's 0 dB
    QCOMPARE(guitest::StripParts(*second, true, 2).gain->text(), QString("0.0"));
    QCOMPARE(guitest::StripParts(*second, true, 2).fader->value(), 550 - 400);
    QCOMPARE(fresh.input(1).present(), 1);
    QCOMPARE(guitest::StripParts(*second, false, 1).name->text(), QString("Input B"));
    QVERIFY(!second->Controller().IsConnected());
}

void ShellTest::recentFileListKeepsStoredSettings() {
    QTemporaryDir dir;
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    ProgramContainer& data = surface->Document().Data();
    guitest::StripParts(*surface, false, 2).fader->setValue(160);
    QVERIFY(surface->StoreProgramToFile(dir.filePath("live")));
    const QString stored = dir.filePath("live.dia48");
    QVERIFY(QFile::exists(stored));
    QCOMPARE(Frame().windowTitle(), QString("RID48_NewProgram"));
    QCOMPARE(Frame().RecentFiles().value(0), stored);

    // Kept by the settings store under the program's own names.
    QCOMPARE(QString(MainWindow::kSettingsOrganisation), QString("Tavrel"));
    QCOMPARE(QString(MainWindow::kSettingsApplication), QString("tavrel"));
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Tavrel", "tavrel");
    QCOMPARE(settings.value("Recent File List/File1").toString(), stored);

    // Recalling it into a fresh surface brings the gain back into the record and the strip.
    surface = Show(ID_DEVICE_4X8);
    Frame().OpenRecentFile(0);
    QCOMPARE(surface->Document().Data().input(2).gain(), 460 - 160);
    QCOMPARE(guitest::StripParts(*surface, false, 2).fader->value(), 160);
    Q_UNUSED(data);

    // A file that cannot be read shows the message and leaves the list.
    QFile::remove(stored);
    Frame().OpenRecentFile(0);
    QCOMPARE(Messages().Texts().value(0), "File read Error\n" + stored + ": does not exist");
    QVERIFY(!Frame().RecentFiles().contains(stored));
}

void ShellTest::recentFileListHoldsFourAcrossRuns() {
    QStringList paths;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        paths << QDir::temp().absoluteFilePath(QString("tavrel-%1.dia48").arg(name));
        Frame().AddRecentFile(paths.last());
    }
    // Most recent first; the oldest fell off.
    const QStringList four{paths[4], paths[3], paths[2], paths[1]};
    QCOMPARE(Frame().RecentFiles(), four);
    Frame().AddRecentFile(paths[2]); // used again: moves to the front
    const QStringList again{paths[2], paths[4], paths[3], paths[1]};
    QCOMPARE(Frame().RecentFiles(), again);

    // The next run of the program finds the same list.
    MainWindow next;
    QCOMPARE(next.RecentFiles(), again);
}

void ShellTest::escWhileConnectedEndsTheConnection() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    Frame().SetPreferredPort(QStringLiteral("/dev/ttyUSB9")); // as --port names it
    QPointer<ControlSurface> surface = Show(ID_DEVICE_4X8);
    QVERIFY(surface->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }));

    QVERIFY(!OpensModalDialog([&] {
        QTest::mouseClick(surface->SideButtonAt(SideButton::Esc), Qt::LeftButton);
        QTRY_VERIFY(Frame().SelectionView());
    }));
    QVERIFY(!surface);
    QCOMPARE(Frame().windowTitle(), QString("Tavrel1.0"));

    // The next surface offers the port that answered, not the one the command line named, and
    // it is free again: the new surface takes it over and reads the unit.
    ControlSurface* next = Show(ID_DEVICE_4X8);
    const std::string port = line->SlavePath();
    next->SetPortSource([port] {
        PortEntry adapter;
        adapter.devicePath = adapter.portName = "/dev/ttyUSB9";
        adapter.usb = true;
        PortEntry unit;
        unit.devicePath = unit.portName = port;
        return PortEntryList{adapter, unit};
    });
    QString offered;
    {
        ModalWatcher watcher([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<ConnectDialog*>(modal)) {
                offered = QString::fromStdString(dialog->PortName());
                dialog->reject();
            }
        });
        QTest::mouseClick(next->SideButtonAt(SideButton::Connection), Qt::LeftButton);
    }
    QCOMPARE(offered, QString::fromStdString(port));
    QVERIFY(next->ConnectTo(line->SlavePath(), 1));
    QVERIFY(TickUntil(*next, [&] { return next->Controller().IsSettled(); }));
    QVERIFY(Messages().Texts().isEmpty());
}

void ShellTest::windowOpensAtASizeThatFits_data() {
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("opened");
    const QRect laptop(0, 0, 1366, 728); // 1366 x 768 less a 40-pixel panel
    QTest::newRow("first run: the default") << QSize() << laptop << MainWindow::kDefaultSize;
    QTest::newRow("a stored size that fits") << QSize(1200, 650) << laptop << QSize(1200, 650);
    QTest::newRow("too large for this screen: its free area less the frame")
        << QSize(1900, 1000) << laptop << QSize(1358, 688);
    QTest::newRow("never below the minimum")
        << QSize(400, 300) << laptop << MainWindow::kMinimumSize;
    QTest::newRow("a screen smaller than the minimum still gets it")
        << QSize() << QRect(0, 0, 800, 600) << MainWindow::kMinimumSize;
}

void ShellTest::windowOpensAtASizeThatFits() {
    QFETCH(QSize, stored);
    QFETCH(QRect, available);
    QFETCH(QSize, opened);
    QCOMPARE(MainWindow::OpeningSize(stored, available), opened);
    // The first run's window, frame included, fits a 1366 x 768 screen beside a 48-pixel panel.
    const QSize outer = MainWindow::kDefaultSize + MainWindow::kFrameAllowance;
    QVERIFY(outer.width() <= 1366 && outer.height() + 48 <= 768);
}

void ShellTest::windowSizeIsKeptAcrossRuns() {
    Frame().resize(1100, 700);
    m_harness.reset(); // the program ends
    MainWindow next;
    QCOMPARE(next.size(), QSize(1100, 700));
}

void ShellTest::surfaceScalesWithTheWindow_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QSize>("window");
    QTest::newRow("4x8 at the minimum") << 1 << MainWindow::kMinimumSize;
    QTest::newRow("3x6 at the minimum") << 2 << MainWindow::kMinimumSize;
    QTest::newRow("4x8 at the first run's size") << 1 << MainWindow::kDefaultSize;
    QTest::newRow("3x6 maximised on a full HD screen") << 2 << QSize(1920, 1050);
    QTest::newRow("2x4 tall and narrow") << 3 << QSize(1000, 1000);
}

void ShellTest::surfaceScalesWithTheWindow() {
    QFETCH(int, deviceType);
    QFETCH(QSize, window);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    Frame().resize(window);
    QTRY_COMPARE(surface->width(), Frame().width());
    const DialogUnitScale& units = surface->Units();
    const QRect form = units.Rect(0, 0, kFormWidth, kFormHeight);
    // The whole form is shown, centred, as large as the window allows.
    QVERIFY(surface->rect().contains(form));
    QVERIFY(form.width() >= surface->width() - 2 || form.height() >= surface->height() - 2);

    // Every control lies inside the form, and every caption fits its control.
    for (const QWidget* child : surface->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible())
            QVERIFY2(form.contains(child->geometry()), child->metaObject()->className());
    }
    const QFontMetrics metrics(surface->font());
    for (const QAbstractButton* button : surface->findChildren<QAbstractButton*>())
        QVERIFY2(metrics.horizontalAdvance(button->text()) <= button->width(),
                 qPrintable(button->text()));
    for (const QLabel* label : surface->findChildren<QLabel*>())
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                     label->contentsRect().width(),
                 qPrintable(label->text()));
    // Fonts, controls and the graph in proportion: 8-point text is 10 pixels at zoom 1.
    QCOMPARE(surface->font().pixelSize(), units.FontPixelSize(8));
    QVERIFY(std::abs(surface->font().pixelSize() - 10 * units.Zoom()) <= 0.5);
    QCOMPARE(surface->Graph()->geometry(), units.Rect(11, 22, 602, 168));
    const ChannelStrip& strip = surface->OutputStrip(0);
    QCOMPARE(strip.fader->thumbHeight(), units.Pixels(Fader::kThumbHeight));
    // Every mark of every fader scale is drawn at every size.
    for (bool output : {false, true}) {
        const auto& marks = output ? surface->Layout().outputScale : surface->Layout().inputScale;
        QCOMPARE(surface->ScaleLabels(output).size(), marks.size());
    }

    // The background stays behind its controls: the red bar left of the first status caption,
    // the dark panel just inside the output group.
    const QImage shot = SaveShot(*surface, QStringLiteral("surface-%1-%2x%3")
                                               .arg(ModelName(deviceType))
                                               .arg(window.width())
                                               .arg(window.height()));
    const QRect idBox = surface->DeviceIdBox()->geometry();
    QCOMPARE(shot.pixelColor(units.X(14), idBox.center().y()), QColor(218, 37, 28));
    const DluBox& group = surface->Layout().outputGroup;
    QCOMPARE(shot.pixelColor(units.X(group.x + 3), units.Y(group.y + group.h - 3)),
             QColor(48, 54, 68));
    // Outside the form the surface's own background goes on: the form's ground beside the status
    // line and the graph, the dark panel beside and below the strips (no grey frame round them).
    if (form.left() > 2) {
        QCOMPARE(shot.pixelColor(1, units.Y(100)), QColor(151, 163, 175));
        QCOMPARE(shot.pixelColor(1, units.Y(300)), QColor(48, 54, 68));
        QCOMPARE(shot.pixelColor(surface->width() - 2, units.Y(300)), QColor(48, 54, 68));
    }
    if (form.bottom() < surface->height() - 2)
        QCOMPARE(shot.pixelColor(surface->width() / 2, surface->height() - 1), QColor(48, 54, 68));
}

TAVREL_GUI_TEST_MAIN(ShellTest)
#include "shell_test.moc"
