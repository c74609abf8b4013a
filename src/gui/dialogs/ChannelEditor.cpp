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
#include <QLabel>
#include <QRadioButton>

namespace {

constexpr int kFontPoints = 8;
const QColor kDisabledText(130, 134, 146);
const QColor kDisabledBase(40, 45, 57);

} // namespace

ChannelEditor::ChannelEditor(ParameterStore& store, QWidget* owner, bool output)
    : QWidget(owner, Qt::Tool), m_store(store), m_output(output),
      m_temperature(store.container().temperature()) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Opened from the surface without taking the keyboard from it.
    setAttribute(Qt::WA_ShowWithoutActivating);

    QFont editorFont = font();
    editorFont.setPixelSize(DluFontPixelSize(kFontPoints));
    setFont(editorFont);

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

void ChannelEditor::finishLayout(QSize sizeInDialogUnits) {
    setFixedSize(DluSize(sizeInDialogUnits.width(), sizeInDialogUnits.height()));
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

CaptionedGroup* ChannelEditor::addGroup(QWidget* parent, const QString& caption, int x, int y,
                                        int w, int h) {
    auto* group = new CaptionedGroup(caption, parent);
    group->setGeometry(DluRect(x, y, w, h));
    return group;
}

QLabel* ChannelEditor::addLabel(QWidget* parent, const QString& text, int x, int y, int w, int h,
                                Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(DluRect(x, y, w, h));
    label->setAlignment(align);
    return label;
}

ValueEdit* ChannelEditor::addEdit(QWidget* parent, int x, int y, int w, int h) {
    auto* edit = new ValueEdit(parent);
    edit->setGeometry(DluRect(x, y, w, h));
    return edit;
}

ValueSpin* ChannelEditor::addSpin(QWidget* parent, int x, int y, int w, int h) {
    auto* spin = new ValueSpin(parent);
    spin->setGeometry(DluRect(x, y, w, h));
    return spin;
}

Fader* ChannelEditor::addFader(QWidget* parent, int x, int y, int w, int h, const QColor& accent) {
    auto* fader = new Fader(parent);
    fader->setGeometry(DluRect(x, y, w, h));
    fader->setAccent(accent);
    return fader;
}

QRadioButton* ChannelEditor::addRadio(QWidget* parent, const QString& text, int x, int y, int w,
                                      int h) {
    auto* radio = new QRadioButton(text, parent);
    radio->setGeometry(DluRect(x, y, w, h));
    return radio;
}

ChannelEditor::DelayControls ChannelEditor::addDelayControls(QWidget* group, const QString& msUnit,
                                                             const QString& faderLabel) {
    using namespace ChannelEditRules;
    const DeviceModel& model = m_store.model();
    const auto delay = keyOf(ParameterField::Delay);
    DelayControls c;
    const QString units[3] = {msUnit, tr("Meter"), tr("Feet")};
    const DelayUnit kinds[3] = {DelayUnit::Milliseconds, DelayUnit::Metres, DelayUnit::Feet};
    for (int i = 0; i < 3; ++i) {
        const int y = 14 + 22 * i;
        c.edits[i] = addEdit(group, 4, y, 40, 12);
        c.spins[i] = addSpin(group, 44, y, 8, 12);
        addLabel(group, units[i], 54, y, 20, 12);
        // One index, shown in milliseconds or as the distance sound travels meanwhile.
        new SpinConnection(m_store, delay, c.spins[i], c.edits[i],
                           DelayEntry(model, kinds[i], m_temperature));
        if (kinds[i] != DelayUnit::Milliseconds)
            m_distanceEdits.push_back(c.edits[i]);
    }
    if (!faderLabel.isEmpty())
        addLabel(group, faderLabel, 50, 132, 22, 10, Qt::AlignRight | Qt::AlignVCenter);
    c.fader = addFader(group, 74, 12, 14, 132, QColor(0, 200, 255));
    new FaderConnection(m_store, delay, c.fader, FaderConnection::Inverted(model.delayMax));
    return c;
}
