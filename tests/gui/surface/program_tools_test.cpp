// The tool dialogs of a control surface: the program manager with its file operations, the copy
// and channel-name dialogs and the interface settings, opened from their side buttons, checked on
// their own and against a virtual unit on a pseudo-terminal.

#include "GuiTestSupport.h"
#include "StripParts.h"
#include "SurfaceHarness.h"

#include "files/ProgramFile.h"
#include "gui/dialogs/ChannelNamesDialog.h"
#include "gui/dialogs/CopyChannelDialog.h"
#include "gui/dialogs/InterfaceSettingsDialog.h"
#include "gui/dialogs/ProgramManagerDialog.h"
#include "gui/shell/MainWindow.h"
#include "gui/support/ProgramFileChooser.h"
#include "gui/support/ProgramSettings.h"
#include "gui/surface/ChannelStrip.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ShortTextEdit.h"
#include "gui/widgets/TwoStateButton.h"
#include "link/ProgramManager.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace guitest;

namespace {

// Answers file choosers with scripted paths; an empty script cancels.
class ScriptedChooser : public IFileChooser {
public:
    QStringList answers;
    std::optional<std::string> ChooseFile(const FileChoice&) override {
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst().toStdString();
    }
};

// The program manager of a surface as its "Program" button opens it: the list follows the names
// the unit takes. Files are chosen by `chooser`.
struct ProgramManagerUnderTest {
    ProgramManagerUnderTest(ControlSurface& surface, IMessageSink& messages)
        : manager(surface.Controller(), surface.FileActions(), &messages),
          dialog(manager, chooser, &surface) {
        QObject::connect(&surface, &ControlSurface::programNamesChanged, &dialog,
                         &ProgramManagerDialog::RefillList);
    }
    ScriptedChooser chooser;
    ProgramManager manager;
    ProgramManagerDialog dialog;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// True when `bytes` holds `text`.
template <typename Bytes> bool Holds(const Bytes& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

const QColor kDialogBackground(48, 54, 68);

} // namespace

class ProgramToolsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void sideButtonsOpenTheirDialogsPressed_data();
    void sideButtonsOpenTheirDialogsPressed();
    void editsRefuseCharactersPastTheirLimitAndBeyondAscii_data();
    void editsRefuseCharactersPastTheirLimitAndBeyondAscii();
    void deviceActionsNeedAUnitWhileFilesDoNot();
    void rowTwelveIsStoredToMemoryTwelveAndReadBack();
    void libraryRecalledIntoTheUnitComesBackFromIt();
    void failedStoreKeepsTheNamesAndARecallKeepsTheStoredBytes();
    void copyDialog_data();
    void copyDialog();
    void channelNamesShowTheModelsChannels_data();
    void channelNamesShowTheModelsChannels();
    void namesWithUnprintableBytesShowThemAsSpaces();
    void channelNameChangeReachesTheUnit();
    void interfaceListsFollowTheModel_data();
    void interfaceListsFollowTheModel();
    void temperatureAndLinesReachTheUnit();
    void typedLinesAreNotDroppedUnasked_data();
    void typedLinesAreNotDroppedUnasked();
    void chooserListsThisModelsFiles_data();
    void chooserListsThisModelsFiles();
    void saveChooserProposesTheProgramInTheFolderLastUsed();
    void fileOfAnotherModelNeedsTheOperatorsYes();

private:
    MainWindow& Frame() { return m_harness->Window(); }
    MessageRecorder& Messages() { return m_harness->Messages(); }
    ControlSurface* Show(int command) { return m_harness->Show(command); }
    // A surface connected to a virtual unit of its type, the connection's reads done.
    ControlSurface* Connected(int deviceType, VirtualLine& line);
    static bool Activate(QWidget& window);

    std::unique_ptr<SurfaceHarness> m_harness;
};

ControlSurface* ProgramToolsTest::Connected(int deviceType, VirtualLine& line) {
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    if (!surface || !surface->ConnectTo(line.SlavePath(), 1) ||
        !TickUntil(*surface, [&] { return surface->Controller().IsSettled(); }))
        return nullptr;
    return surface;
}

bool ProgramToolsTest::Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// ---- Side buttons ------------------------------------------------------------------------------

void ProgramToolsTest::sideButtonsOpenTheirDialogsPressed_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Program opens the program manager")
        << static_cast<int>(SideButton::Program) << "Program";
    QTest::newRow("Copy opens the copy dialog") << static_cast<int>(SideButton::Copy) << "Copy";
    QTest::newRow("Interface opens the interface settings")
        << static_cast<int>(SideButton::Interface) << "Interface";
    QTest::newRow("BoxName opens the channel names")
        << static_cast<int>(SideButton::BoxName) << "Ch Setup";
}

void ProgramToolsTest::sideButtonsOpenTheirDialogsPressed() {
    QFETCH(int, button);
    QFETCH(QString, caption);
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    // Names as a unit would report them, for the program manager's picture.
    const char* names[] = {"Default", "Church", "Hall", "Club", "Open Air"};
    for (int n = 1; n <= 30; ++n)
        surface->Controller().SetProgramName(n, names[(n - 1) % 5]);
    surface->Document().Data().input(0).setName("Vocal");

    TwoStateButton* side = surface->SideButtonAt(static_cast<SideButton>(button));
    QString seen;
    int stateWhileUp = -1;
    QImage picture;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog || !seen.isEmpty())
            return;
        seen = dialog->windowTitle();
        stateWhileUp = side->state();
        picture = SaveShot(*dialog, QStringLiteral("tool-dialog-") + caption.toLower().remove(' '));
        dialog->done(QDialog::Rejected);
    });
    QTest::mouseClick(side, Qt::LeftButton);
    QCOMPARE(seen, caption);
    QCOMPARE(stateWhileUp, 0); // pressed while the dialog is up
    QCOMPARE(side->state(), 1);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.pixelColor(2, 2), kDialogBackground);
}

// ---- Typing ------------------------------------------------------------------------------------

void ProgramToolsTest::editsRefuseCharactersPastTheirLimitAndBeyondAscii_data() {
    QTest::addColumn<int>("dialog"); // 0 program manager, 1 channel names, 2 interface
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("limit");
    QTest::newRow("program name: 8") << 0 << 1 << 8;
    QTest::newRow("2x4 channel name: 8") << 1 << 3 << 8;
    QTest::newRow("4x8 interface line: 20") << 2 << 1 << 20;
    QTest::newRow("3x6 interface line: 16") << 2 << 2 << 16;
}

void ProgramToolsTest::editsRefuseCharactersPastTheirLimitAndBeyondAscii() {
    QFETCH(int, dialog);
    QFETCH(int, deviceType);
    QFETCH(int, limit);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    UnitController& controller = surface->Controller();
    ProgramManager manager(controller, surface->FileActions(), &Messages());
    ScriptedChooser chooser;
    std::unique_ptr<QDialog> window;
    ShortTextEdit* edit = nullptr;
    switch (dialog) {
    case 0: {
        auto* programs = new ProgramManagerDialog(manager, chooser, surface);
        programs->DeviceRadio(DeviceProgramAction::Store)->click();
        edit = programs->NameEdit();
        window.reset(programs);
        break;
    }
    case 1: {
        auto* names = new ChannelNamesDialog(controller, surface);
        edit = names->NameEdit(true, 3);
        window.reset(names);
        break;
    }
    default: {
        auto* settings = new InterfaceSettingsDialog(controller, surface);
        edit = settings->LineEdit(1);
        window.reset(settings);
    }
    }
    QVERIFY(edit);
    QVERIFY(Activate(*window));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString(limit, QLatin1Char('x')) + QStringLiteral("yz"));
    QCOMPARE(edit->text(), QString(limit, QLatin1Char('x')));
    // A key with an accented letter and a Chinese character from the input method.
    edit->selectAll();
    QTest::keyClicks(edit, "a~");
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QStringLiteral("é"), Qt::NoModifier);
    QInputMethodEvent chinese;
    chinese.setCommitString(QStringLiteral("汉"));
    QApplication::sendEvent(edit, &chinese);
    QTest::keyClicks(edit, " b");
    QCOMPARE(edit->text(), QStringLiteral("a~ b"));
}

// ---- Program manager ---------------------------------------------------------------------------

void ProgramToolsTest::deviceActionsNeedAUnitWhileFilesDoNot() {
    QTemporaryDir dir;
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    ProgramContainer& data = surface->Document().Data();
    ProgramManagerUnderTest program(*surface, Messages());
    ScriptedChooser& chooser = program.chooser;
    ProgramManagerDialog& dialog = program.dialog;
    QVERIFY(Activate(dialog));
    QCOMPARE(dialog.NumberLabel()->text(), QString("1"));
    QCOMPARE(dialog.ProgramList()->item(29, 0)->text(), QString("30"));
    QVERIFY(dialog.NameEdit()->isReadOnly()); // recall takes the listed name

    QTest::mouseClick(dialog.DeviceOkButton(), Qt::LeftButton);
    dialog.DeviceRadio(DeviceProgramAction::Store)->click();
    QVERIFY(!dialog.NameEdit()->isReadOnly());
    QTest::keyClicks(dialog.NameEdit(), "Live");
    QTest::mouseClick(dialog.DeviceOkButton(), Qt::LeftButton);
    QCOMPARE(Messages().Texts(),
             QStringList({"Please to Open COM-Port", "Please to Open COM-Port"}));
    QCOMPARE(data.programName(), std::string("NewProgram"));
    QCOMPARE(m_harness->BusyDisplays(), 0);

    // The PC part works without a unit, several times in one opening.
    guitest::StripParts(*surface, false, 1).fader->setValue(60);
    chooser.answers = {dir.filePath("live")};
    dialog.PcRadio(PcProgramAction::StoreProgram)->click();
    QTest::mouseClick(dialog.PcOkButton(), Qt::LeftButton);
    QVERIFY(QFile::exists(dir.filePath("live.dia48")));
    QCOMPARE(Frame().windowTitle(), QString("RID48_NewProgram"));

    guitest::StripParts(*surface, false, 1).fader->setValue(0);
    chooser.answers = {dir.filePath("live.dia48")};
    dialog.PcRadio(PcProgramAction::RecallProgram)->click();
    QTest::mouseClick(dialog.PcOkButton(), Qt::LeftButton);
    QCOMPARE(data.input(1).gain(), 460 - 60);
    QCOMPARE(guitest::StripParts(*surface, false, 1).fader->value(), 60);
    QVERIFY(dialog.isVisible()); // neither "OK" closes the dialog
    QCOMPARE(Messages().Texts().size(), 2);
}

void ProgramToolsTest::rowTwelveIsStoredToMemoryTwelveAndReadBack() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Connected(1, *line);
    QVERIFY(surface);
    UnitController& controller = surface->Controller();
    ProgramContainer& data = surface->Document().Data();
    data.output(2).setGain(111);
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));

    ProgramManagerUnderTest program(*surface, Messages());
    ProgramManagerDialog& dialog = program.dialog;
    QVERIFY(Activate(dialog));
    QTableWidget* list = dialog.ProgramList();
    auto clickRow = [&](int row) {
        list->scrollToItem(list->item(row, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row, 1)).center());
    };
    clickRow(11);
    QCOMPARE(dialog.NumberLabel()->text(), QString("12"));
    QCOMPARE(dialog.NameEdit()->text(), QString::fromStdString(controller.ProgramName(12)));
    QTRY_VERIFY(dialog.NameEdit()->hasFocus());

    dialog.DeviceRadio(DeviceProgramAction::Store)->click();
    dialog.NameEdit()->selectAll();
    QTest::keyClicks(dialog.NameEdit(), " Show 12");
    const QString title = Frame().windowTitle();
    QTest::mouseClick(dialog.DeviceOkButton(), Qt::LeftButton);
    // The unit has taken nothing yet: the list and the title show what it holds.
    QCOMPARE(list->item(11, 1)->text(), QString::fromStdString(controller.ProgramName(12)));
    QCOMPARE(Frame().windowTitle(), title);
    QCOMPARE(m_harness->BusyDisplays(), 1);
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QCOMPARE(list->item(11, 1)->text(), QString("Show 12")); // the leading blank is gone
    QCOMPARE(Frame().windowTitle(), QString("RID48_Show 12"));
    line->WithUnits([](std::vector<VirtualUnit>& units) {
        const VirtualUnit& unit = units.front();
        QCOMPARE(unit.ProgramName(12), std::string("Show 12"));
        QVERIFY(unit.Program(12).outputs[2] == unit.Program(0).outputs[2]);
        QVERIFY(unit.Program(12).outputs[2] != VirtualUnit::DefaultProgram().outputs[2]);
        QCOMPARE(unit.ProgramName(11), VirtualUnit::DefaultProgramName(11));
    });

    // Read back over a changed editor.
    data.output(2).setGain(222);
    data.setProgramName("Other");
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    dialog.DeviceRadio(DeviceProgramAction::Recall)->click();
    clickRow(0);
    clickRow(11);
    QTest::mouseClick(dialog.DeviceOkButton(), Qt::LeftButton);
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QCOMPARE(data.output(2).gain(), 111);
    QCOMPARE(guitest::StripParts(*surface, true, 2).fader->value(), 550 - 111);
    QCOMPARE(data.programName(), std::string("Show 12"));
    QVERIFY(Messages().Texts().isEmpty());
}

void ProgramToolsTest::libraryRecalledIntoTheUnitComesBackFromIt() {
    QTemporaryDir dir;
    // Thirty different programs of a 3x6, as a library file.
    ProgramBank library{};
    for (int i = 0; i < 30; ++i) {
        ProgramContainer program;
        program.setDeviceType(2);
        program.setProgramName("Show" + std::to_string(i + 1));
        program.output(0).setGain(100 + i);
        program.input(1).setName("In" + std::to_string(i + 1));
        program.fillProgramImage(library[static_cast<std::size_t>(i)]);
    }
    const QString libraryPath = dir.filePath("shows.dat36");
    QCOMPARE(SaveProgramLibrary(libraryPath.toStdString(), library), ProgramFileStatus::Ok);

    auto line = OpenVirtualUnit(2);
    QVERIFY(line);
    ControlSurface* surface = Connected(2, *line);
    QVERIFY(surface);
    UnitController& controller = surface->Controller();
    ProgramManagerUnderTest program(*surface, Messages());
    ScriptedChooser& chooser = program.chooser;
    surface->SetFileChooser(&chooser); // the bank save asks the surface's chooser
    ProgramManagerDialog& dialog = program.dialog;
    dialog.show();

    chooser.answers = {libraryPath};
    dialog.PcRadio(PcProgramAction::RecallAllPrograms)->click();
    QTest::mouseClick(dialog.PcOkButton(), Qt::LeftButton);
    QCOMPARE(m_harness->BusyDisplays(), 1);
    QVERIFY(TickUntil(
        *surface, [&] { return controller.IsSettled(); }, 3000));
    // Refilled as the unit took each memory.
    QCOMPARE(dialog.ProgramList()->item(0, 1)->text(), QString("Show1"));
    QCOMPARE(dialog.ProgramList()->item(29, 1)->text(), QString("Show30"));
    line->WithUnits([](std::vector<VirtualUnit>& units) {
        for (int slot = 1; slot <= 30; ++slot)
            QCOMPARE(units.front().ProgramName(slot), "Show" + std::to_string(slot));
        QVERIFY(Holds(units.front().Program(30).inputs[1], "In30"));
    });

    // Stored back from the unit, the library is the file it came from.
    chooser.answers = {dir.filePath("back")};
    dialog.PcRadio(PcProgramAction::StoreAllPrograms)->click();
    QTest::mouseClick(dialog.PcOkButton(), Qt::LeftButton);
    QVERIFY(TickUntil(
        *surface,
        [&] { return QFile::exists(dir.filePath("back.dat36")) && controller.IsSettled(); }, 3000));
    QCOMPARE(ReadAll(dir.filePath("back.dat36")), ReadAll(libraryPath));
    QVERIFY(Messages().Texts().isEmpty());
}

void ProgramToolsTest::failedStoreKeepsTheNamesAndARecallKeepsTheStoredBytes() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Connected(1, *line);
    QVERIFY(surface);
    UnitController& controller = surface->Controller();
    ProgramContainer& data = surface->Document().Data();
    ProgramManagerUnderTest program(*surface, Messages());
    ProgramManagerDialog& dialog = program.dialog;
    dialog.show();
    auto chooseRow = [&](int row) { dialog.ProgramList()->setCurrentCell(row, 1); };

    // A memory whose listed name holds a control byte and a byte above 0x7E: shown as spaces,
    // recalled as stored.
    const std::string odd = "Ab\x01\xfe";
    controller.SetProgramName(5, odd);
    dialog.RefillList();
    chooseRow(4);
    QCOMPARE(dialog.NameEdit()->text(), QString("Ab  "));
    QTest::mouseClick(dialog.DeviceOkButton(), Qt::LeftButton);
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    QCOMPARE(data.programName(), odd);
    QCOMPARE(controller.ProgramName(5), odd);

    // A store the unit never acknowledges changes no name.
    const std::string listed = controller.ProgramName(6);
    const QString title = Frame().windowTitle();
    dialog.DeviceRadio(DeviceProgramAction::Store)->click();
    chooseRow(5);
    dialog.NameEdit()->selectAll();
    QTest::keyClicks(dialog.NameEdit(), "Gone");
    QTest::mouseClick(dialog.DeviceOkButton(), Qt::LeftButton);
    line->SetSilent(true);
    QVERIFY(TickUntil(
        *surface, [&] { return !controller.IsConnected(); }, 100));
    QCOMPARE(dialog.ProgramList()->item(5, 1)->text(), QString::fromStdString(listed));
    QCOMPARE(controller.ProgramName(6), listed);
    QCOMPARE(data.programName(), odd);
    QCOMPARE(Frame().windowTitle(), title);
    QCOMPARE(Messages().Texts().size(), 1);
    QVERIFY(Messages().Texts().front().endsWith(
        "Memory 6 may hold part of the program; its name stays as it was."));
}

// ---- Copy and channel names --------------------------------------------------------------------

void ProgramToolsTest::copyDialog_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("output");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("target");
    QTest::addColumn<QStringList>("channels");
    QTest::addColumn<bool>("copies");
    const QStringList eight{"CH1", "CH2", "CH3", "CH4", "CH5", "CH6", "CH7", "CH8"};
    QTest::newRow("4x8 CH3 onto CH3 copies nothing") << 1 << true << 2 << 2 << eight << false;
    QTest::newRow("4x8 CH2 onto CH8") << 1 << true << 1 << 7 << eight << true;
    QTest::newRow("2x4 CHA onto CHB gives B the name of A")
        << 3 << false << 0 << 1 << QStringList{"CHA", "CHB"} << true;
}

void ProgramToolsTest::copyDialog() {
    QFETCH(int, deviceType);
    QFETCH(bool, output);
    QFETCH(int, source);
    QFETCH(int, target);
    QFETCH(QStringList, channels);
    QFETCH(bool, copies);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    ProgramContainer& data = surface->Document().Data();
    Channel& from = output ? static_cast<Channel&>(data.output(source))
                           : static_cast<Channel&>(data.input(source));
    Channel& to = output ? static_cast<Channel&>(data.output(target))
                         : static_cast<Channel&>(data.input(target));
    from.setName("Kick");
    from.setGain(300);
    surface->UpdateAllControls();
    const std::string targetName = to.nameText();
    const int targetGain = to.gain();

    CopyChannelDialog dialog(surface->Controller(), surface);
    dialog.show();
    QVERIFY(dialog.InputsRadio()->isChecked());
    QCOMPARE(dialog.SourceList(output)->currentIndex(), 0);
    QCOMPARE(dialog.TargetList(output)->currentIndex(), 1);
    // Each channel with its name once it has one.
    QStringList listed;
    for (int i = 0; i < dialog.TargetList(output)->count(); ++i)
        listed << dialog.TargetList(output)->itemText(i);
    channels[source] += QStringLiteral(": Kick");
    QCOMPARE(listed, channels);

    // "Cancel" leaves every channel as it was.
    {
        CopyChannelDialog cancelled(surface->Controller(), surface);
        cancelled.show();
        (output ? cancelled.OutputsRadio() : cancelled.InputsRadio())->click();
        cancelled.SourceList(output)->setCurrentIndex(source);
        cancelled.TargetList(output)->setCurrentIndex(target);
        QTest::mouseClick(cancelled.CancelButton(), Qt::LeftButton);
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QCOMPARE(to.gain(), targetGain);
        QCOMPARE(to.nameText(), targetName);
    }

    (output ? dialog.OutputsRadio() : dialog.InputsRadio())->click();
    dialog.SourceList(output)->setCurrentIndex(source);
    dialog.TargetList(output)->setCurrentIndex(target);
    SaveShot(dialog, QStringLiteral("copy_dialog_named"));
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    ChannelStrip& strip = output ? surface->OutputStrip(target) : surface->InputStrip(target);
    if (copies) {
        QCOMPARE(to.nameText(), std::string("Kick"));
        QCOMPARE(to.gain(), 300);
        QCOMPARE(strip.nameLabel->text(), QString("Kick"));
        QCOMPARE(strip.fader->value(), strip.gainMax - 300);
    } else {
        QCOMPARE(to.nameText(), targetName);
        QCOMPARE(to.gain(), targetGain);
    }
}

void ProgramToolsTest::channelNamesShowTheModelsChannels_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("4x8") << 1 << QStringList{"CHA", "CHB", "CHC", "CHD", "CH1", "CH2",
                                             "CH3", "CH4", "CH5", "CH6", "CH7", "CH8"};
    QTest::newRow("3x6") << 2 << QStringList{"CHA", "CHB", "CHC", "CH1", "CH2",
                                             "CH3", "CH4", "CH5", "CH6"};
    QTest::newRow("2x4") << 3 << QStringList{"CHA", "CHB", "CH1", "CH2", "CH3", "CH4"};
}

void ProgramToolsTest::channelNamesShowTheModelsChannels() {
    QFETCH(int, deviceType);
    QFETCH(QStringList, labels);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    surface->Document().Data().output(0).setName("Main L");
    ChannelNamesDialog dialog(surface->Controller(), surface);
    dialog.show();
    QStringList shown;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->isVisible())
            shown << label->text();
    }
    std::sort(shown.begin(), shown.end());
    QStringList expected = labels;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(shown, expected);
    QCOMPARE(dialog.NameEdit(false, 1)->text(), QString("B"));
    QCOMPARE(dialog.NameEdit(true, 0)->text(), QString("Main L"));
}

void ProgramToolsTest::namesWithUnprintableBytesShowThemAsSpaces() {
    // As a file may bring them: a line feed, an escape and a byte above 0x7E.
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    ProgramContainer& data = surface->Document().Data();
    data.output(1).setName("L\nR\x1b\xff");
    surface->UpdateOutputLabel(1);
    QCOMPARE(guitest::StripParts(*surface, true, 1).nameLabel->text(), QString("L R  "));
    QSignalSpy titles(surface, &ControlSurface::titleChanged);
    surface->OnTitleChanged("RID48_Hall\r\x07");
    QCOMPARE(titles.value(0).value(0).toString(), QString("RID48_Hall  "));

    ChannelNamesDialog dialog(surface->Controller(), surface);
    dialog.show();
    QCOMPARE(dialog.NameEdit(true, 1)->text(), QString("L R  "));
    dialog.accept(); // leaving without typing keeps the stored bytes
    QCOMPARE(data.output(1).nameText(), std::string("L\nR\x1b\xff"));
}

void ProgramToolsTest::channelNameChangeReachesTheUnit() {
    auto line = OpenVirtualUnit(3);
    QVERIFY(line);
    ControlSurface* surface = Connected(3, *line);
    QVERIFY(surface);
    UnitController& controller = surface->Controller();
    ProgramContainer& data = surface->Document().Data();
    const std::string outputName = data.output(0).nameText();
    ChannelNamesDialog dialog(controller, surface);
    QVERIFY(Activate(dialog));
    ShortTextEdit* inputB = dialog.NameEdit(false, 1);
    ShortTextEdit* output1 = dialog.NameEdit(true, 0);

    // Clicked into and left without typing: nothing to send.
    output1->setFocus();
    QTRY_VERIFY(output1->hasFocus());
    inputB->setFocus();
    QTRY_VERIFY(inputB->hasFocus());
    QCOMPARE(data.output(0).nameChanged(), 0);

    // Enter commits; the strip's label follows; the dialog stays.
    inputB->selectAll();
    QTest::keyClicks(inputB, "Bass");
    QTest::keyClick(inputB, Qt::Key_Return);
    QCOMPARE(data.input(1).nameText(), std::string("Bass"));
    QCOMPARE(guitest::StripParts(*surface, false, 1).nameLabel->text(), QString("Bass"));
    QVERIFY(!inputB->hasFocus());
    QVERIFY(dialog.isVisible());

    // Esc brings the name back that was shown before typing; nothing is committed.
    output1->setFocus();
    QTRY_VERIFY(output1->hasFocus());
    output1->selectAll();
    QTest::keyClicks(output1, "Xyz");
    QTest::keyClick(output1, Qt::Key_Escape);
    QCOMPARE(output1->text(), QString::fromStdString(outputName));
    QVERIFY(dialog.isVisible());
    inputB->setFocus();
    QTRY_VERIFY(inputB->hasFocus());
    QCOMPARE(data.output(0).nameText(), outputName);
    QCOMPARE(data.output(0).nameChanged(), 0);

    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    line->WithUnits([](std::vector<VirtualUnit>& units) {
        QVERIFY(Holds(units.front().Program(0).inputs[1], "Bass"));
        QVERIFY(!Holds(units.front().Program(0).outputs[0], "Xyz"));
    });
    QVERIFY(Messages().Texts().isEmpty());
}

// ---- Interface settings ------------------------------------------------------------------------

void ProgramToolsTest::interfaceListsFollowTheModel_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("timed");
    QTest::newRow("4x8: 25s") << 1 << "25s";
    QTest::newRow("3x6: 10s") << 2 << "10s";
    QTest::newRow("2x4: 10s") << 3 << "10s";
}

void ProgramToolsTest::interfaceListsFollowTheModel() {
    QFETCH(int, deviceType);
    QFETCH(QString, timed);
    ControlSurface* surface = Show(DeviceCommand(deviceType));
    surface->Document().Data().setTemperature(33);
    surface->Document().Data().setBacklight(1);
    InterfaceSettingsDialog dialog(surface->Controller(), surface);
    QComboBox* backlight = dialog.BacklightList();
    QCOMPARE(backlight->count(), 2);
    QCOMPARE(backlight->itemText(0), QString("Keep On"));
    QCOMPARE(backlight->itemText(1), timed);
    QCOMPARE(backlight->currentIndex(), 1);
    QComboBox* temperature = dialog.TemperatureList();
    QCOMPARE(temperature->count(), 51);
    QCOMPARE(temperature->itemText(0), QString("0C"));
    QCOMPARE(temperature->itemText(50), QString("50C"));
    QCOMPARE(temperature->currentText(), QString("33C"));
}

void ProgramToolsTest::temperatureAndLinesReachTheUnit() {
    auto line = OpenVirtualUnit(1);
    QVERIFY(line);
    ControlSurface* surface = Connected(1, *line);
    QVERIFY(surface);
    UnitController& controller = surface->Controller();
    ProgramContainer& data = surface->Document().Data();
    InterfaceSettingsDialog dialog(controller, surface);
    QVERIFY(Activate(dialog));
    const RequestQueue& queue = controller.Command().Queue();

    // A choice is stored and its one frame queued at once, before any tick.
    auto choose = [](QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    };
    struct Choice {
        QComboBox* list;
        int index;
        int code;
    };
    for (const Choice& c :
         {Choice{dialog.TemperatureList(), 40, 0x16}, Choice{dialog.TemperatureList(), 25, 0x16},
          Choice{dialog.BacklightList(), 1, 0x14}}) {
        const int queued = queue.Count();
        choose(c.list, c.index);
        QCOMPARE(queue.Count(), queued + 1);
        QCOMPARE(int(queue.At(queued)->bytes[5]), c.code);
        QCOMPARE(int(queue.At(queued)->bytes[9]), c.index);
        QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    }
    QCOMPARE(data.temperature(), 25);
    QCOMPARE(data.backlight(), 1);
    line->WithUnits([](std::vector<VirtualUnit>& units) {
        QCOMPARE(int(units.front().Globals().temperature), 25);
        QCOMPARE(int(units.front().Globals().backlight), 1);
    });

    // The lines wait for "OK", which leaves the dialog open.
    const int queued = queue.Count();
    QTest::keyClicks(dialog.LineEdit(0), "Front");
    QTest::keyClicks(dialog.LineEdit(1), "Stage left");
    QCOMPARE(queue.Count(), queued);
    QCOMPARE(data.lineSetB(1), std::string());
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QCOMPARE(queue.Count(), queued + 1);
    QCOMPARE(data.lineSetB(1), std::string("Front"));
    QCOMPARE(data.lineSetB(2), std::string("Stage left"));
    QVERIFY(dialog.isVisible());
    QVERIFY(TickUntil(*surface, [&] { return controller.IsSettled(); }));
    line->WithUnits([](std::vector<VirtualUnit>& units) {
        const auto& lines = units.front().Globals().lineSetB;
        // Each line centred on the 4x8's 20 characters.
        QCOMPARE(std::string(lines.begin() + 20, lines.begin() + 40),
                 std::string(7, ' ') + "Front" + std::string(8, ' '));
        QCOMPARE(std::string(lines.begin() + 40, lines.begin() + 60),
                 std::string(5, ' ') + "Stage left" + std::string(5, ' '));
    });
}

void ProgramToolsTest::typedLinesAreNotDroppedUnasked_data() {
    QTest::addColumn<bool>("send");
    QTest::newRow("yes sends them") << true;
    QTest::newRow("no drops them") << false;
}

void ProgramToolsTest::typedLinesAreNotDroppedUnasked() {
    QFETCH(bool, send);
    ControlSurface* surface = Show(ID_DEVICE_3X6);
    ProgramContainer& data = surface->Document().Data();
    {
        // Nothing typed: closing asks nothing.
        InterfaceSettingsDialog dialog(surface->Controller(), surface, &Messages());
        dialog.show();
        dialog.reject();
        QVERIFY(Messages().Messages().isEmpty());
    }
    InterfaceSettingsDialog dialog(surface->Controller(), surface, &Messages());
    dialog.show();
    QTest::keyClicks(dialog.LineEdit(1), "Balcony");
    QVERIFY(dialog.HasUnsentLines());
    Messages().SetYesNoAnswer(send);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(Messages().Texts(),
             QStringList{QString::fromLatin1(InterfaceSettingsDialog::kUnsentLinesQuestion)});
    QVERIFY(Messages().Messages().front().question);
    QCOMPARE(data.lineSetB(2), send ? std::string("Balcony") : std::string());
}

// ---- The file choosers and files of another model ----------------------------------------------

void ProgramToolsTest::chooserListsThisModelsFiles_data() {
    QTest::addColumn<bool>("library");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("program files")
        << false << QStringList{"4x8 program files (*.dia48)", "All files (*)"}
        << QStringList{"a.dia48"};
    QTest::newRow("libraries, also those saved as .dat")
        << true << QStringList{"4x8 program libraries (*.dat48 *.dat)", "All files (*)"}
        << QStringList{"c.dat48", "d.dat"};
}

void ProgramToolsTest::chooserListsThisModelsFiles() {
    QFETCH(bool, library);
    QFETCH(QStringList, filters);
    QFETCH(QStringList, listed);
    QTemporaryDir dir;
    for (const char* name : {"a.dia48", "b.dia36", "c.dat48", "d.dat", "e.txt"}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path())); // the chooser opens in the current directory
    ControlSurface* surface = Show(ID_DEVICE_4X8);
    ProgramFileChooser chooser(surface);

    QStringList seenFilters;
    QStringList seen;
    int looks = 0;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* fileDialog = qobject_cast<QFileDialog*>(modal);
        if (!fileDialog)
            return;
        seenFilters = fileDialog->nameFilters();
        auto* view = fileDialog->findChild<QListView*>(QStringLiteral("listView"));
        seen.clear();
        if (view) {
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row) {
                const QModelIndex index = view->model()->index(row, 0, root);
                if (view->model()->flags(index) & Qt::ItemIsEnabled)
                    seen << index.data().toString();
            }
        }
        // The directory is read in the background: look again until it shows.
        if (++looks > 100 || seen.size() >= listed.size())
            fileDialog->reject();
    });
    const auto chosen = chooser.ChooseFile(
        {library ? ProgramFileKind::Library : ProgramFileKind::SingleSetting, false, 1});
    QDir::setCurrent(previous);
    QVERIFY(!chosen);
    QCOMPARE(seenFilters, filters);
    seen.sort();
    QCOMPARE(seen, listed);
}

void ProgramToolsTest::saveChooserProposesTheProgramInTheFolderLastUsed() {
    QTemporaryDir first;
    QTemporaryDir second;
    programsettings::SetLastFileFolder(first.path());
    ControlSurface* surface = Show(ID_DEVICE_3X6);
    surface->Document().Data().setProgramName("Hall 2");
    ProgramFileChooser chooser(surface);
    surface->SetFileChooser(&chooser);

    QString folder;
    QString proposed;
    ModalWatcher watcher([&](QWidget* modal) {
        auto* fileDialog = qobject_cast<QFileDialog*>(modal);
        if (!fileDialog)
            return;
        folder = fileDialog->directory().absolutePath();
        const QStringList files = fileDialog->selectedFiles();
        proposed = files.isEmpty() ? QString() : QFileInfo(files.front()).fileName();
        // Saved somewhere else: that folder is the next one offered.
        auto* name = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(QDir(second.path()).filePath(QStringLiteral("gig.dia36")));
        QMetaObject::invokeMethod(fileDialog, "accept");
    });
    surface->StoreProgramToFileChosen();
    QCOMPARE(folder, QDir(first.path()).absolutePath());
    QCOMPARE(proposed, QString("Hall 2.dia36"));
    QVERIFY(QFile::exists(QDir(second.path()).filePath(QStringLiteral("gig.dia36"))));
    QCOMPARE(ProgramFileChooser::StartFolder(), QDir(second.path()).absolutePath());
    programsettings::SetLastFileFolder(QString()); // the other tests open the current folder
}

void ProgramToolsTest::fileOfAnotherModelNeedsTheOperatorsYes() {
    QTemporaryDir dir;
    ProgramContainer big; // a 4x8 program with a delay no 2x4 can hold
    big.input(0).setDelay(50000);
    big.setProgramName("Big");
    const QString path = dir.filePath("big.dia48");
    QCOMPARE(SaveProgramSetting(path.toStdString(), big), ProgramFileStatus::Ok);

    ControlSurface* surface = Show(ID_DEVICE_2X4);
    ProgramContainer& data = surface->Document().Data();
    ScriptedChooser chooser;
    surface->SetFileChooser(&chooser);
    Frame().AddRecentFile(path);
    QAction* open = nullptr;
    for (QAction* action : Frame().findChildren<QAction*>()) {
        if (action->text() == QStringLiteral("&Open..."))
            open = action;
    }
    QVERIFY(open);

    // "No", from the recent-file list and from the File menu: nothing changes.
    Messages().SetYesNoAnswer(false);
    Frame().OpenRecentFile(0);
    chooser.answers = {path};
    open->trigger();
    QCOMPARE(Messages().Messages().size(), 2);
    for (const MessageRecorder::Message& question : Messages().Messages()) {
        QVERIFY(question.question);
        QVERIFY(question.text.contains("made for the 4x8, not for the 2x4"));
    }
    QCOMPARE(data.programName(), std::string("NewProgram"));
    QCOMPARE(data.input(0).delay(), 0);
    QCOMPARE(Frame().RecentFiles().value(0), path); // kept: it can be read
    QCOMPARE(Frame().windowTitle(), QString("Tavrel1.0 2x4"));

    // "Yes": read by value, 948 ms staying 948 ms on the 2x4's scale.
    Messages().SetYesNoAnswer(true);
    Frame().OpenRecentFile(0);
    QCOMPARE(data.programName(), std::string("Big"));
    QCOMPARE(data.input(0).delay(), 476 + 938);
    QCOMPARE(Frame().windowTitle(), QString("VUR24_Big"));
}

TAVREL_GUI_TEST_MAIN(ProgramToolsTest)
#include "program_tools_test.moc"
