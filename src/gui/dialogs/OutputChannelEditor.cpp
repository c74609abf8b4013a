#include "gui/dialogs/OutputChannelEditor.h"

#include "gui/dialogs/ParameterConnections.h"
#include "gui/widgets/CaptionedGroup.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/TwoStateButton.h"
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

// In dialog units of the editor's font: groups side by side, all of one height.
constexpr int kGap = 3;
constexpr int kSourceToggleWidth = 24;
constexpr int kLimiterWidth = 46;
constexpr int kReleaseWidth = 68; // "32X (3200ms)" whole
constexpr int kRatioWidth = 54;   // "1:maximum" whole
constexpr int kLimiterFaderHeight = 96;
constexpr int kCrossoverButtonWidth = 40;
constexpr int kSlopeFaderHeight = 44;
constexpr int kFrequencyFaderHeight = 126;

// Source toggles: green "ON", red "OFF", white text.
const QColor kSourceOn(0, 148, 65);
const QColor kSourceOff(255, 0, 0);
// Characteristic buttons: released and pressed faces of the high-pass and of the low-pass.
const QColor kHighPassReleased(119, 196, 238);
const QColor kHighPassPressed(14, 123, 164);
const QColor kLowPassReleased(235, 156, 162);
const QColor kLowPassPressed(219, 115, 26);
const QColor kLimiterAccent(235, 190, 70);
// The threshold and the clip limit are levels in 0.1 dB steps: 1 dB per page, no jump to an end.
constexpr controlmath::KeySteps kLevelKeys = controlmath::LevelKeySteps(10);

constexpr DisplayKindSettings kReleaseDisplay{
    .kind = kKindOwnerText, .min = 0, .max = kReleaseMaxIndex};

} // namespace

OutputChannelEditor::OutputChannelEditor(ParameterStore& store, QWidget* owner)
    : ChannelEditor(store, owner, /*output=*/true) {
    const DeviceModel& model = store.model();
    QHBoxLayout* row = addGroupRow(kGap);

    // ---- In Source ----
    auto* sources = addGroup(tr("In Source"));
    auto* sourceGrid = new QGridLayout(sources);
    sourceGrid->setContentsMargins(QMargins());
    sourceGrid->setHorizontalSpacing(dluX(1));
    sourceGrid->setVerticalSpacing(dluY(6));
    for (int i = 0; i < model.inputs; ++i) {
        sourceGrid->addWidget(addLabel(QStringLiteral("IN %1").arg(i + 1)), i, 0);
        auto* toggle = new TwoStateButton(sources);
        toggle->setMinimumSize(dluX(kSourceToggleWidth), dluY(14));
        sourceGrid->addWidget(toggle, i, 1);
        toggle->setColours(kSourceOn, kSourceOff);
        toggle->setTextColours(Qt::white, Qt::white);
        m_sources[static_cast<std::size_t>(i)] = toggle;
        new SwitchConnection(
            store, [this, i] { return SourceKey(channel(), i); }, toggle, QStringLiteral("ON"),
            QStringLiteral("OFF"));
    }
    sourceGrid->setRowStretch(model.inputs, 1);
    row->addWidget(sources);

    // ---- Delay ----
    auto* delay = addGroup(tr("Delay"));
    m_delay = addDelayControls(delay, QStringLiteral("Ms"), QString());
    row->addWidget(delay);

    // ---- Crossovers ----
    for (bool highPass : {true, false}) {
        auto* group = addGroup(highPass ? QStringLiteral("HPF") : QStringLiteral("LPF"));
        (highPass ? m_highPass : m_lowPass) = addCrossover(group, highPass);
        row->addWidget(group);
    }

    // ---- Limiter ----
    m_threshold = addLimiterColumn(row, tr("Threshold"), QStringLiteral("dBu"), kLimiterWidth,
                                   ParameterField::LimiterThreshold, kLimiterThresholdEntry);
    m_threshold.fader->setKeySteps(kLevelKeys);

    auto manualTiming = [this] { return LimiterViewOf(record()).manualTiming; };
    m_attack = addLimiterColumn(row, tr("Attack"), QStringLiteral("Ms"), kLimiterWidth,
                                ParameterField::Attack, kAttackEntry, manualTiming);

    m_release =
        addLimiterColumn(row, tr("Release"), QString(), kReleaseWidth, ParameterField::Release,
                         kReleaseDisplay, manualTiming, QStringLiteral("32X (3200ms)"));
    // The release is shown with the time it stands for at the attack set ("32X (3200ms)").
    (new TextConnection(store, keyOf(ParameterField::Release), m_release.edit, [this] {
        const LimiterView view = LimiterViewOf(record());
        return QString::fromStdString(ComposedReleaseText(view.release, view.attack));
    }))->setEnabledWhen(manualTiming);

    if (model.hasFullDynamics) {
        auto compressorSettings = [this] { return LimiterViewOf(record()).compressorSettings; };
        m_clipLimit =
            addLimiterColumn(row, tr("Clip Limit"), QString(), kLimiterWidth,
                             ParameterField::ClipLimit, kClipLimitEntry, compressorSettings);
        m_clipLimit.fader->setKeySteps(kLevelKeys);

        m_ratio = addLimiterColumn(row, tr("Ratio"), QString(), kRatioWidth, ParameterField::Ratio,
                                   kRatioEntry, compressorSettings, QStringLiteral("1:maximum"));

        // Manual/Auto at the top, Limit/Compressor at the bottom of one column.
        auto* compress = addGroup(tr("Compress"));
        m_manual = addRadio(tr("Manual"));
        m_auto = addRadio(tr("Auto"));
        addRadioColumn(compress, {m_manual, m_auto});
        (new ChoiceConnection(
             store, keyOf(ParameterField::DynamicsMode),
             {{m_manual, OutputChannel::kModeManual}, {m_auto, OutputChannel::kModeAuto}}))
            ->setEnabledWhen(compressorSettings);

        auto* type = addGroup(tr("Mode"));
        m_limit = addRadio(tr("Limit"));
        m_compressor = addRadio(tr("Compressor"));
        addRadioColumn(type, {m_limit, m_compressor});
        new ChoiceConnection(store, keyOf(ParameterField::DynamicsType),
                             {{m_limit, OutputChannel::kDynamicsLimit},
                              {m_compressor, OutputChannel::kDynamicsCompressor}});
        auto* modes = new QVBoxLayout;
        modes->setSpacing(dluY(kGap));
        modes->addWidget(compress, 1);
        modes->addWidget(type, 1);
        row->addLayout(modes);
    }
    finishLayout();
}

void OutputChannelEditor::addRadioColumn(CaptionedGroup* group,
                                         std::initializer_list<QRadioButton*> radios) {
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(dluX(2), 0, 0, 0);
    column->setSpacing(dluY(6));
    for (QRadioButton* radio : radios)
        column->addWidget(radio);
    column->addStretch(1);
}

OutputChannelEditor::CrossoverControls OutputChannelEditor::addCrossover(CaptionedGroup* group,
                                                                         bool highPass) {
    ParameterStore& values = store();
    using F = ParameterField;
    const auto kind = keyOf(highPass ? F::HighPassKind : F::LowPassKind);
    const auto slope = keyOf(highPass ? F::HighPassSlope : F::LowPassSlope);
    const auto frequency = keyOf(highPass ? F::HighPassFrequency : F::LowPassFrequency);
    CrossoverControls c;

    const QColor released = highPass ? kHighPassReleased : kLowPassReleased;
    const QColor pressed = highPass ? kHighPassPressed : kLowPassPressed;
    // The characteristic's buttons, the slope and the frequency one above the other at the left,
    // the slope's slider beside the slope, the frequency's slider over the whole height at the
    // right.
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(QMargins());
    grid->setHorizontalSpacing(dluX(1));
    grid->setVerticalSpacing(dluY(3));
    auto button = [&](const QString& caption, int row) {
        auto* face = new TwoStateButton(caption, group);
        face->setMinimumSize(dluX(kCrossoverButtonWidth), dluY(13));
        face->setColours(released, pressed);
        face->setTextColours(Qt::black, Qt::white);
        grid->addWidget(face, row, 0, 1, 2);
        return face;
    };
    c.butterworth = button(tr("BTWorth"), 0);
    c.linkwitzRiley = button(QStringLiteral("L__R"), 1);
    c.bessel = button(tr("Bessel"), 2);
    new ChoiceConnection(values, kind,
                         {{c.butterworth, Filter::kButterworth},
                          {c.linkwitzRiley, Filter::kLinkwitzRiley},
                          {c.bessel, Filter::kBessel}});

    c.slopeEdit = addEdit(22);
    c.slopeFader = addFader(kSlopeFaderHeight, pressed);
    grid->setRowMinimumHeight(3, dluY(6));
    grid->addWidget(c.slopeEdit, 4, 0, Qt::AlignTop);
    grid->addWidget(addLabel(QStringLiteral("dB")), 4, 1, Qt::AlignTop);
    grid->addWidget(c.slopeFader, 4, 2);
    grid->setRowStretch(5, 1);
    new EditConnection(values, slope, c.slopeEdit, kCrossoverSlopeEntry);
    new FaderConnection(values, slope, c.slopeFader,
                        FaderConnection::Inverted(kCrossoverSlopeEntry.max));

    c.frequencyEdit = addEdit(36);
    c.frequencyFader = addFader(kFrequencyFaderHeight, pressed);
    grid->addWidget(c.frequencyEdit, 6, 0);
    grid->addWidget(addLabel(QStringLiteral("Hz")), 6, 1);
    grid->addWidget(c.frequencyFader, 0, 3, 7, 1);
    new EditConnection(values, frequency, c.frequencyEdit,
                       highPass ? kHighPassFrequencyEntry : kLowPassFrequencyEntry);
    new FaderConnection(values, frequency, c.frequencyFader, FaderConnection::Frequency());
    return c;
}

OutputChannelEditor::LimiterControls OutputChannelEditor::addLimiterColumn(
    QHBoxLayout* row, const QString& caption, const QString& unit, int width, ParameterField field,
    const DisplayKindSettings& entry, std::function<bool()> enabled, const QString& widest) {
    auto* group = addGroup(caption);
    row->addWidget(group);
    // The value box, its unit under it, the slider under both.
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(QMargins());
    column->setSpacing(dluY(2));
    const auto key = keyOf(field);
    std::vector<ParameterConnection*> connections;
    LimiterControls c;
    c.edit = addEdit(width - 8, widest);
    column->addWidget(c.edit, 0, Qt::AlignHCenter);
    if (!unit.isEmpty()) {
        QLabel* unitLabel = addLabel(unit, Qt::AlignCenter);
        column->addWidget(unitLabel);
        connections.push_back(new LabelConnection(store(), key, unitLabel));
    } else {
        column->addSpacing(dluY(2) + fontMetrics().height());
    }
    column->addSpacing(dluY(2));
    c.fader = addFader(kLimiterFaderHeight, kLimiterAccent);
    column->addWidget(c.fader, 1, Qt::AlignHCenter);
    if (entry.kind != kKindOwnerText)
        connections.push_back(new EditConnection(store(), key, c.edit, entry));
    connections.push_back(
        new FaderConnection(store(), key, c.fader, FaderConnection::Inverted(entry.max)));
    if (enabled) {
        for (ParameterConnection* connection : connections)
            connection->setEnabledWhen(enabled);
    }
    return c;
}

void OutputChannelEditor::channelSelected() {
    CorrectLimitInAuto(record());
}

OutputChannel& OutputChannelEditor::record() const {
    return container().output(channel());
}

QString OutputChannelEditor::captionOf(int index) const {
    const std::string_view heading = DeviceModelOf(container().deviceType()).OutputHeading(index);
    return QString::fromLatin1(heading.data(), static_cast<qsizetype>(heading.size()));
}
