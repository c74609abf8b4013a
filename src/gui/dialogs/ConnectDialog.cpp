#include "gui/dialogs/ConnectDialog.h"

#include "gui/support/DialogUnits.h"
#include "gui/widgets/GradientProgressBar.h"
#include "link/UnitController.h"

#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cctype>
#include <numeric>
#include <string_view>
#include <utility>

namespace {

// Layout in dialog units ("MS Sans Serif" 8).
constexpr int kWidth = 210;
constexpr int kHeight = 104;
constexpr int kFontPoints = 8;

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
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setFixedSize(DluSize(kWidth, kHeight));
    QFont dialogFont = font();
    dialogFont.setPixelSize(DluFontPixelSize(kFontPoints));
    setFont(dialogFont);

    auto* portLabel = new QLabel(QStringLiteral("Com Select:"), this);
    portLabel->setGeometry(DluRect(10, 12, 50, 10));
    m_ports = new QComboBox(this);
    m_ports->setEditable(true); // a device path may be typed as well
    m_ports->setInsertPolicy(QComboBox::NoInsert);
    m_ports->setGeometry(DluRect(62, 10, 138, 14));
    portLabel->setBuddy(m_ports);
    m_portDescription = new QLabel(this);
    m_portDescription->setGeometry(DluRect(62, 26, 138, 10));
    m_portDescription->setEnabled(false);

    auto* idLabel = new QLabel(QStringLiteral("Device ID:"), this);
    idLabel->setGeometry(DluRect(10, 44, 50, 10));
    m_ids = new QComboBox(this);
    // Typing an ID lets the operator reach a unit after a search found none.
    m_ids->setEditable(true);
    m_ids->setInsertPolicy(QComboBox::NoInsert);
    m_ids->setValidator(new QIntValidator(kFirstDeviceId, kLastDeviceId, m_ids));
    m_ids->setGeometry(DluRect(62, 42, 60, 14));
    idLabel->setBuddy(m_ids);
    m_search = new QPushButton(QStringLiteral("Search ID"), this);
    m_search->setGeometry(DluRect(140, 42, 60, 14));
    m_search->setAutoDefault(false);

    m_progress = new GradientProgressBar(this);
    m_progress->setGeometry(DluRect(10, 62, 190, 10));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(DluRect(94, 82, 50, 14));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(DluRect(150, 82, 50, 14));
    cancel->setAutoDefault(false);

    FillPorts(rememberedPort, ports ? ports : SystemPortSource());
    FillIds(m_controller.Command().Replies().KnownDeviceIds());
    m_progress->hide();
    m_progress->setRange(kFirstDeviceId, kLastDeviceId);
    m_progress->setPos(0);

    m_timer.setInterval(kSearchTickMs);
    connect(&m_timer, &QTimer::timeout, this, &ConnectDialog::SearchTick);
    connect(m_search, &QPushButton::clicked, this, &ConnectDialog::SearchDeviceIds);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ports, &QComboBox::currentTextChanged, this, [this] {
        ShowPortDescription();
        UpdateOk();
    });
    connect(m_ids, &QComboBox::currentTextChanged, this, &ConnectDialog::UpdateOk);
    ShowPortDescription();
    UpdateOk();
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

void ConnectDialog::FillPorts(const std::string& rememberedPort, const PortSource& source) {
    for (PortEntry& entry : source()) {
        if (!entry.portName.empty())
            m_entries.push_back(std::move(entry));
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const PortEntry& a, const PortEntry& b) {
                         return PortNameLess(a.portName, b.portName);
                     });
    std::vector<std::string> names;
    std::vector<bool> usb;
    for (const PortEntry& entry : m_entries) {
        names.push_back(entry.portName);
        usb.push_back(entry.usb);
        m_ports->addItem(QString::fromStdString(entry.portName));
        m_ports->setItemData(m_ports->count() - 1, QString::fromStdString(entry.description),
                             Qt::ToolTipRole);
    }
    if (m_entries.empty()) {
        m_ports->addItem(QString::fromLatin1(kNoPortText));
        m_ports->setCurrentIndex(0);
        return;
    }
    m_ports->setCurrentIndex(PreselectedPort(names, usb, rememberedPort));
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

void ConnectDialog::SearchDeviceIds() {
    if (m_searching)
        return;
    // The engine shows "Unable to open COM-port" when the port does not open; the search then
    // ends on its first tick with the known IDs as they were.
    m_controller.StartSearch(PortName(), kFirstDeviceId, kLastDeviceId);
    if (!m_controller.IsSearching())
        return; // refused: the view holds a connection
    m_searching = true;
    m_progress->setPos(0);
    m_progress->show();
    m_search->setEnabled(false);
    m_ports->setEnabled(false);
    m_timer.start();
}

void ConnectDialog::SearchTick() {
    if (!m_searching)
        return;
    if (m_controller.IsSearching())
        m_controller.SearchTick();
    m_progress->setPos(m_controller.Search().Progress());
    // The answer to the last ID ends the search while the reply is decoded, between ticks.
    if (!m_controller.IsSearching())
        EndSearchDisplay(m_controller.Command().Replies().KnownDeviceIds());
}

void ConnectDialog::OnSearchEnded(const std::vector<int>& knownIds) {
    if (m_searching)
        EndSearchDisplay(knownIds);
}

void ConnectDialog::EndSearchDisplay(const std::vector<int>& knownIds) {
    m_timer.stop();
    m_searching = false;
    FillIds(knownIds);
    m_progress->hide();
    m_search->setEnabled(true);
    m_ports->setEnabled(true);
}

void ConnectDialog::StopSearch() {
    if (!m_searching)
        return;
    m_timer.stop();
    m_searching = false; // before the controller reports the end back
    m_controller.CancelSearch();
    m_progress->hide();
    m_search->setEnabled(true);
    m_ports->setEnabled(true);
}

void ConnectDialog::done(int result) {
    StopSearch();
    QDialog::done(result);
}

void ConnectDialog::ShowPortDescription() {
    const std::string name = PortName();
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const PortEntry& e) { return e.portName == name; });
    m_portDescription->setText(entry != m_entries.end() ? QString::fromStdString(entry->description)
                                                        : QString());
}

void ConnectDialog::UpdateOk() {
    if (m_ok)
        m_ok->setEnabled(!PortName().empty() && DeviceId() != 0);
}
