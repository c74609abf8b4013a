#include "gui/dialogs/ConnectDialog.h"

#include "gui/dialogs/NetworkPortDialog.h"
#include "gui/support/DialogUnits.h"
#include "gui/support/ProgramSettings.h"
#include "gui/widgets/ElidingLabel.h"
#include "gui/widgets/GradientProgressBar.h"
#include "link/NetworkPortName.h"
#include "link/UnitController.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <numeric>
#include <string_view>
#include <utility>

namespace {

// Least widths in dialog units of the dialog's font: the port list shows a device path whole,
// the ID list and the range's boxes three digits.
constexpr int kPortListChars = 22;
constexpr int kIdListWidth = 60;
constexpr int kIdBoxWidth = 40;
constexpr int kProgressHeight = 10;

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Length of the run of digits starting at `from`.
std::size_t DigitRun(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    return end - from;
}

// Compares two runs of digits by value: leading zeros dropped, then length, then digits.
int CompareNumbers(std::string_view a, std::string_view b) {
    const auto strip = [](std::string_view s) {
        const std::size_t first = s.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view{} : s.substr(first);
    };
    a = strip(a);
    b = strip(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

} // namespace

bool PortNameLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t ra = DigitRun(a, i);
            const std::size_t rb = DigitRun(b, j);
            const int order = CompareNumbers(std::string_view(a).substr(i, ra),
                                             std::string_view(b).substr(j, rb));
            if (order != 0)
                return order < 0;
            i += ra;
            j += rb;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b; // equal by value ("ttyS01" and "ttyS1"): keep a total order
}

int PreselectedPort(const std::vector<std::string>& names, const std::vector<bool>& usb,
                    const std::string& remembered) {
    if (names.empty())
        return -1;
    if (!remembered.empty()) {
        const auto exact = std::find(names.begin(), names.end(), remembered);
        if (exact != names.end())
            return static_cast<int>(exact - names.begin());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string& name = names[i];
            const bool prefix = name.compare(0, remembered.size(), remembered) == 0;
            // "ttyUSB1" must not pick "ttyUSB10": that is another adapter.
            const bool longerNumber = IsDigit(remembered.back()) &&
                                      name.size() > remembered.size() &&
                                      IsDigit(name[remembered.size()]);
            if (prefix && !longerNumber)
                return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < names.size() && i < usb.size(); ++i) {
        if (usb[i])
            return static_cast<int>(i);
    }
    return 0;
}

PortSource SystemPortSource() {
    return [] {
        PortEntryList list;
        // A failing enumeration keeps the ports found before it; the dialog shows those.
        ListSerialPorts(list, false);
        return list;
    };
}

ConnectDialog::ConnectDialog(UnitController& controller, const std::string& rememberedPort,
                             QWidget* parent, PortSource ports)
    : QDialog(parent), m_controller(controller),
      m_source(ports ? std::move(ports) : SystemPortSource()) {
    setWindowTitle(tr(kCaption));

    auto* portLabel = new QLabel(tr("Com Select:"), this);
    m_ports = new QComboBox(this);
    m_ports->setEditable(true); // a device path may be typed as well
    m_ports->setInsertPolicy(QComboBox::NoInsert);
    // A long network port name does not widen the dialog; the open list shows it whole.
    m_ports->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ports->setMinimumContentsLength(kPortListChars);
    portLabel->setBuddy(m_ports);
    m_rescan = new QPushButton(tr("Rescan"), this);
    m_rescan->setAutoDefault(false);
    m_rescan->setToolTip(tr("Lists the serial ports again, for an adapter plugged in "
                            "while this dialog is open"));
    // The port's description in the dialog's own text colour: read, not greyed out.
    m_portDescription = new ElidingLabel(this);

    auto* idLabel = new QLabel(tr("Device ID:"), this);
    m_ids = new QComboBox(this);
    // Typing an ID lets the operator reach a unit after a search found none.
    m_ids->setEditable(true);
    m_ids->setInsertPolicy(QComboBox::NoInsert);
    m_ids->setValidator(new QIntValidator(kFirstDeviceId, kLastDeviceId, m_ids));
    // What is typed is the ID: "5" must not complete to a listed 50.
    m_ids->setCompleter(nullptr);
    m_ids->setMinimumWidth(FontDluX(m_ids->fontMetrics(), kIdListWidth));
    idLabel->setBuddy(m_ids);
    m_search = new QPushButton(tr("Search ID"), this);
    m_search->setAutoDefault(false);
    // Wide enough for "Stop" too, so the button keeps its size while a search runs.
    int searchWidth = 0;
    for (const QString& text : {tr(kStopText), tr("Search ID")}) {
        m_search->setText(text);
        searchWidth = std::max(searchWidth, m_search->sizeHint().width());
    }
    m_search->setMinimumWidth(searchWidth);

    auto* rangeLabel = new QLabel(tr("Search IDs:"), this);
    auto makeIdBox = [this](int value) {
        auto* box = new QSpinBox(this);
        box->setRange(kFirstDeviceId, kLastDeviceId);
        box->setValue(value);
        box->setMinimumWidth(FontDluX(box->fontMetrics(), kIdBoxWidth));
        return box;
    };
    m_firstId = makeIdBox(kFirstDeviceId);
    rangeLabel->setBuddy(m_firstId);
    auto* toLabel = new QLabel(tr("to"), this);
    toLabel->setAlignment(Qt::AlignCenter);
    m_lastId = makeIdBox(kLastDeviceId);
    toLabel->setBuddy(m_lastId);

    m_progress = new GradientProgressBar(this);
    m_progress->setMinimumHeight(FontDluY(m_progress->fontMetrics(), kProgressHeight));
    // The bar shows only while a search runs; its place stays so the dialog keeps its size.
    QSizePolicy keepPlace = m_progress->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepPlace);
    m_status = new ElidingLabel(this);

    m_addNetworkPort = new QPushButton(tr("Add network port..."), this);
    m_addNetworkPort->setAutoDefault(false);
    m_addNetworkPort->setToolTip(tr("Adds the port of a serial device server on the network, "
                                    "as rfc2217://HOST:PORT or tcp://HOST:PORT"));

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setAutoDefault(false);

    // Captions left, lists beside them, the port's and the search's buttons at the right edge;
    // the progress and its text across the dialog; the buttons along the bottom.
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(m_ports, 0, 1);
    grid->addWidget(m_rescan, 0, 2);
    grid->addWidget(m_portDescription, 1, 1, 1, 2);
    grid->addWidget(idLabel, 2, 0);
    grid->addWidget(m_ids, 2, 1, Qt::AlignLeft);
    grid->addWidget(m_search, 2, 2);
    auto* range = new QHBoxLayout;
    range->addWidget(m_firstId);
    range->addWidget(toLabel);
    range->addWidget(m_lastId);
    range->addStretch();
    grid->addWidget(rangeLabel, 3, 0);
    grid->addLayout(range, 3, 1, 1, 2);
    grid->setRowMinimumHeight(4, grid->verticalSpacing());
    grid->addWidget(m_progress, 5, 0, 1, 3);
    grid->addWidget(m_status, 6, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addNetworkPort);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The network ports used lately, most recent first; a network port named as the remembered
    // one (the command line's --port) and not among them comes first, in its usual form.
    for (const QString& recent : programsettings::RecentNetworkPorts())
        m_networkPorts.push_back(recent.toStdString());
    std::string preferred = rememberedPort;
    if (IsNetworkPortName(rememberedPort)) {
        const auto parsed = ParseNetworkPortName(rememberedPort);
        preferred = parsed ? parsed->Name() : std::string();
        if (parsed && std::find(m_networkPorts.begin(), m_networkPorts.end(), preferred) ==
                          m_networkPorts.end())
            m_networkPorts.insert(m_networkPorts.begin(), preferred);
    }
    FillPorts(preferred);
    FillIds(m_controller.Command().Replies().KnownDeviceIds());
    m_progress->hide();
    m_progress->setRange(kFirstDeviceId, kLastDeviceId);
    m_progress->setPos(0);

    m_timer.setInterval(kSearchTickMs);
    connect(&m_timer, &QTimer::timeout, this, &ConnectDialog::SearchTick);
    connect(m_search, &QPushButton::clicked, this, [this] {
        if (m_searching)
            StopSearchKeepingFound();
        else
            SearchDeviceIds();
    });
    connect(m_rescan, &QPushButton::clicked, this, &ConnectDialog::Rescan);
    connect(m_addNetworkPort, &QPushButton::clicked, this, &ConnectDialog::AddNetworkPort);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ports, &QComboBox::currentTextChanged, this, [this] {
        ShowPortDescription();
        UpdateOk();
    });
    connect(m_ids, &QComboBox::currentTextChanged, this, &ConnectDialog::UpdateOk);
    // The range never turns round: moving one end past the other takes the other along.
    connect(m_firstId, &QSpinBox::valueChanged, this, [this](int first) {
        if (m_lastId->value() < first)
            m_lastId->setValue(first);
    });
    connect(m_lastId, &QSpinBox::valueChanged, this, [this](int last) {
        if (m_firstId->value() > last)
            m_firstId->setValue(last);
    });
    ShowPortDescription();
    UpdateOk();
    // Placed now, so the description and the status are cut to their widths from the start.
    layout->activate();
}

ConnectDialog::~ConnectDialog() {
    StopSearch();
}

std::string ConnectDialog::PortName() const {
    return m_ports->currentText().trimmed().toStdString();
}

int ConnectDialog::DeviceId() const {
    bool ok = false;
    const int id = m_ids->currentText().trimmed().toInt(&ok);
    return ok && IsDeviceId(id) ? id : 0;
}

void ConnectDialog::FillPorts(const std::string& preferredPort, bool offerUnlisted) {
    m_entries.clear();
    for (PortEntry& entry : m_source()) {
        if (!entry.portName.empty())
            m_entries.push_back(std::move(entry));
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const PortEntry& a, const PortEntry& b) {
                         return PortNameLess(a.portName, b.portName);
                     });

    // A port that answered before stays on offer when the system does not list it (a typed path,
    // a virtual unit's link), as long as it is there to be opened. Network ports have their own
    // place in the list.
    const bool listed = std::any_of(m_entries.begin(), m_entries.end(), [&](const PortEntry& e) {
        return e.portName == preferredPort || e.devicePath == preferredPort;
    });
    m_unlistedPort.clear();
    if (offerUnlisted && !preferredPort.empty() && !listed && !IsNetworkPortName(preferredPort) &&
        QFileInfo::exists(QString::fromStdString(preferredPort))) {
        m_unlistedPort = preferredPort;
        PortEntry typed;
        typed.devicePath = preferredPort;
        typed.portName = preferredPort;
        typed.description = tr("Used last").toStdString();
        m_entries.insert(m_entries.begin(), std::move(typed));
    }
    ListNetworkPorts();
    ShowPorts(preferredPort);
}

void ConnectDialog::ListNetworkPorts() {
    std::erase_if(m_entries, [](const PortEntry& e) { return IsNetworkPortName(e.portName); });
    for (const std::string& name : m_networkPorts) {
        PortEntry network;
        network.devicePath = name;
        network.portName = name;
        network.description = NetworkPortDescription(name).toStdString();
        m_entries.push_back(std::move(network));
    }
}

void ConnectDialog::ShowPorts(const std::string& preferredPort) {
    m_ports->clear();
    std::vector<std::string> names;
    std::vector<bool> usb;
    int widest = 0;
    for (const PortEntry& entry : m_entries) {
        names.push_back(entry.portName);
        usb.push_back(entry.usb);
        const QString name = QString::fromStdString(entry.portName);
        m_ports->addItem(name);
        m_ports->setItemData(m_ports->count() - 1, QString::fromStdString(entry.description),
                             Qt::ToolTipRole);
        widest = std::max(widest, m_ports->fontMetrics().horizontalAdvance(name));
    }
    // The list opens wide enough for a network port's whole name.
    m_ports->view()->setMinimumWidth(widest + 2 * m_ports->fontMetrics().averageCharWidth() +
                                     m_ports->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    if (m_entries.empty()) {
        m_ports->addItem(QString::fromLatin1(kNoPortText));
        m_ports->setCurrentIndex(0);
        return;
    }
    m_ports->setCurrentIndex(PreselectedPort(names, usb, preferredPort));
}

QString ConnectDialog::NetworkPortDescription(const std::string& portName) {
    const auto parsed = ParseNetworkPortName(portName);
    if (!parsed)
        return {};
    const QString description = parsed->protocol == NetworkProtocol::Rfc2217
                                    ? tr("Network port on %1 port %2 (RFC 2217)")
                                    : tr("Network port on %1 port %2 (raw TCP)");
    return description.arg(QString::fromStdString(parsed->host)).arg(parsed->port);
}

void ConnectDialog::AddNetworkPort() {
    if (m_searching)
        return;
    NetworkPortDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        AddNetworkPortName(dialog.PortName());
}

bool ConnectDialog::AddNetworkPortName(const std::string& name) {
    const auto parsed = ParseNetworkPortName(name);
    if (!parsed)
        return false;
    const std::string usual = parsed->Name();
    std::erase(m_networkPorts, usual);
    m_networkPorts.insert(m_networkPorts.begin(), usual);
    ListNetworkPorts();
    ShowPorts(usual);
    ShowPortDescription();
    UpdateOk();
    return true;
}

void ConnectDialog::Rescan() {
    if (m_searching)
        return;
    // The chosen port stays chosen while it is listed (a path the system never listed, while it
    // exists); otherwise the usual preselection.
    const std::string chosen = m_entries.empty() ? std::string() : PortName();
    const bool listedBySystem =
        chosen != m_unlistedPort &&
        std::any_of(m_entries.begin(), m_entries.end(),
                    [&](const PortEntry& e) { return e.portName == chosen; });
    FillPorts(chosen, !listedBySystem);
    ShowPortDescription();
    UpdateOk();
}

void ConnectDialog::SetSearchRange(int first, int last) {
    m_firstId->setValue(first);
    m_lastId->setValue(last);
}

int ConnectDialog::SearchFirstId() const {
    return m_firstId->value();
}

int ConnectDialog::SearchLastId() const {
    return m_lastId->value();
}

void ConnectDialog::FillIds(const std::vector<int>& ids) {
    std::vector<int> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    m_ids->clear();
    for (int id : sorted)
        m_ids->addItem(QString::number(id), id);
    m_ids->setCurrentIndex(m_ids->count() > 0 ? 0 : -1);
    if (m_ids->count() == 0)
        m_ids->setEditText(QString());
    UpdateOk();
}

QLabel* ConnectDialog::PortDescription() const {
    return m_portDescription;
}

QString ConnectDialog::SearchStatus() const {
    return m_status->fullText();
}

void ConnectDialog::ShowSearching(bool searching) {
    m_progress->setVisible(searching);
    // The search button stops a running search; the port and the range stay as searched.
    m_search->setText(searching ? tr(kStopText) : tr("Search ID"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_ports, m_rescan, m_addNetworkPort, m_firstId, m_lastId})
        w->setEnabled(!searching);
}

void ConnectDialog::SearchDeviceIds() {
    if (m_searching)
        return;
    const int first = SearchFirstId();
    const int last = SearchLastId();
    // The engine shows "Unable to open COM-port" when the port does not open; the search then
    // ends on its first tick with the known IDs as they were.
    m_searchPortOpened = m_controller.StartSearch(PortName(), first, last);
    if (!m_controller.IsSearching())
        return; // refused: the view holds a connection
    m_searching = true;
    m_progress->setRange(first, last);
    m_progress->setPos(0);
    m_status->setFullText(tr("Searching ID %1 of %2").arg(first).arg(last));
    ShowSearching(true);
    m_timer.start();
}

void ConnectDialog::SearchTick() {
    if (!m_searching)
        return;
    if (m_controller.IsSearching())
        m_controller.SearchTick();
    const int probed = m_controller.Search().Progress();
    m_progress->setPos(probed);
    if (probed > 0)
        m_status->setFullText(tr("Searching ID %1 of %2").arg(probed).arg(SearchLastId()));
    // The answer to the last ID ends the search while the reply is decoded, between ticks.
    if (!m_controller.IsSearching())
        EndSearchDisplay(m_controller.Command().Replies().KnownDeviceIds());
}

void ConnectDialog::OnSearchEnded(const std::vector<int>& knownIds) {
    if (m_searching)
        EndSearchDisplay(knownIds);
}

void ConnectDialog::EndSearchDisplay(const std::vector<int>& knownIds, const QString& prefix) {
    m_timer.stop();
    m_searching = false;
    ShowSearching(false);
    if (!m_searchPortOpened) {
        FillIds(knownIds);
        m_status->setFullText(QString()); // nothing was probed; the message box said why
        return;
    }
    // Only the units that answered are offered (IDs outside the range searched were never
    // heard); with none, no ID is chosen until one is typed.
    std::vector<int> found;
    QStringList texts;
    for (int id : knownIds) {
        if (id >= SearchFirstId() && id <= SearchLastId()) {
            found.push_back(id);
            texts << QString::number(id);
        }
    }
    FillIds(found);
    m_status->setFullText(prefix + (texts.isEmpty()
                                        ? tr(kNoUnitAnsweredText)
                                        : tr("Found: ") + texts.join(QStringLiteral(", "))));
}

void ConnectDialog::StopSearchKeepingFound() {
    if (!m_searching)
        return;
    const int probed = m_controller.Search().Progress();
    m_controller.CancelSearch();
    // The IDs not probed yet count as unknown, so the known ones are those that answered.
    EndSearchDisplay(m_controller.Command().Replies().KnownDeviceIds(),
                     tr("Stopped at ID %1. ").arg(probed));
}

void ConnectDialog::StopSearch() {
    if (!m_searching)
        return;
    m_timer.stop();
    m_searching = false; // before the controller reports the end back
    m_controller.CancelSearch();
    m_status->setFullText(QString());
    ShowSearching(false);
}

void ConnectDialog::done(int result) {
    StopSearch();
    QDialog::done(result);
}

void ConnectDialog::ShowPortDescription() {
    const std::string name = PortName();
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const PortEntry& e) { return e.portName == name; });
    // A network port typed into the list is described as a listed one.
    const QString text = entry != m_entries.end() ? QString::fromStdString(entry->description)
                                                  : NetworkPortDescription(name);
    m_portDescription->setFullText(text);
}

void ConnectDialog::UpdateOk() {
    if (m_ok)
        m_ok->setEnabled(!PortName().empty() && DeviceId() != 0);
}
