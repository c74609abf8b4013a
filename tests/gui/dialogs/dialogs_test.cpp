// The connection dialogs: the connect dialog's port and ID lists, its device-ID search against
// virtual units on a pseudo-terminal (driven by calling the 30 ms tick), the device dialog's
// choices, the busy display's blinking and closing, and the message boxes. Time is the ticks the
// tests call; no real serial port is opened.

#include "ControllerFixture.h"
#include "GuiTestSupport.h"

#include "VirtualLine.h"
#include "files/ProgramFile.h"
#include "gui/dialogs/BusyDialog.h"
#include "gui/dialogs/ConnectDialog.h"
#include "gui/dialogs/DeviceIdDialog.h"
#include "gui/dialogs/NetworkPortDialog.h"
#include "gui/support/DialogUnits.h"
#include "gui/support/ProgramSettings.h"
#include "gui/support/QtMessageSink.h"
#include "gui/widgets/GradientProgressBar.h"
#include "gui/widgets/ValueEdit.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using guitest::ModalWatcher;
using guitest::SaveShot;

struct QuietView : IUnitView {
    std::vector<std::vector<int>> searchEnded;
    void OnSearchEnded(const std::vector<int>& ids) override { searchEnded.push_back(ids); }
};

using ControllerFixture = guitest::ControllerFixture<QuietView>;

// Ports written as "path" or "path*" (a USB adapter); the description is "desc <path>".
PortSource Ports(const QStringList& entries) {
    PortEntryList list;
    for (QString text : entries) {
        PortEntry entry;
        entry.usb = text.endsWith('*');
        if (entry.usb)
            text.chop(1);
        entry.portName = text.toStdString();
        entry.devicePath = entry.portName;
        entry.description = "desc " + entry.portName;
        list.push_back(entry);
    }
    return [list] { return list; };
}

QStringList Items(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

// A line with the given units (ID, device type), not served by a thread: the search steps poll
// it. nullptr, with a warning, when it cannot be opened.
std::unique_ptr<VirtualLine> OpenLine(std::vector<SimUnitSpec> units) {
    SimLineOptions options;
    options.units = std::move(units);
    auto line = std::make_unique<VirtualLine>(options);
    std::string error;
    if (!line->Open(&error)) {
        qWarning("%s", error.c_str());
        return nullptr;
    }
    return line;
}

// Runs the dialog's search tick as the 30 ms timer would, letting the virtual line answer each
// probe and handing the reply to the controller as the view's line-event handler does.
// Returns the ticks taken.
int RunSearch(ConnectDialog& dlg, UnitController& ctl, VirtualLine& line, int maxTicks) {
    int ticks = 0;
    while (dlg.IsSearching() && ticks < maxTicks) {
        const int before = ctl.Search().Progress();
        dlg.SearchTick();
        ++ticks;
        // A probe just put on the line is in the pty already; wait only for its answer.
        line.Poll(ctl.Search().Progress() != before ? 50 : 0);
        ctl.OnLineEvent(UnitController::kEventBytesReceived);
    }
    return ticks;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SetControlMessageHook({});
        programsettings::Open().clear(); // no network port used by an earlier test
    }

    void dialogUnitsFitTheMainFormIntoTheWindow();
    void dialogUnitScaleFitsAFormIntoAnyArea_data();
    void dialogUnitScaleFitsAFormIntoAnyArea();

    void connectPreselectsAPort_data();
    void connectPreselectsAPort();
    void connectShowsPortsInNaturalOrderAndTakesTypedPaths();
    void connectListsKnownIdsAscending();
    void searchListsTheUnitsOfTheViewsType();
    void searchWithoutAnswersLeavesNoIdButOneCanBeTyped();
    void searchOnAPortThatDoesNotOpenEndsAtOnce();
    void searchProbesOnlyTheChosenRange();
    void rescanListsPortsPluggedInMeanwhile();
    void typedIdIsTakenAsTyped_data();
    void typedIdIsTakenAsTyped();
    void stoppedSearchOffersTheUnitsFoundSoFar();
    void closingEndsARunningSearch_data();
    void closingEndsARunningSearch();
    void connectListsNetworkPortsAfterTheSerialPorts_data();
    void connectListsNetworkPortsAfterTheSerialPorts();
    void recentNetworkPortsKeepTheLatestOnce();
    void addingANetworkPortChecksTheName();

    void devicePreselection_data();
    void devicePreselection();
    void deviceChoiceIsCarriedOut();

    void busyDisplayBlinksAndClosesWhenTheFlagClears();
    void busyDisplayIgnoresEnterEscapeAndCloseBox();
    void busyDisplayEndsItsExecLoop();
    void busyDisplayShowsATransfersProgressAndStopsIt();

    void messageBoxesAreTitledAndAnswered();
    void controlMessagesOpenABoxAfterTheEvent();
};

void DialogsTest::dialogUnitsFitTheMainFormIntoTheWindow() {
    // 678 x 1.52 = 1030.56 and 449 x 1.5 = 673.5, both rounded to nearest.
    const QRect form = DluRect(0, 0, 678, 449);
    QCOMPARE(form.size(), QSize(1031, 674));
    // Rectangles side by side in dialog units stay side by side in pixels.
    for (int x = 0; x < 40; ++x) {
        const QRect left = DluRect(x, x, 7, 5);
        const QRect right = DluRect(x + 7, x + 5, 3, 3);
        QCOMPARE(left.right() + 1, right.left());
        QCOMPARE(left.bottom() + 1, right.top());
    }
    // At zoom 1 the scaled conversion gives the same pixels as the dialogs' own.
    const DialogUnitScale natural;
    for (int v = -20; v < 700; v += 7) {
        QCOMPARE(natural.Rect(v, v, 13, 9), DluRect(v, v, 13, 9));
        QCOMPARE(natural.FontPixelSize(v % 20 + 1), DluFontPixelSize(v % 20 + 1));
    }
}

void DialogsTest::dialogUnitScaleFitsAFormIntoAnyArea_data() {
    QTest::addColumn<QSize>("area");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPoint>("origin");
    // The 678 x 449 form is 1030.56 x 673.5 pixels at zoom 1.
    QTest::newRow("its natural size") << QSize(1031, 674) << 1031 / 1030.56 << QPoint(0, 0);
    QTest::newRow("twice as wide: centred across")
        << QSize(2061, 673) << 673 / 673.5 << QPoint(516, 0);
    QTest::newRow("half the size") << QSize(515, 337) << 515 / 1030.56 << QPoint(0, 0);
    QTest::newRow("tall: centred down") << QSize(1031, 1000) << 1031 / 1030.56 << QPoint(0, 163);
}

void DialogsTest::dialogUnitScaleFitsAFormIntoAnyArea() {
    QFETCH(QSize, area);
    QFETCH(double, zoom);
    QFETCH(QPoint, origin);
    const DialogUnitScale units = DialogUnitScale::Fitting(area, 678, 449);
    QVERIFY(std::abs(units.Zoom() - zoom) < 1e-9);
    QCOMPARE(units.Origin(), origin);
    const QRect form = units.Rect(0, 0, 678, 449);
    QVERIFY(QRect(QPoint(0, 0), area).contains(form));
    // Proportions hold: a 100 x 100 dialog-unit box is 152 x 150 at zoom 1.
    const QRect box = units.Rect(0, 0, 100, 100);
    QVERIFY(std::abs(box.width() - 152 * zoom) <= 1.0);
    QVERIFY(std::abs(box.height() - 150 * zoom) <= 1.0);
}

void DialogsTest::connectPreselectsAPort_data() {
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("selected");
    const QStringList mixed{"/dev/ttyS0", "/dev/ttyUSB0*", "/dev/ttyUSB1*"};
    QTest::newRow("the remembered port") << mixed << "/dev/ttyUSB1"
                                         << "/dev/ttyUSB1";
    QTest::newRow("an entry beginning with the remembered name")
        << QStringList{"/dev/ttyACM0*", "/dev/ttyS3"} << "/dev/ttyS"
        << "/dev/ttyS3";
    QTest::newRow("a longer number is another port: first USB adapter")
        << QStringList{"/dev/ttyS10", "/dev/ttyUSB0*"} << "/dev/ttyS1"
        << "/dev/ttyUSB0";
    QTest::newRow("nothing remembered: first USB adapter in shown order")
        << QStringList{"/dev/ttyUSB7*", "/dev/ttyS1", "/dev/ttyUSB3*"} << ""
        << "/dev/ttyUSB3";
    QTest::newRow("remembered port gone: first USB adapter") << mixed << "/dev/ttyACM0"
                                                             << "/dev/ttyUSB0";
    // A typed path or a link that answered before (here a path sure to exist) stays on offer,
    // first, while the system does not list it.
    QTest::newRow("a remembered path the system does not list") << mixed << "/dev/null"
                                                                << "/dev/null";
    QTest::newRow("no USB adapter: first entry in shown order")
        << QStringList{"/dev/ttyS4", "/dev/ttyS10", "/dev/ttyS2"} << ""
        << "/dev/ttyS2";
    QTest::newRow("no ports: NULL") << QStringList{} << "/dev/ttyUSB0"
                                    << "NULL";
    QTest::newRow("ports without a name are not listed") << QStringList{"*", ""} << ""
                                                         << "NULL";
}

void DialogsTest::connectPreselectsAPort() {
    QFETCH(QStringList, ports);
    QFETCH(QString, remembered);
    QFETCH(QString, selected);
    ControllerFixture f;
    ConnectDialog dlg(f.controller, remembered.toStdString(), nullptr, Ports(ports));
    QCOMPARE(dlg.PortList()->currentText(), selected);
    QCOMPARE(QString::fromStdString(dlg.PortName()), selected);
    if (selected == "NULL")
        QCOMPARE(Items(*dlg.PortList()), QStringList{"NULL"});
}

void DialogsTest::connectShowsPortsInNaturalOrderAndTakesTypedPaths() {
    ControllerFixture f;
    ConnectDialog dlg(f.controller, "", nullptr,
                      Ports({"/dev/ttyUSB10*", "/run/user/1000/tavrel/unit-a", "/dev/ttyS1",
                             "/dev/ttyUSB2*", "/dev/ttyACM0*"}));
    QCOMPARE(Items(*dlg.PortList()),
             (QStringList{"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyUSB2", "/dev/ttyUSB10",
                          "/run/user/1000/tavrel/unit-a"}));
    QCOMPARE(dlg.PortList()->itemData(3, Qt::ToolTipRole).toString(),
             QString("desc /dev/ttyUSB10"));
    QVERIFY(dlg.PortList()->isEditable());
    dlg.PortList()->setEditText(" /tmp/my-link ");
    QCOMPARE(dlg.PortName(), std::string("/tmp/my-link"));
    QCOMPARE(dlg.PortList()->count(), 5); // typing adds no entry
}

void DialogsTest::connectListsKnownIdsAscending() {
    ControllerFixture f;
    {
        // Every ID counts as known before the first search.
        ConnectDialog dlg(f.controller, "", nullptr, Ports({}));
        QCOMPARE(dlg.IdList()->count(), 250);
        QCOMPARE(dlg.IdList()->itemText(249), QString("250"));
        QCOMPARE(dlg.DeviceId(), 1);
        QVERIFY(dlg.Progress()->isHidden());
        QCOMPARE(dlg.Progress()->lower(), 1);
        QCOMPARE(dlg.Progress()->upper(), 250);
        QCOMPARE(dlg.Progress()->pos(), 0);
        QCOMPARE(dlg.SearchTickInterval(), ConnectDialog::kSearchTickMs);
    }
    UnitLink& engine = f.controller.Command();
    for (int id = 1; id <= 250; ++id)
        engine.Replies().SetDeviceIdKnown(id, id == 40 || id == 7 || id == 5);
    ConnectDialog dlg(f.controller, "", nullptr, Ports({"/dev/ttyS0"}));
    QCOMPARE(Items(*dlg.IdList()), (QStringList{"5", "7", "40"}));
    QCOMPARE(dlg.DeviceId(), 5);
    dlg.IdList()->setCurrentIndex(2);
    QCOMPARE(dlg.DeviceId(), 40);
    QVERIFY(dlg.OkButton()->isEnabled());
}

void DialogsTest::searchListsTheUnitsOfTheViewsType() {
    // Two 4x8 units and one 2x4 unit, which a 4x8 view must not list.
    auto line = OpenLine({{3, 1}, {17, 1}, {9, 3}});
    QVERIFY(line);

    ControllerFixture f;
    ConnectDialog dlg(f.controller, line->SlavePath(), nullptr,
                      Ports({"/dev/ttyS0", QString::fromStdString(line->SlavePath())}));
    QCOMPARE(dlg.PortName(), line->SlavePath());
    dlg.show();
    QTest::mouseClick(dlg.SearchButton(), Qt::LeftButton);
    QVERIFY(dlg.IsSearching());
    QVERIFY(dlg.IsSearchTickRunning());
    QCOMPARE(dlg.SearchButton()->text(), QString("Stop"));
    QVERIFY(dlg.Progress()->isVisible());
    QCOMPARE(dlg.Progress()->pos(), 0);

    // Probe the first IDs and look at the display half-way.
    RunSearch(dlg, f.controller, *line, 40);
    QVERIFY(dlg.IsSearching());
    QVERIFY(dlg.Progress()->pos() >= 3);
    QCOMPARE(dlg.SearchStatus(),
             QString("Searching ID %1 of 250").arg(f.controller.Search().Progress()));
    SaveShot(dlg, "connect_dialog_searching");

    // Each silent ID takes a transmit tick and four waiting ticks.
    const int ticks = RunSearch(dlg, f.controller, *line, 250 * 5 + 10);
    QVERIFY2(!dlg.IsSearching(), qPrintable(QString("stopped after %1 ticks").arg(ticks)));
    QCOMPARE(Items(*dlg.IdList()), (QStringList{"3", "17"}));
    QCOMPARE(dlg.IdList()->currentText(), QString("3"));
    QCOMPARE(dlg.DeviceId(), 3);
    QVERIFY(dlg.Progress()->isHidden());
    QVERIFY(!dlg.IsSearchTickRunning());
    QCOMPARE(dlg.SearchButton()->text(), QString("Search ID"));
    // The search gave the port back: the view opens it afresh on OK.
    QVERIFY(!f.controller.Command().IsPortOpen());
    QCOMPARE(f.controller.Command().QueueCount(), 0);
    QVERIFY(f.controller.Command().SearchWindow() == nullptr);
    QCOMPARE(f.controller.Command().Replies().KnownDeviceIds(), (std::vector<int>{3, 17}));
    QCOMPARE(dlg.SearchStatus(), QString("Found: 3, 17"));
    QVERIFY(f.messages.Texts().isEmpty());
    SaveShot(dlg, "connect_dialog");
}

void DialogsTest::searchWithoutAnswersLeavesNoIdButOneCanBeTyped() {
    auto line = OpenLine({{9, 2}}); // a 3x6 unit only
    QVERIFY(line);

    ControllerFixture f;
    ConnectDialog dlg(f.controller, "", nullptr,
                      Ports({QString::fromStdString(line->SlavePath())}));
    dlg.SearchDeviceIds();
    const int ticks = RunSearch(dlg, f.controller, *line, 250 * 5 + 10);
    QVERIFY(!dlg.IsSearching());
    // A silent ID takes its transmit tick and four waiting ticks, the last of which gives it up
    // (or, for ID 250, ends the search); the 3x6 unit's answer frees the line at once.
    QCOMPARE(ticks, 249 * 5 + 1);
    QCOMPARE(dlg.IdList()->count(), 0);
    QCOMPARE(dlg.DeviceId(), 0);
    QCOMPARE(dlg.SearchStatus(), QString("No unit of this model answered"));
    QVERIFY(!dlg.OkButton()->isEnabled());
    QVERIFY(!f.controller.Command().IsPortOpen());

    dlg.IdList()->setEditText("12");
    QCOMPARE(dlg.DeviceId(), 12);
    QVERIFY(dlg.OkButton()->isEnabled());
}

void DialogsTest::searchOnAPortThatDoesNotOpenEndsAtOnce() {
    ControllerFixture f;
    UnitLink& engine = f.controller.Command();
    for (int id = 1; id <= 250; ++id)
        engine.Replies().SetDeviceIdKnown(id, id == 8);
    const QString missing = QDir::tempPath() + "/tavrel-no-such-port";
    ConnectDialog dlg(f.controller, "", nullptr, Ports({missing}));
    dlg.SearchDeviceIds();
    QCOMPARE(f.messages.Texts().size(), 1);
    QVERIFY(f.messages.Texts()[0].startsWith("Unable to open COM-port"));
    // Nothing was probed: the table is as it was.
    dlg.SearchTick();
    QVERIFY(!dlg.IsSearching());
    QCOMPARE(Items(*dlg.IdList()), QStringList{"8"});
    QCOMPARE(dlg.DeviceId(), 8);
    QVERIFY(dlg.Progress()->isHidden());
    QCOMPARE(dlg.SearchStatus(), QString()); // nothing was searched: no verdict
}

void DialogsTest::searchProbesOnlyTheChosenRange() {
    auto line = OpenLine({{3, 1}, {17, 1}});
    QVERIFY(line);

    ControllerFixture f;
    ConnectDialog dlg(f.controller, "", nullptr,
                      Ports({QString::fromStdString(line->SlavePath())}));
    // Moving one end past the other takes the other along.
    dlg.SetSearchRange(30, 20);
    QCOMPARE(dlg.SearchFirstId(), 20);
    QCOMPARE(dlg.SearchLastId(), 20);
    dlg.SetSearchRange(10, 20);
    QCOMPARE(dlg.SearchFirstId(), 10);
    QCOMPARE(dlg.SearchLastId(), 20);

    dlg.SearchDeviceIds();
    QVERIFY(!dlg.FirstIdBox()->isEnabled());
    QCOMPARE(dlg.Progress()->lower(), 10);
    QCOMPARE(dlg.Progress()->upper(), 20);
    QCOMPARE(dlg.SearchStatus(), QString("Searching ID 10 of 20"));
    // Eleven IDs, each silent one five ticks at most: the rest of the line is not probed.
    const int ticks = RunSearch(dlg, f.controller, *line, 11 * 5 + 5);
    QVERIFY2(!dlg.IsSearching(), qPrintable(QString("stopped after %1 ticks").arg(ticks)));
    QCOMPARE(dlg.SearchStatus(), QString("Found: 17"));
    QCOMPARE(dlg.DeviceId(), 17);
    // Only the unit that answered is offered, not the IDs outside the range never probed.
    QCOMPARE(Items(*dlg.IdList()), QStringList{"17"});
    QVERIFY(dlg.FirstIdBox()->isEnabled());
    QVERIFY(!f.controller.Command().IsPortOpen());
}

void DialogsTest::typedIdIsTakenAsTyped_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("id");
    // The list holds 50 and 51, as after a search that found them.
    QTest::newRow("5 is 5, not the listed 50") << "5" << 5;
    QTest::newRow("a listed ID") << "51" << 51;
    QTest::newRow("the highest ID") << "250" << 250;
    QTest::newRow("nothing typed: no ID") << "" << 0;
}

void DialogsTest::typedIdIsTakenAsTyped() {
    QFETCH(QString, typed);
    QFETCH(int, id);
    ControllerFixture f;
    for (int i = 1; i <= 250; ++i)
        f.controller.Command().Replies().SetDeviceIdKnown(i, i == 50 || i == 51);
    ConnectDialog dlg(f.controller, "", nullptr, Ports({"/dev/ttyS0"}));
    dlg.show();
    QLineEdit* edit = dlg.IdList()->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    QCOMPARE(dlg.IdList()->currentText(), typed);
    QCOMPARE(dlg.DeviceId(), id);
    QCOMPARE(dlg.OkButton()->isEnabled(), id != 0);
}

void DialogsTest::stoppedSearchOffersTheUnitsFoundSoFar() {
    auto line = OpenLine({{3, 1}, {17, 1}});
    QVERIFY(line);

    ControllerFixture f;
    ConnectDialog dlg(f.controller, "", nullptr,
                      Ports({QString::fromStdString(line->SlavePath())}));
    dlg.show();
    QTest::mouseClick(dlg.SearchButton(), Qt::LeftButton);
    for (int tick = 0; tick < 200 && f.controller.Search().Progress() <= 20; ++tick)
        RunSearch(dlg, f.controller, *line, 1);
    const int probed = f.controller.Search().Progress();
    QTest::mouseClick(dlg.SearchButton(), Qt::LeftButton); // "Stop"
    QVERIFY(!dlg.IsSearching());
    QVERIFY(!f.controller.IsSearching());
    QVERIFY(!f.controller.Command().IsPortOpen());
    QCOMPARE(Items(*dlg.IdList()), (QStringList{"3", "17"}));
    QCOMPARE(dlg.DeviceId(), 3);
    QCOMPARE(dlg.SearchStatus(), QString("Stopped at ID %1. Found: 3, 17").arg(probed));
    QCOMPARE(dlg.SearchButton()->text(), QString("Search ID"));
    QVERIFY(dlg.Progress()->isHidden());
}

void DialogsTest::rescanListsPortsPluggedInMeanwhile() {
    auto present = std::make_shared<QStringList>(QStringList{"/dev/ttyS0"});
    const PortSource source = [present] { return Ports(*present)(); };
    ControllerFixture f;
    ConnectDialog dlg(f.controller, "", nullptr, source);
    QCOMPARE(Items(*dlg.PortList()), QStringList{"/dev/ttyS0"});
    // The description reads as text, not as a disabled control.
    QVERIFY(dlg.PortDescription()->isEnabled());
    QCOMPARE(dlg.PortDescription()->text(), QString("desc /dev/ttyS0"));

    *present << "/dev/ttyUSB0*";
    QTest::mouseClick(dlg.RescanButton(), Qt::LeftButton);
    QCOMPARE(Items(*dlg.PortList()), (QStringList{"/dev/ttyS0", "/dev/ttyUSB0"}));
    QCOMPARE(dlg.PortName(), std::string("/dev/ttyS0")); // the chosen port stays chosen

    present->removeFirst(); // unplugged: the adapter is the one to offer
    dlg.Rescan();
    QCOMPARE(Items(*dlg.PortList()), QStringList{"/dev/ttyUSB0"});
    QCOMPARE(dlg.PortName(), std::string("/dev/ttyUSB0"));
    QCOMPARE(dlg.PortDescription()->text(), QString("desc /dev/ttyUSB0"));
    SaveShot(dlg, "connect_dialog_after_rescan");
}

void DialogsTest::closingEndsARunningSearch_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "ok";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void DialogsTest::closingEndsARunningSearch() {
    QFETCH(QString, how);
    auto line = OpenLine({{3, 1}});
    QVERIFY(line);

    ControllerFixture f;
    ConnectDialog dlg(f.controller, "", nullptr,
                      Ports({QString::fromStdString(line->SlavePath())}));
    dlg.show();
    dlg.SearchDeviceIds();
    RunSearch(dlg, f.controller, *line, 12);
    QVERIFY(dlg.IsSearching());
    QVERIFY(f.controller.Command().IsPortOpen());

    if (how == "ok")
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(&dlg, Qt::Key_Escape);
    else
        dlg.close();

    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), how == "ok" ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QVERIFY(!dlg.IsSearching());
    QVERIFY(!dlg.IsSearchTickRunning());
    QVERIFY(!f.controller.IsSearching());
    QVERIFY(!f.controller.Command().IsPortOpen());
    QCOMPARE(f.controller.Command().QueueCount(), 0);
    QVERIFY(f.controller.Command().SearchWindow() == nullptr);
    // The ID chosen before the search is what OK hands on.
    QCOMPARE(dlg.DeviceId(), 1);
}

void DialogsTest::connectListsNetworkPortsAfterTheSerialPorts_data() {
    QTest::addColumn<QStringList>("serial");
    QTest::addColumn<QStringList>("used"); // network ports connected to, oldest first
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("description"); // of the preselected port
    const QStringList serial{"/dev/ttyS0", "/dev/ttyUSB0*"};
    const QStringList used{"tcp://10.0.0.7:4001", "rfc2217://rack1.venue.lan:7000"};
    const QStringList shown{"/dev/ttyS0", "/dev/ttyUSB0", "rfc2217://rack1.venue.lan:7000",
                            "tcp://10.0.0.7:4001"};
    QTest::newRow("the network port used last")
        << serial << used << "rfc2217://rack1.venue.lan:7000" << shown
        << "Network port on rack1.venue.lan port 7000 (RFC 2217)";
    QTest::newRow("an earlier network port") << serial << used << "tcp://10.0.0.7:4001" << shown
                                             << "Network port on 10.0.0.7 port 4001 (raw TCP)";
    QTest::newRow("a network port named on the command line, in its usual form")
        << serial << used << "RFC2217://[fd00::7]:07000"
        << QStringList{"/dev/ttyS0", "/dev/ttyUSB0", "rfc2217://[fd00::7]:7000",
                       "rfc2217://rack1.venue.lan:7000", "tcp://10.0.0.7:4001"}
        << "Network port on fd00::7 port 7000 (RFC 2217)";
    QTest::newRow("nothing remembered: the USB adapter, not a network port")
        << serial << used << "" << shown << "desc /dev/ttyUSB0";
    QTest::newRow("no serial port: the network ports, not NULL")
        << QStringList{} << used << ""
        << QStringList{"rfc2217://rack1.venue.lan:7000", "tcp://10.0.0.7:4001"}
        << "Network port on rack1.venue.lan port 7000 (RFC 2217)";
}

void DialogsTest::connectListsNetworkPortsAfterTheSerialPorts() {
    QFETCH(QStringList, serial);
    QFETCH(QStringList, used);
    QFETCH(QString, remembered);
    QFETCH(QStringList, items);
    QFETCH(QString, description);
    for (const QString& port : used)
        programsettings::RememberNetworkPort(port);
    ControllerFixture f;
    ConnectDialog dlg(f.controller, remembered.toStdString(), nullptr, Ports(serial));
    QCOMPARE(Items(*dlg.PortList()), items);
    QCOMPARE(dlg.PortDescription()->toolTip(), description);
    const int chosen = dlg.PortList()->currentIndex();
    QCOMPARE(dlg.PortList()->itemData(chosen, Qt::ToolTipRole).toString(), description);
    if (QTest::currentDataTag() == QLatin1String("the network port used last"))
        SaveShot(dlg, "connect_dialog_network_port");
}

void DialogsTest::recentNetworkPortsKeepTheLatestOnce() {
    // Ten network ports, one of them used again in another spelling, and a serial port.
    for (int i = 1; i <= 10; ++i)
        programsettings::RememberNetworkPort(QString("tcp://rack%1:4001").arg(i));
    programsettings::RememberNetworkPort(" TCP://rack9:04001 ");
    programsettings::RememberNetworkPort("/dev/ttyUSB0");
    programsettings::RememberNetworkPort("tcp://rack11"); // no port number: not a port
    QCOMPARE(programsettings::RecentNetworkPorts(),
             (QStringList{"tcp://rack9:4001", "tcp://rack10:4001", "tcp://rack8:4001",
                          "tcp://rack7:4001", "tcp://rack6:4001", "tcp://rack5:4001",
                          "tcp://rack4:4001", "tcp://rack3:4001"}));
}

void DialogsTest::addingANetworkPortChecksTheName() {
    ControllerFixture f;
    ConnectDialog dlg(f.controller, "", nullptr, Ports({"/dev/ttyS0", "/dev/ttyUSB0*"}));
    dlg.show();
    // Types `text` into the dialog the button opens and presses OK; tells what the dialog said
    // and whether it stayed open (then cancels it).
    struct Outcome {
        bool okEnabledEmpty = false;
        bool stayedOpen = false;
        QString problem;
    };
    auto add = [&](const QString& text, const QString& shot = {}) {
        Outcome outcome;
        bool seen = false;
        ModalWatcher watcher([&](QWidget* modal) {
            auto* input = qobject_cast<NetworkPortDialog*>(modal);
            if (input == nullptr || std::exchange(seen, true))
                return;
            outcome.okEnabledEmpty = input->OkButton()->isEnabled();
            QTest::keyClicks(input->NameEdit(), text);
            QTest::mouseClick(input->OkButton(), Qt::LeftButton);
            outcome.stayedOpen = input->isVisible();
            outcome.problem = input->Problem()->isVisible() ? input->Problem()->text() : QString();
            if (!shot.isEmpty())
                SaveShot(*input, shot);
            if (input->isVisible())
                input->reject();
        });
        QTest::mouseClick(dlg.AddNetworkPortButton(), Qt::LeftButton);
        return outcome;
    };

    const Outcome refused = add("tcp://rack1.venue.lan", "network_port_dialog_refused");
    QVERIFY(!refused.okEnabledEmpty);
    QVERIFY(refused.stayedOpen);
    QCOMPARE(refused.problem,
             QString("tcp://rack1.venue.lan is no network port (no port number): write "
                     "rfc2217://HOST:PORT or tcp://HOST:PORT, an IPv6 address in brackets as in "
                     "rfc2217://[::1]:7000"));
    QCOMPARE(Items(*dlg.PortList()), (QStringList{"/dev/ttyS0", "/dev/ttyUSB0"}));
    QCOMPARE(dlg.PortName(), std::string("/dev/ttyUSB0"));

    // A serial device path is no network port either.
    QVERIFY(add("/dev/ttyS1").problem.contains("begins with neither rfc2217:// nor tcp://"));
    QCOMPARE(dlg.PortList()->count(), 2);

    const Outcome taken = add(" TCP://rack1.venue.lan:07001 ");
    QVERIFY(!taken.stayedOpen);
    QCOMPARE(Items(*dlg.PortList()),
             (QStringList{"/dev/ttyS0", "/dev/ttyUSB0", "tcp://rack1.venue.lan:7001"}));
    QCOMPARE(dlg.PortName(), std::string("tcp://rack1.venue.lan:7001"));
    QCOMPARE(dlg.PortDescription()->toolTip(),
             QString("Network port on rack1.venue.lan port 7001 (raw TCP)"));
    QVERIFY(dlg.OkButton()->isEnabled());
    // Added again, it is listed once; it is remembered only once a connection to it opens.
    QVERIFY(dlg.AddNetworkPortName("rfc2217://[::1]:7000"));
    QVERIFY(dlg.AddNetworkPortName("tcp://rack1.venue.lan:7001"));
    QCOMPARE(Items(*dlg.PortList()),
             (QStringList{"/dev/ttyS0", "/dev/ttyUSB0", "tcp://rack1.venue.lan:7001",
                          "rfc2217://[::1]:7000"}));
    dlg.Rescan();
    QCOMPARE(dlg.PortList()->count(), 4);
    QCOMPARE(dlg.PortName(), std::string("tcp://rack1.venue.lan:7001"));
    QVERIFY(programsettings::RecentNetworkPorts().isEmpty());
}

void DialogsTest::devicePreselection_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<QList<int>>("known");
    QTest::addColumn<int>("newId");
    QTest::addColumn<int>("reconnectId");
    // The current ID is preselected, so OK alone renumbers nothing.
    QTest::newRow("current 1") << 1 << QList<int>{1, 4} << 1 << 1;
    QTest::newRow("current 5") << 5 << QList<int>{4, 5, 9} << 5 << 4;
    QTest::newRow("current 250") << 250 << QList<int>{250} << 250 << 250;
    QTest::newRow("no known unit: no ID to switch to") << 7 << QList<int>{} << 7 << 0;
}

void DialogsTest::devicePreselection() {
    QFETCH(int, current);
    QFETCH(QList<int>, known);
    QFETCH(int, newId);
    QFETCH(int, reconnectId);
    DeviceIdDialog dlg(current, std::vector<int>(known.begin(), known.end()));
    QCOMPARE(dlg.windowTitle(), QString("Device"));
    QCOMPARE(dlg.CurrentIdText()->text(), QString("Current device ID %1 To:").arg(current));
    QCOMPARE(dlg.SelectedChoice(), DeviceIdDialog::kChangeId);
    QCOMPARE(dlg.NewIdList()->count(), 250);
    QCOMPARE(dlg.NewIdList()->itemText(0), QString("1"));
    QCOMPARE(dlg.NewId(), newId);
    QCOMPARE(dlg.ReconnectIdList()->count(), known.size());
    QCOMPARE(dlg.ReconnectId(), reconnectId);
    QVERIFY(dlg.NewIdList()->isEnabled());
    QVERIFY(!dlg.ReconnectIdList()->isEnabled());

    dlg.ReconnectButton()->setChecked(true);
    QCOMPARE(dlg.SelectedChoice(), DeviceIdDialog::kReconnect);
    QVERIFY(!dlg.NewIdList()->isEnabled());
    QVERIFY(dlg.ReconnectIdList()->isEnabled());
    if (current == 5)
        SaveShot(dlg, "device_dialog");
}

void DialogsTest::deviceChoiceIsCarriedOut() {
    VirtualLine line(SimLineOptions{});
    std::string error;
    QVERIFY2(line.Open(&error), error.c_str());
    ControllerFixture f;

    DeviceIdDialog dlg(1, {1, 4});
    dlg.NewIdList()->setCurrentIndex(dlg.NewIdList()->findText("9"));
    QVERIFY(!dlg.Apply(f.controller)); // only a connected view re-addresses its unit

    QVERIFY(f.controller.OpenConnection(line.SlavePath()));
    DeviceIdDialog bare(1, {1, 4});
    bare.show();
    QTest::keyClick(&bare, Qt::Key_Return); // Enter alone: OK with the current ID
    QCOMPARE(bare.result(), int(QDialog::Accepted));
    QVERIFY(!bare.Apply(f.controller));
    QCOMPARE(f.controller.Command().QueueCount(), 0);

    // A new ID is first probed on the line; the unit keeps its ID until no unit has answered.
    dlg.NewIdList()->setCurrentIndex(dlg.NewIdList()->findText("9"));
    QVERIFY(dlg.Apply(f.controller));
    QVERIFY(f.controller.IsCheckingDeviceId());
    QCOMPARE(f.controller.DeviceId(), 1);
    QCOMPARE(f.controller.Command().QueueCount(), 1);
    QVERIFY(f.controller.Command().HeadFrame()->idCheckProbe);
    QCOMPARE(f.controller.Command().HeadFrame()->bytes[2], std::uint8_t{9});

    DeviceIdDialog again(1, {});
    again.ReconnectButton()->setChecked(true);
    QVERIFY(!again.Apply(f.controller)); // no unit to switch to
    QCOMPARE(f.controller.DeviceId(), 1);

    DeviceIdDialog other(1, {4, 1});
    other.ReconnectButton()->setChecked(true);
    QVERIFY(other.Apply(f.controller));
    QCOMPARE(f.controller.DeviceId(), 4);
    QVERIFY(f.controller.IsConnected());
    f.controller.Disconnect();
}

void DialogsTest::busyDisplayBlinksAndClosesWhenTheFlagClears() {
    bool busy = true;
    BusyDialog dlg([&busy] { return busy; });
    QCOMPARE(dlg.windowTitle(), QString("Connecting"));
    QCOMPARE(dlg.findChild<QLabel*>()->text(), QString("transmitting Data"));
    dlg.show();
    QVERIFY(dlg.IsTickRunning());
    QCOMPARE(dlg.TickInterval(), 200);
    SaveShot(dlg, "busy_display");

    const QColor first = dlg.TextColour();
    QVERIFY(first == BusyDialog::kRed || first == BusyDialog::kDarkBlue);
    for (int tick = 1; tick <= 4; ++tick) {
        dlg.Tick();
        QVERIFY(dlg.isVisible());
        const bool odd = tick % 2 == 1;
        QCOMPARE(dlg.TextColour(),
                 odd == (first == BusyDialog::kRed) ? BusyDialog::kDarkBlue : BusyDialog::kRed);
        QCOMPARE(dlg.findChild<QLabel*>()->palette().color(QPalette::WindowText), dlg.TextColour());
    }
    busy = false;
    dlg.Tick();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.IsTickRunning());
}

void DialogsTest::busyDisplayIgnoresEnterEscapeAndCloseBox() {
    bool busy = true;
    BusyDialog dlg([&busy] { return busy; });
    dlg.show();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_Enter);
    QVERIFY(!dlg.close());
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.IsTickRunning());
    QVERIFY(!dlg.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

void DialogsTest::busyDisplayEndsItsExecLoop() {
    // The owner's batch goes out inside the display's event loop; its tick then closes it.
    bool busy = true;
    BusyDialog dlg([&busy] { return busy; });
    QTimer::singleShot(0, &dlg, [&] {
        dlg.Tick();
        busy = false;
        dlg.Tick();
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
}

void DialogsTest::busyDisplayShowsATransfersProgressAndStopsIt() {
    bool busy = true;
    std::optional<TransferProgress> progress = TransferProgress{};
    progress->kind = TransferKind::WriteAllPrograms;
    progress->requestsTotal = 390;
    progress->requestsDone = 150;
    progress->memoryCount = 30;
    progress->memoriesDone = 11;
    progress->currentMemory = 12;
    progress->remainingTicks = 480;
    int stops = 0;
    BusyDialog dlg([&busy] { return busy; }, nullptr,
                   {[&progress] { return progress; },
                    [&] {
                        ++stops;
                        progress->stopping = true;
                        return true;
                    }});
    dlg.show();
    QCOMPARE(dlg.ProgressBar()->maximum(), 390);
    QCOMPARE(dlg.ProgressBar()->value(), 150);
    QCOMPARE(dlg.ProgressText()->text(), QString("Writing memory 12 of 30"));
    QCOMPARE(dlg.RemainingText()->text(), QString("About 48 s left"));
    QVERIFY(dlg.CancelButton()->isVisible() && dlg.CancelButton()->isEnabled());
    SaveShot(dlg, "busy_display_transfer");

    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    QCOMPARE(stops, 1);
    QCOMPARE(dlg.ProgressText()->text(), QString("Stopping after memory 12 of 30"));
    QVERIFY(!dlg.CancelButton()->isEnabled());
    QVERIFY(dlg.isVisible()); // until the memory on the line is out

    // One program: progress without a place to stop; no transfer: the blinking text alone.
    progress = TransferProgress{};
    progress->kind = TransferKind::StoreProgram;
    progress->slot = 5;
    progress->requestsTotal = 13;
    progress->requestsDone = 4;
    dlg.Tick();
    QCOMPARE(dlg.ProgressText()->text(), QString("Storing program 5 (4 of 13 requests)"));
    QVERIFY(!dlg.CancelButton()->isVisible());
    progress.reset();
    dlg.Tick();
    QVERIFY(!dlg.ProgressBar()->isVisible());
    busy = false;
    dlg.Tick();
    QVERIFY(!dlg.isVisible());
}

void DialogsTest::messageBoxesAreTitledAndAnswered() {
    QWidget parent;
    parent.show();
    QtMessageSink sink(&parent);
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* boxParent = nullptr;
    // Looks at the box the next call opens and presses one of its buttons.
    auto answer = [&](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            boxParent = box->parentWidget();
            if (icon == QMessageBox::Warning)
                SaveShot(*box, "message_box");
            box->button(button)->click();
        });
    };

    answer(QMessageBox::Ok);
    sink.ShowMessage("Unable to Open COM-Port", MessageKind::Warning);
    QCOMPARE(title, QString("Tavrel"));
    QCOMPARE(text, QString("Unable to Open COM-Port"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(boxParent, &parent);

    answer(QMessageBox::Ok);
    sink.ShowMessage("Pos设定错误", MessageKind::Error); // UTF-8 from the core
    QCOMPARE(text, QString::fromUtf8("Pos设定错误"));
    QCOMPARE(icon, QMessageBox::Critical);

    answer(QMessageBox::Yes);
    QVERIFY(sink.AskYesNo("Save the bank?"));
    QCOMPARE(icon, QMessageBox::Question);
    answer(QMessageBox::No);
    QVERIFY(!sink.AskYesNo("Save the bank?"));
}

void DialogsTest::controlMessagesOpenABoxAfterTheEvent() {
    SetControlMessageHook({});
    QWidget window;
    auto* edit = new ValueEdit(&window);
    window.show();
    QString title, text;
    ShowControlMessage(edit, "Out of Range");
    // Not inside the reporting control's event: the box comes once the loop runs.
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    QTRY_COMPARE(text, QString("Out of Range"));
    QCOMPARE(title, QString("Tavrel"));
    SetControlMessageHook({});
}

TAVREL_GUI_TEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
