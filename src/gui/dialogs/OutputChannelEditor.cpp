#include "gui/dialogs/OutputChannelEditor.h"

#include "gui/dialogs/ParameterConnections.h"
#include "gui/support/DialogUnits.h"
#include "gui/widgets/CaptionedGroup.h"
#include "gui/widgets/ControlMath.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "model/ChannelEditRules.h"
#include "model/ProgramContainer.h"

#include <QLabel>
#include <QRadioButton>

using namespace ChannelEditRules;

namespace {

// Layout in dialog units: groups side by side, all of one height.
constexpr int kMargin = 4;
constexpr int kGap = 3;
constexpr int kGroupTop = 2;
constexpr int kGroupHeight = 150;
constexpr int kSourceWidth = 50;
constexpr int kCrossoverWidth = 94;
constexpr int kLimiterWidth = 46;
constexpr int kReleaseWidth = 68; // "32X (3200ms)" whole
constexpr int kRatioWidth = 54;   // "1:maximum" whole
constexpr int kModeWidth = 62;
constexpr int kModeGroupHeight = 72;

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
    int x = kMargin;

    // ---- In Source ----
    auto* sources = addGroup(this, tr("In Source"), x, kGroupTop, kSourceWidth, kGroupHeight);
    for (int i = 0; i < model.inputs; ++i) {
        const int y = 16 + 20 * i;
        addLabel(sources, QStringLiteral("IN %1").arg(i + 1), 4, y, 18, 14);
        auto* toggle = new TwoStateButton(sources);
        toggle->setGeometry(DluRect(22, y, 24, 14));
        toggle->setColours(kSourceOn, kSourceOff);
        toggle->setTextColours(Qt::white, Qt::white);
        m_sources[static_cast<std::size_t>(i)] = toggle;
        new SwitchConnection(
            store, [this, i] { return SourceKey(channel(), i); }, toggle, QStringLiteral("ON"),
            QStringLiteral("OFF"));
    }
    x += kSourceWidth + kGap;

    // ---- Delay ----
    auto* delay = addGroup(this, tr("Delay"), x, kGroupTop, kDelayGroupWidth, kGroupHeight);
    m_delay = addDelayControls(delay, QStringLiteral("Ms"), QString());
    x += kDelayGroupWidth + kGap;

    // ---- Crossovers ----
    for (bool highPass : {true, false}) {
        auto* group = addGroup(this, highPass ? QStringLiteral("HPF") : QStringLiteral("LPF"), x,
                               kGroupTop, kCrossoverWidth, kGroupHeight);
        (highPass ? m_highPass : m_lowPass) = addCrossover(group, highPass);
        x += kCrossoverWidth + kGap;
    }

    // ---- Limiter ----
    m_threshold = addLimiterColumn(x, tr("Threshold"), QStringLiteral("dBu"), kLimiterWidth,
                                   ParameterField::LimiterThreshold, kLimiterThresholdEntry);
    m_threshold.fader->setKeySteps(kLevelKeys);
    x += kLimiterWidth + kGap;

    auto manualTiming = [this] { return LimiterViewOf(record()).manualTiming; };
    m_attack = addLimiterColumn(x, tr("Attack"), QStringLiteral("Ms"), kLimiterWidth,
                                ParameterField::Attack, kAttackEntry, manualTiming);
    x += kLimiterWidth + kGap;

    m_release = addLimiterColumn(x, tr("Release"), QString(), kReleaseWidth,
                                 ParameterField::Release, kReleaseDisplay, manualTiming);
    // The release is shown with the time it stands for at the attack set ("32X (3200ms)").
    (new TextConnection(store, keyOf(ParameterField::Release), m_release.edit, [this] {
        const LimiterView view = LimiterViewOf(record());
        return QString::fromStdString(ComposedReleaseText(view.release, view.attack));
    }))->setEnabledWhen(manualTiming);
    x += kReleaseWidth + kGap;

    if (model.hasFullDynamics) {
        auto compressorSettings = [this] { return LimiterViewOf(record()).compressorSettings; };
        m_clipLimit =
            addLimiterColumn(x, tr("Clip Limit"), QString(), kLimiterWidth,
                             ParameterField::ClipLimit, kClipLimitEntry, compressorSettings);
        m_clipLimit.fader->setKeySteps(kLevelKeys);
        x += kLimiterWidth + kGap;

        m_ratio = addLimiterColumn(x, tr("Ratio"), QString(), kRatioWidth, ParameterField::Ratio,
                                   kRatioEntry, compressorSettings);
        x += kRatioWidth + kGap;

        auto* compress = addGroup(this, tr("Compress"), x, kGroupTop, kModeWidth, kModeGroupHeight);
        m_manual = addRadio(compress, tr("Manual"), 6, 16, 52, 12);
        m_auto = addRadio(compress, tr("Auto"), 6, 34, 52, 12);
        (new ChoiceConnection(
             store, keyOf(ParameterField::DynamicsMode),
             {{m_manual, OutputChannel::kModeManual}, {m_auto, OutputChannel::kModeAuto}}))
            ->setEnabledWhen(compressorSettings);

        auto* type = addGroup(this, tr("Mode"), x, kGroupTop + kGroupHeight - kModeGroupHeight,
                              kModeWidth, kModeGroupHeight);
        m_limit = addRadio(type, tr("Limit"), 6, 16, 52, 12);
        m_compressor = addRadio(type, tr("Compressor"), 6, 34, 54, 12);
        new ChoiceConnection(store, keyOf(ParameterField::DynamicsType),
                             {{m_limit, OutputChannel::kDynamicsLimit},
                              {m_compressor, OutputChannel::kDynamicsCompressor}});
        x += kModeWidth + kGap;
    }
    finishLayout(QSize(x - kGap + kMargin, kGroupTop + kGroupHeight + kMargin));
}

OutputChannelEditor::CrossoverControls OutputChannelEditor::addCrossover(QWidget* group,
                                                                         bool highPass) {
    ParameterStore& values = store();
    using F = ParameterField;
    const auto kind = keyOf(highPass ? F::HighPassKind : F::LowPassKind);
    const auto slope = keyOf(highPass ? F::HighPassSlope : F::LowPassSlope);
    const auto frequency = keyOf(highPass ? F::HighPassFrequency : F::LowPassFrequency);
    CrossoverControls c;

    const QColor released = highPass ? kHighPassReleased : kLowPassReleased;
    const QColor pressed = highPass ? kHighPassPressed : kLowPassPressed;
    auto button = [&](const QString& caption, int y) {
        auto* face = new TwoStateButton(caption, group);
        face->setGeometry(DluRect(4, y, 40, 13));
        face->setColours(released, pressed);
        face->setTextColours(Qt::black, Qt::white);
        return face;
    };
    c.butterworth = button(tr("BTWorth"), 14);
    c.linkwitzRiley = button(QStringLiteral("L__R"), 30);
    c.bessel = button(tr("Bessel"), 46);
    new ChoiceConnection(values, kind,
                         {{c.butterworth, Filter::kButterworth},
                          {c.linkwitzRiley, Filter::kLinkwitzRiley},
                          {c.bessel, Filter::kBessel}});

    c.slopeEdit = addEdit(group, 4, 70, 22, 12);
    addLabel(group, QStringLiteral("dB"), 28, 70, 14, 12);
    c.slopeFader = addFader(group, 50, 62, 14, 44, pressed);
    new EditConnection(values, slope, c.slopeEdit, kCrossoverSlopeEntry);
    new FaderConnection(values, slope, c.slopeFader,
                        FaderConnection::Inverted(kCrossoverSlopeEntry.max));

    c.frequencyEdit = addEdit(group, 4, 124, 36, 12);
    addLabel(group, QStringLiteral("Hz"), 42, 124, 12, 12);
    c.frequencyFader = addFader(group, 76, 12, 14, 132, pressed);
    new EditConnection(values, frequency, c.frequencyEdit,
                       highPass ? kHighPassFrequencyEntry : kLowPassFrequencyEntry);
    new FaderConnection(values, frequency, c.frequencyFader, FaderConnection::Frequency());
    return c;
}

OutputChannelEditor::LimiterControls
OutputChannelEditor::addLimiterColumn(int x, const QString& caption, const QString& unit, int width,
                                      ParameterField field, const DisplayKindSettings& entry,
                                      std::function<bool()> enabled) {
    auto* group = addGroup(this, caption, x, kGroupTop, width, kGroupHeight);
    const auto key = keyOf(field);
    std::vector<ParameterConnection*> connections;
    LimiterControls c;
    c.edit = addEdit(group, 4, 14, width - 8, 12);
    if (!unit.isEmpty())
        connections.push_back(new LabelConnection(
            store(), key, addLabel(group, unit, 4, 28, width - 8, 10, Qt::AlignCenter)));
    c.fader = addFader(group, (width - 14) / 2, 42, 14, 102, kLimiterAccent);
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
