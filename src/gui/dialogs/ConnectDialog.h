#pragma once

#include "link/PortList.h"
#include "model/DeviceModel.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class ElidingLabel;
class GradientProgressBar;
class UnitController;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// Where the connect dialog gets its ports from. The default asks the port discovery without
// test-opening the ports; tests hand in fixed lists.
using PortSource = std::function<PortEntryList()>;
PortSource SystemPortSource();

// The connect dialog "Connect": chooses the port and the device ID for a main view, and can
// search the line for the units that answer. It preselects the port the view last connected to
// (also a typed path the system does not list, while it exists), and a typed ID is taken as
// typed, never completed to a listed one. It works on the view's unit controller, which must
// be disconnected while the dialog is open (the view's send tick is stopped then); the view goes
// on handing the port's line events to the controller, so search answers are decoded. The
// search's own 30 ms tick runs in this dialog.
//
// After the serial ports it lists network ports (serial device servers, rfc2217://HOST:PORT or
// tcp://HOST:PORT): those added in this dialog ("Add network port...") and those connected to
// lately, most recent first; a network port named as the remembered port is offered too. They are
// not discovered: the dialog offers what was used, and a port added here is remembered once a
// connection to it opens.
//
// "Rescan" lists the ports again (an adapter plugged in while the dialog is open); the search
// probes only the IDs from "Search IDs" to "to" (1 to 250 unless narrowed), shows its progress,
// can be stopped, and a line of text under the progress bar tells which ID is being probed and,
// at the end, which answered. After a search only the units that answered are offered.
//
// Typical use: construct with the remembered port name, exec(), and on Accepted connect with
// PortName() and DeviceId().
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSearchTimerId = 1;
    static constexpr int kSearchTickMs = 30;
    static constexpr const char* kCaption = QT_TR_NOOP("Connect");
    static constexpr const char* kNoPortText = "NULL";
    static constexpr const char* kNoUnitAnsweredText = QT_TR_NOOP("No unit of this model answered");
    static constexpr const char* kStopText = QT_TR_NOOP("Stop");

    // `rememberedPort` is the port to preselect (the view's last connection, empty before the
    // first). Without `ports` the system's serial ports are listed.
    ConnectDialog(UnitController& controller, const std::string& rememberedPort,
                  QWidget* parent = nullptr, PortSource ports = {});
    ~ConnectDialog() override;

    // The chosen port name: the selected entry or the typed device path ("NULL" when no port
    // exists and none was typed).
    std::string PortName() const;
    // The chosen device ID: the selected entry or a typed ID 1..250; 0 when there is none.
    int DeviceId() const;

    // "Rescan": lists the ports again, keeping the chosen one when it is still there.
    void Rescan();
    // "Add network port...": asks for a network port name, checked before it is taken, and
    // lists and chooses it.
    void AddNetworkPort();
    // Lists a network port name (in its usual form) first among the network ports and chooses
    // it; false, listing nothing, when `name` is no well-formed network port name.
    bool AddNetworkPortName(const std::string& name);
    // The IDs the search probes, first..last (1 <= first <= last <= 250).
    void SetSearchRange(int first, int last);
    int SearchFirstId() const;
    int SearchLastId() const;

    // "Search ID": opens the chosen port and probes the IDs of the search range one by one on
    // the search tick. While it runs the button reads "Stop".
    void SearchDeviceIds();
    // "Stop": ends the search where it is; the units found so far are offered.
    void StopSearchKeepingFound();
    bool IsSearching() const { return m_searching; }
    // One step of the 30 ms search tick; ends the search display once the search is over.
    void SearchTick();

    // Optional forwarding from the view's IUnitView: the search has ended and these IDs are
    // known. The dialog also notices the end by itself on its next tick.
    void OnSearchEnded(const std::vector<int>& knownIds);

    // Ends a running search first, whichever way the dialog is closed.
    void done(int result) override;

    // The parts, for tests and screenshots.
    QComboBox* PortList() const { return m_ports; }
    // The chosen port's description, cut to the dialog's width; its tool tip is the whole text.
    QLabel* PortDescription() const;
    QPushButton* RescanButton() const { return m_rescan; }
    QPushButton* AddNetworkPortButton() const { return m_addNetworkPort; }
    QComboBox* IdList() const { return m_ids; }
    QSpinBox* FirstIdBox() const { return m_firstId; }
    QSpinBox* LastIdBox() const { return m_lastId; }
    GradientProgressBar* Progress() const { return m_progress; }
    // "Searching ID n of last", then "Found: 1, 7" or "No unit of this model answered".
    QString SearchStatus() const;
    QPushButton* SearchButton() const { return m_search; }
    QPushButton* OkButton() const { return m_ok; }
    bool IsSearchTickRunning() const { return m_timer.isActive(); }
    int SearchTickInterval() const { return m_timer.interval(); }

    // What the dialog shows for a network port, as "Network port on HOST port PORT (RFC 2217)";
    // empty for a name that is no well-formed network port name.
    static QString NetworkPortDescription(const std::string& portName);

private:
    // Lists the system's ports and the network ports and preselects one; with `offerUnlisted` a
    // preferred port the system does not list is offered first while it exists.
    void FillPorts(const std::string& preferredPort, bool offerUnlisted = true);
    // Puts the network ports on offer after the listed ports, in place of those listed before.
    void ListNetworkPorts();
    // Shows the ports on offer and chooses `preferredPort` (else the usual preselection).
    void ShowPorts(const std::string& preferredPort);
    void FillIds(const std::vector<int>& ids);
    void EndSearchDisplay(const std::vector<int>& knownIds, const QString& prefix = {});
    void StopSearch();
    void ShowSearching(bool searching);
    void ShowPortDescription();
    void UpdateOk();

    UnitController& m_controller;
    PortSource m_source;
    std::vector<PortEntry> m_entries; // the listed ports, in shown order
    std::string m_unlistedPort;       // the port offered although the system does not list it
    std::vector<std::string> m_networkPorts; // the network ports on offer, in shown order
    QComboBox* m_ports = nullptr;
    ElidingLabel* m_portDescription = nullptr;
    QPushButton* m_rescan = nullptr;
    QPushButton* m_addNetworkPort = nullptr;
    QComboBox* m_ids = nullptr;
    QSpinBox* m_firstId = nullptr;
    QSpinBox* m_lastId = nullptr;
    QPushButton* m_search = nullptr;
    GradientProgressBar* m_progress = nullptr;
    ElidingLabel* m_status = nullptr;
    QPushButton* m_ok = nullptr;
    QTimer m_timer;
    bool m_searching = false;
    bool m_searchPortOpened = false;
};

// The order the port list is shown in: text order, with runs of digits compared by value, so
// /dev/ttyUSB2 comes before /dev/ttyUSB10.
bool PortNameLess(const std::string& a, const std::string& b);

// Index of the port to preselect among `names` (in shown order): the entry equal to the
// remembered name, else the first that begins with it (not counting a longer number: "ttyUSB1"
// does not pick "ttyUSB10"), else the first USB port, else the first entry; -1 when `names` is
// empty. `usb` runs parallel to `names`.
int PreselectedPort(const std::vector<std::string>& names, const std::vector<bool>& usb,
                    const std::string& remembered);
