#include "gui/dialogs/InputChannelEditor.h"

#include "gui/dialogs/ParameterConnections.h"
#include "gui/widgets/CaptionedGroup.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ValueEdit.h"
#include "model/ChannelEditRules.h"
#include "model/ProgramContainer.h"

#include <QLabel>
#include <QRadioButton>

using namespace ChannelEditRules;

namespace {

// Layout in dialog units: groups side by side, all of one height.
constexpr int kMargin = 4;
constexpr int kGap = 4;
constexpr int kGroupTop = 2;
constexpr int kGroupHeight = 150;
constexpr int kGateWidth = 104;      // threshold and the gate switch (4x8)
constexpr int kNarrowGateWidth = 56; // threshold only (3x6, 2x4)
constexpr int kThresholdWidth = 52;  // the threshold box inside the wide gate group
constexpr int kSourceWidth = 60;
const QColor kThresholdAccent(120, 220, 120);

} // namespace

InputChannelEditor::InputChannelEditor(ParameterStore& store, QWidget* owner)
    : ChannelEditor(store, owner, /*output=*/false) {
    const DeviceModel& model = store.model();
    int x = kMargin;

    auto* delayGroup = addGroup(this, tr("Delay"), x, kGroupTop, kDelayGroupWidth, kGroupHeight);
    m_delay = addDelayControls(delayGroup, QStringLiteral("mS"), tr("Time"));
    x += kDelayGroupWidth + kGap;

    const auto threshold = keyOf(ParameterField::Gate);
    auto thresholdEditable = [this] { return GateThresholdEditable(record()); };
    // The threshold's edit and slider, in a box of their own inside the wide gate group or
    // framed by the narrow one.
    QWidget* thresholdBox = nullptr;
    if (model.hasGateSwitch) {
        auto* gate = addGroup(this, tr("Noisegate"), x, kGroupTop, kGateWidth, kGroupHeight);
        thresholdBox = addGroup(gate, tr("Threshold"), 4, 12, kThresholdWidth, 134);
        m_disable = addRadio(gate, tr("Disble"), 62, 50, 38, 12);
        m_enable = addRadio(gate, tr("Enable"), 62, 70, 38, 12);
        new ChoiceConnection(store, keyOf(ParameterField::GateSwitch),
                             {{m_disable, 0}, {m_enable, 1}});
        x += kGateWidth + kGap;
    } else {
        thresholdBox =
            addGroup(this, tr("Noisegate"), x, kGroupTop, kNarrowGateWidth, kGroupHeight);
        x += kNarrowGateWidth + kGap;
    }
    const int boxWidth = model.hasGateSwitch ? kThresholdWidth : kNarrowGateWidth;
    m_thresholdEdit = addEdit(thresholdBox, 4, 14, 32, 12);
    QLabel* unit = addLabel(thresholdBox, QStringLiteral("dBu"), 37, 14, boxWidth - 38, 12);
    m_thresholdFader = addFader(thresholdBox, (boxWidth - 14) / 2, 32, 14,
                                model.hasGateSwitch ? 96 : 110, kThresholdAccent);
    (new EditConnection(store, threshold, m_thresholdEdit, kGateThresholdEntry))
        ->setEnabledWhen(thresholdEditable);
    (new FaderConnection(store, threshold, m_thresholdFader,
                         FaderConnection::Inverted(kGateThresholdEntry.max)))
        ->setEnabledWhen(thresholdEditable);
    // A level in 1 dB steps: one step per arrow and per page, no jump to an end.
    m_thresholdFader->setKeySteps(controlmath::LevelKeySteps(1));
    m_thresholdEdit->setPageStep(1);
    (new LabelConnection(store, threshold, unit))->setEnabledWhen(thresholdEditable);

    if (model.hasInputSource) {
        auto* input = addGroup(this, tr("Input"), x, kGroupTop, kSourceWidth, kGroupHeight);
        addLabel(input, tr("Source"), 6, 16, 48, 12);
        m_analog = addRadio(input, tr("Analog"), 6, 34, 50, 12);
        m_digital = addRadio(input, tr("Digital"), 6, 52, 50, 12);
        // A unit-wide setting: the store hands it to the unit controller, which queues its frame.
        new ChoiceConnection(store, [] { return UnitKey(ParameterField::InputSource); },
                             {{m_analog, 0}, {m_digital, 1}});
        x += kSourceWidth + kGap;
    }
    finishLayout(QSize(x - kGap + kMargin, kGroupTop + kGroupHeight + kMargin));
}

InputChannel& InputChannelEditor::record() const {
    return container().input(channel());
}

QString InputChannelEditor::captionOf(int index) const {
    return QStringLiteral("CH %1").arg(QChar(QLatin1Char(static_cast<char>('A' + index))));
}
