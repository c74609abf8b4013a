#include "gui/dialogs/InputChannelEditor.h"

#include "gui/dialogs/ParameterConnections.h"
#include "gui/widgets/CaptionedGroup.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/ValueEdit.h"
#include "model/ChannelEditRules.h"
#include "model/ProgramContainer.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace ChannelEditRules;

namespace {

// In dialog units of the editor's font.
constexpr int kGap = 4; // between the groups
constexpr int kThresholdEditWidth = 32;
constexpr int kThresholdFaderHeight = 96; // the least; it takes the group's height
constexpr int kGateRadioTop = 36;         // the gate switch, a third of the way down
const QColor kThresholdAccent(120, 220, 120);

} // namespace

InputChannelEditor::InputChannelEditor(ParameterStore& store, QWidget* owner)
    : ChannelEditor(store, owner, /*output=*/false) {
    const DeviceModel& model = store.model();
    QHBoxLayout* row = addGroupRow(kGap);

    auto* delayGroup = addGroup(tr("Delay"));
    m_delay = addDelayControls(delayGroup, QStringLiteral("mS"), tr("Time"));
    row->addWidget(delayGroup);

    const auto threshold = keyOf(ParameterField::Gate);
    auto thresholdEditable = [this] { return GateThresholdEditable(record()); };
    // The threshold's edit and slider, in a box of their own inside the wide gate group (the
    // gate switch beside it) or framed by the narrow one.
    CaptionedGroup* thresholdBox = nullptr;
    if (model.hasGateSwitch) {
        auto* gate = addGroup(tr("Noisegate"));
        thresholdBox = addGroup(tr("Threshold"));
        m_disable = addRadio(tr("Disble"));
        m_enable = addRadio(tr("Enable"));
        new ChoiceConnection(store, keyOf(ParameterField::GateSwitch),
                             {{m_disable, 0}, {m_enable, 1}});
        auto* gateRow = new QHBoxLayout(gate);
        gateRow->setContentsMargins(QMargins());
        gateRow->setSpacing(dluX(kGap));
        gateRow->addWidget(thresholdBox);
        auto* gateSwitch = new QVBoxLayout;
        gateSwitch->setSpacing(dluY(8));
        gateSwitch->addSpacing(dluY(kGateRadioTop));
        gateSwitch->addWidget(m_disable);
        gateSwitch->addWidget(m_enable);
        gateSwitch->addStretch(1);
        gateRow->addLayout(gateSwitch);
        row->addWidget(gate);
    } else {
        thresholdBox = addGroup(tr("Noisegate"));
        row->addWidget(thresholdBox);
    }
    m_thresholdEdit = addEdit(kThresholdEditWidth);
    QLabel* unit = addLabel(QStringLiteral("dBu"));
    m_thresholdFader = addFader(kThresholdFaderHeight, kThresholdAccent);
    auto* thresholdGrid = new QGridLayout(thresholdBox);
    thresholdGrid->setContentsMargins(QMargins());
    thresholdGrid->setHorizontalSpacing(dluX(1));
    thresholdGrid->setVerticalSpacing(dluY(6));
    thresholdGrid->addWidget(m_thresholdEdit, 0, 0);
    thresholdGrid->addWidget(unit, 0, 1);
    thresholdGrid->addWidget(m_thresholdFader, 1, 0, 1, 2, Qt::AlignHCenter);
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
        auto* input = addGroup(tr("Input"));
        m_analog = addRadio(tr("Analog"));
        m_digital = addRadio(tr("Digital"));
        auto* column = new QVBoxLayout(input);
        column->setContentsMargins(dluX(2), 0, dluX(2), 0);
        column->setSpacing(dluY(6));
        column->addWidget(addLabel(tr("Source")));
        column->addWidget(m_analog);
        column->addWidget(m_digital);
        column->addStretch(1);
        // A unit-wide setting: the store hands it to the unit controller, which queues its frame.
        new ChoiceConnection(store, [] { return UnitKey(ParameterField::InputSource); },
                             {{m_analog, 0}, {m_digital, 1}});
        row->addWidget(input);
    }
    finishLayout();
}

InputChannel& InputChannelEditor::record() const {
    return container().input(channel());
}

QString InputChannelEditor::captionOf(int index) const {
    return QStringLiteral("CH %1").arg(QChar(QLatin1Char(static_cast<char>('A' + index))));
}
