#include "gui/dialogs/ChannelEditor.h"

#include "gui/dialogs/ParameterConnections.h"
#include "gui/dialogs/RuleNotices.h"
#include "gui/support/DialogUnits.h"
#include "gui/widgets/CaptionedGroup.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ResponseGraph.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ChannelEditRules.h"
#include "model/ProgramContainer.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

namespace {

const QColor kDisabledText(130, 134, 146);
const QColor kDisabledBase(40, 45, 57);

// Layout in dialog units of the editor's font: the groups side by side, a small margin around.
constexpr int kMargin = 4;
constexpr int kGroupTop = 2;
constexpr int kSpinWidth = 8;
constexpr int kFaderWidth = 14;
constexpr int kDelayFaderHeight = 126;
// The longest delay shown: thousands of feet to four decimals.
const QString kWidestDelay = QStringLiteral("0000.0000");

} // namespace

ChannelEditor::ChannelEditor(ParameterStore& store, QWidget* owner, bool output)
    : QWidget(owner, Qt::Tool), m_store(store), m_output(output),
      m_temperature(store.container().temperature()) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Opened from the surface without taking the keyboard from it.
    setAttribute(Qt::WA_ShowWithoutActivating);

    // Dark background, white captions and labels; greyed controls stay readable on it.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Background());
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledText);
    pal.setColor(QPalette::Disabled, QPalette::Text, kDisabledText);
    pal.setColor(QPalette::Disabled, QPalette::Base, kDisabledBase);
    setPalette(pal);
    setAutoFillBackground(true);

    // New settings as a whole: the caption, the distances and the corrections made on showing a
    // channel apply again (the connections show the values themselves).
    connect(&m_store, &ParameterStore::reloaded, this, [this] { selectChannel(m_channel); });
}

QString ChannelEditor::channelLabel() const {
    const DeviceModel& model = m_store.model();
    const std::string_view label =
        m_output ? model.OutputLabel(m_channel) : model.InputLabel(m_channel);
    return QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
}

void ChannelEditor::followUnitSettings() {
    if (container().temperature() == m_temperature)
        return;
    m_temperature = container().temperature();
    for (ValueEdit* edit : m_distanceEdits)
        edit->setTemperature(m_temperature);
}

std::function<ParameterKey()> ChannelEditor::keyOf(ParameterField field) const {
    return [this, field] { return ChannelKey(channelId(), field); };
}

void ChannelEditor::selectChannel(int index) {
    m_channel = index;
    followUnitSettings();
    setWindowTitle(captionOf(index));
    channelSelected();
    // The connected controls now stand for the keys of another channel.
    for (ParameterConnection* connection : findChildren<ParameterConnection*>())
        connection->show();
}

void ChannelEditor::finishLayout() {
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
    for (ParameterConnection* connection : findChildren<ParameterConnection*>()) {
        connect(connection, &ParameterConnection::ruleApplied, this,
                [this](const ParameterKey& key, int asked, int after, ChannelEditRules::Edit edit) {
                    const QString text =
                        RuleNotice(channelLabel(), FieldNameOf(key), asked, after, edit);
                    if (!text.isEmpty())
                        emit notice(text);
                });
        connect(connection, &ParameterConnection::notice, this, [this](const QString& text) {
            emit notice(channelLabel() + QStringLiteral(": ") + text);
        });
    }
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool ChannelEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        emit clickedInside();
    return QWidget::eventFilter(watched, event);
}

void ChannelEditor::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

int ChannelEditor::dluX(int units) const {
    return FontDluX(fontMetrics(), units);
}

int ChannelEditor::dluY(int units) const {
    return FontDluY(fontMetrics(), units);
}

QHBoxLayout* ChannelEditor::addGroupRow(int gap) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(dluX(kMargin), dluY(kGroupTop), dluX(kMargin), dluY(kMargin));
    row->setSpacing(dluX(gap));
    return row;
}

CaptionedGroup* ChannelEditor::addGroup(const QString& caption) {
    return new CaptionedGroup(caption, this);
}

QLabel* ChannelEditor::addLabel(const QString& text, Qt::Alignment align) {
    auto* label = new QLabel(text, this);
    label->setAlignment(align);
    return label;
}

ValueEdit* ChannelEditor::addEdit(int width, const QString& widest) {
    auto* edit = new ValueEdit(this);
    edit->setFixedWidth(std::max(dluX(width), edit->widthShowing(widest)));
    return edit;
}

ValueSpin* ChannelEditor::addSpin() {
    auto* spin = new ValueSpin(this);
    // As narrow as the arrows drawn, as high as the box beside it.
    spin->setFixedWidth(dluX(kSpinWidth));
    spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    return spin;
}

Fader* ChannelEditor::addFader(int height, const QColor& accent) {
    auto* fader = new Fader(this);
    fader->setFixedWidth(dluX(kFaderWidth));
    fader->setMinimumHeight(dluY(height));
    fader->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    fader->setAccent(accent);
    return fader;
}

QRadioButton* ChannelEditor::addRadio(const QString& text) {
    return new QRadioButton(text, this);
}

QHBoxLayout* ChannelEditor::withArrows(ValueEdit* edit, ValueSpin* spin) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(edit);
    row->addWidget(spin);
    return row;
}

ChannelEditor::DelayControls ChannelEditor::addDelayControls(CaptionedGroup* group,
                                                             const QString& msUnit,
                                                             const QString& faderLabel) {
    using namespace ChannelEditRules;
    const DeviceModel& model = m_store.model();
    const auto delay = keyOf(ParameterField::Delay);
    DelayControls c;
    // The three values one above the other at the left, the slider over the whole height at the
    // right, its label at the bottom beside it.
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(QMargins());
    grid->setHorizontalSpacing(dluX(2));
    grid->setVerticalSpacing(dluY(10));
    const QString units[3] = {msUnit, tr("Meter"), tr("Feet")};
    const DelayUnit kinds[3] = {DelayUnit::Milliseconds, DelayUnit::Metres, DelayUnit::Feet};
    for (int i = 0; i < 3; ++i) {
        c.edits[i] = addEdit(40, kWidestDelay);
        c.spins[i] = addSpin();
        grid->addLayout(withArrows(c.edits[i], c.spins[i]), i, 0);
        grid->addWidget(addLabel(units[i]), i, 1);
        // One index, shown in milliseconds or as the distance sound travels meanwhile.
        new SpinConnection(m_store, delay, c.spins[i], c.edits[i],
                           DelayEntry(model, kinds[i], m_temperature));
        if (kinds[i] != DelayUnit::Milliseconds)
            m_distanceEdits.push_back(c.edits[i]);
    }
    grid->setRowStretch(3, 1);
    if (!faderLabel.isEmpty())
        grid->addWidget(addLabel(faderLabel, Qt::AlignRight | Qt::AlignVCenter), 4, 0, 1, 2);
    c.fader = addFader(kDelayFaderHeight, QColor(0, 200, 255));
    grid->addWidget(c.fader, 0, 2, 5, 1);
    new FaderConnection(m_store, delay, c.fader, FaderConnection::Inverted(model.delayMax));
    return c;
}
