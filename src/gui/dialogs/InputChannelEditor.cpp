#include "gui/dialogs/InputChannelEditor.h"

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

InputChannelEditor::InputChannelEditor(ProgramContainer& data, QWidget* owner)
    : ChannelEditor(data, owner, /*output=*/false) {
    const DeviceModel& model = DeviceModelOf(data.deviceType());
    EditorBinding& b = binding();
    int x = kMargin;

    auto* delayGroup =
        addGroup(this, QStringLiteral("Delay"), x, kGroupTop, kDelayGroupWidth, kGroupHeight);
    m_delay = addDelayControls(delayGroup, QStringLiteral("mS"), QStringLiteral("Time"),
                               [this]() -> Channel& { return record(); });
    x += kDelayGroupWidth + kGap;

    const EditorBinding::FieldId threshold = b.addField({
        .name = QStringLiteral("gateThreshold"),
        .shown = [this] { return int(record().gateThreshold()); },
        .write = [this](int index) { return SetGateThreshold(record(), index); },
        .enabled = [this] { return GateThresholdEditable(record()); },
    });
    // The threshold's edit and slider, in a box of their own inside the wide gate group or
    // framed by the narrow one.
    QWidget* thresholdBox = nullptr;
    if (model.hasGateSwitch) {
        auto* gate =
            addGroup(this, QStringLiteral("Noisegate"), x, kGroupTop, kGateWidth, kGroupHeight);
        thresholdBox = addGroup(gate, QStringLiteral("Threshold"), 4, 12, kThresholdWidth, 134);
        const EditorBinding::FieldId gateSwitch = b.addField({
            .name = QStringLiteral("gateEnabled"),
            .shown = [this] { return record().gateOff() ? 0 : 1; },
            .write = [this](int on) { return SetGateEnabled(record(), on != 0); },
        });
        m_disable = addRadio(gate, QStringLiteral("Disble"), 62, 50, 38, 12);
        m_enable = addRadio(gate, QStringLiteral("Enable"), 62, 70, 38, 12);
        b.bindRadios(gateSwitch, {{m_disable, 0}, {m_enable, 1}});
        x += kGateWidth + kGap;
    } else {
        thresholdBox = addGroup(this, QStringLiteral("Noisegate"), x, kGroupTop, kNarrowGateWidth,
                                kGroupHeight);
        x += kNarrowGateWidth + kGap;
    }
    const int boxWidth = model.hasGateSwitch ? kThresholdWidth : kNarrowGateWidth;
    m_thresholdEdit = addEdit(thresholdBox, 4, 14, 32, 12);
    QWidget* unit = addLabel(thresholdBox, QStringLiteral("dBu"), 37, 14, boxWidth - 38, 12);
    m_thresholdFader = addFader(thresholdBox, (boxWidth - 14) / 2, 32, 14,
                                model.hasGateSwitch ? 96 : 110, kThresholdAccent);
    b.bindEdit(threshold, m_thresholdEdit, kGateThresholdEntry);
    b.bindFader(threshold, m_thresholdFader, kGateThresholdEntry.max);
    // A level in 1 dB steps: one step per arrow and per page, no jump to an end.
    m_thresholdFader->setKeySteps(controlmath::LevelKeySteps(1));
    m_thresholdEdit->setPageStep(1);
    b.bindEnabled(threshold, unit);

    if (model.hasInputSource) {
        auto* input =
            addGroup(this, QStringLiteral("Input"), x, kGroupTop, kSourceWidth, kGroupHeight);
        addLabel(input, QStringLiteral("Source"), 6, 16, 48, 12);
        const EditorBinding::FieldId source = b.addField({
            .name = QStringLiteral("inputSource"),
            .shown = [this] { return container().inputSource(); },
            .write =
                [this](int value) {
                    if (container().inputSource() == value)
                        return Edit::Unchanged;
                    // A unit-wide setting without a change flag: the surface queues it.
                    container().setInputSource(value);
                    if (m_sourceHandler)
                        m_sourceHandler(value);
                    return Edit::Written;
                },
        });
        m_analog = addRadio(input, QStringLiteral("Analog"), 6, 34, 50, 12);
        m_digital = addRadio(input, QStringLiteral("Digital"), 6, 52, 50, 12);
        b.bindRadios(source, {{m_analog, 0}, {m_digital, 1}});
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
