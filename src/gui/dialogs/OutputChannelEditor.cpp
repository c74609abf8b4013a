#include "gui/dialogs/OutputChannelEditor.h"

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

OutputChannelEditor::OutputChannelEditor(ProgramContainer& data, QWidget* owner)
    : ChannelEditor(data, owner, /*output=*/true) {
    const DeviceModel& model = DeviceModelOf(data.deviceType());
    EditorBinding& b = binding();
    int x = kMargin;

    // ---- In Source ----
    auto* sources =
        addGroup(this, QStringLiteral("In Source"), x, kGroupTop, kSourceWidth, kGroupHeight);
    const EditorBinding::FieldId mix = b.addField({
        .name = QStringLiteral("mix"),
        .shown = [this] { return int(record().mix()); },
        .write = [this](int mask) { return SetMix(record(), mask); },
    });
    for (int i = 0; i < model.inputs; ++i) {
        const int y = 16 + 20 * i;
        addLabel(sources, QStringLiteral("IN %1").arg(i + 1), 4, y, 18, 14);
        auto* toggle = new TwoStateButton(sources);
        toggle->setGeometry(DluRect(22, y, 24, 14));
        toggle->setColours(kSourceOn, kSourceOff);
        toggle->setTextColours(Qt::white, Qt::white);
        m_sources[static_cast<std::size_t>(i)] = toggle;
        b.bindBit(mix, toggle, i, QStringLiteral("ON"), QStringLiteral("OFF"));
    }
    x += kSourceWidth + kGap;

    // ---- Delay ----
    auto* delay =
        addGroup(this, QStringLiteral("Delay"), x, kGroupTop, kDelayGroupWidth, kGroupHeight);
    m_delay = addDelayControls(delay, QStringLiteral("Ms"), QString(),
                               [this]() -> Channel& { return record(); });
    x += kDelayGroupWidth + kGap;

    // ---- Crossovers ----
    for (bool highPass : {true, false}) {
        auto* group = addGroup(this, highPass ? QStringLiteral("HPF") : QStringLiteral("LPF"), x,
                               kGroupTop, kCrossoverWidth, kGroupHeight);
        (highPass ? m_highPass : m_lowPass) = addCrossover(group, highPass);
        x += kCrossoverWidth + kGap;
    }

    // ---- Limiter ----
    const EditorBinding::FieldId threshold = b.addField({
        .name = QStringLiteral("threshold"),
        .shown = [this] { return record().threshold(); },
        .write = [this](int index) { return SetLimiterThreshold(record(), index); },
    });
    m_threshold = addLimiterColumn(x, QStringLiteral("Threshold"), QStringLiteral("dBu"),
                                   kLimiterWidth, threshold, kLimiterThresholdEntry);
    m_threshold.fader->setKeySteps(kLevelKeys);
    x += kLimiterWidth + kGap;

    auto manualTiming = [this] { return LimiterViewOf(record()).manualTiming; };
    const EditorBinding::FieldId attack = b.addField({
        .name = QStringLiteral("attack"),
        .shown = [this] { return LimiterViewOf(record()).attack; },
        .write = [this](int index) { return SetAttack(record(), index); },
        .enabled = manualTiming,
    });
    m_attack = addLimiterColumn(x, QStringLiteral("Attack"), QStringLiteral("Ms"), kLimiterWidth,
                                attack, kAttackEntry);
    x += kLimiterWidth + kGap;

    const EditorBinding::FieldId release = b.addField({
        .name = QStringLiteral("release"),
        .shown = [this] { return LimiterViewOf(record()).release; },
        .write = [this](int index) { return SetRelease(record(), index); },
        .enabled = manualTiming,
    });
    m_release = addLimiterColumn(x, QStringLiteral("Release"), QString(), kReleaseWidth, release,
                                 kReleaseDisplay);
    b.bindText(release, m_release.edit, [this] {
        const LimiterView view = LimiterViewOf(record());
        return QString::fromStdString(ComposedReleaseText(view.release, view.attack));
    });
    x += kReleaseWidth + kGap;

    if (model.hasFullDynamics) {
        auto compressorSettings = [this] { return LimiterViewOf(record()).compressorSettings; };
        const EditorBinding::FieldId clip = b.addField({
            .name = QStringLiteral("clipLimit"),
            .shown = [this] { return record().clipLimit(); },
            .write = [this](int index) { return SetClipLimit(record(), index); },
            .enabled = compressorSettings,
        });
        m_clipLimit = addLimiterColumn(x, QStringLiteral("Clip Limit"), QString(), kLimiterWidth,
                                       clip, kClipLimitEntry);
        m_clipLimit.fader->setKeySteps(kLevelKeys);
        x += kLimiterWidth + kGap;

        const EditorBinding::FieldId ratio = b.addField({
            .name = QStringLiteral("ratio"),
            .shown = [this] { return record().ratio(); },
            .write = [this](int index) { return SetRatio(record(), index); },
            .enabled = compressorSettings,
        });
        m_ratio = addLimiterColumn(x, QStringLiteral("Ratio"), QString(), kRatioWidth, ratio,
                                   kRatioEntry);
        x += kRatioWidth + kGap;

        auto* compress =
            addGroup(this, QStringLiteral("Compress"), x, kGroupTop, kModeWidth, kModeGroupHeight);
        const EditorBinding::FieldId mode = b.addField({
            .name = QStringLiteral("dynamicsMode"),
            .shown = [this] { return record().dynamicsMode(); },
            .write = [this](int value) { return SetDynamicsMode(record(), value); },
            .enabled = compressorSettings,
        });
        m_manual = addRadio(compress, QStringLiteral("Manual"), 6, 16, 52, 12);
        m_auto = addRadio(compress, QStringLiteral("Auto"), 6, 34, 52, 12);
        b.bindRadios(mode,
                     {{m_manual, OutputChannel::kModeManual}, {m_auto, OutputChannel::kModeAuto}});

        auto* type =
            addGroup(this, QStringLiteral("Mode"), x, kGroupTop + kGroupHeight - kModeGroupHeight,
                     kModeWidth, kModeGroupHeight);
        const EditorBinding::FieldId dynamicsType = b.addField({
            .name = QStringLiteral("dynamicsType"),
            .shown = [this] { return record().dynamicsType(); },
            .write = [this](int value) { return SetDynamicsType(record(), value); },
        });
        m_limit = addRadio(type, QStringLiteral("Limit"), 6, 16, 52, 12);
        m_compressor = addRadio(type, QStringLiteral("Compressor"), 6, 34, 54, 12);
        b.bindRadios(dynamicsType, {{m_limit, OutputChannel::kDynamicsLimit},
                                    {m_compressor, OutputChannel::kDynamicsCompressor}});
        x += kModeWidth + kGap;
    }
    finishLayout(QSize(x - kGap + kMargin, kGroupTop + kGroupHeight + kMargin));
}

OutputChannelEditor::CrossoverControls OutputChannelEditor::addCrossover(QWidget* group,
                                                                         bool highPass) {
    EditorBinding& b = binding();
    const Crossover which = highPass ? Crossover::HighPass : Crossover::LowPass;
    const QString prefix = highPass ? QStringLiteral("highPass.") : QStringLiteral("lowPass.");
    auto filter = [this, highPass]() -> Filter& {
        return highPass ? record().highPass() : record().lowPass();
    };
    CrossoverControls c;

    const EditorBinding::FieldId kind = b.addField({
        .name = prefix + QStringLiteral("kind"),
        .shown = [filter] { return filter().kind(); },
        .write = [this, which](int v) { return SetCrossoverKind(record(), which, v); },
    });
    const QColor released = highPass ? kHighPassReleased : kLowPassReleased;
    const QColor pressed = highPass ? kHighPassPressed : kLowPassPressed;
    auto button = [&](const QString& caption, int y) {
        auto* face = new TwoStateButton(caption, group);
        face->setGeometry(DluRect(4, y, 40, 13));
        face->setColours(released, pressed);
        face->setTextColours(Qt::black, Qt::white);
        return face;
    };
    c.butterworth = button(QStringLiteral("BTWorth"), 14);
    c.linkwitzRiley = button(QStringLiteral("L__R"), 30);
    c.bessel = button(QStringLiteral("Bessel"), 46);
    b.bindPressed(kind, {{c.butterworth, Filter::kButterworth},
                         {c.linkwitzRiley, Filter::kLinkwitzRiley},
                         {c.bessel, Filter::kBessel}});

    const EditorBinding::FieldId slope = b.addField({
        .name = prefix + QStringLiteral("slope"),
        .shown = [filter] { return filter().slope(); },
        .write = [this, which](int v) { return SetCrossoverSlope(record(), which, v); },
    });
    c.slopeEdit = addEdit(group, 4, 70, 22, 12);
    addLabel(group, QStringLiteral("dB"), 28, 70, 14, 12);
    c.slopeFader = addFader(group, 50, 62, 14, 44, pressed);
    b.bindEdit(slope, c.slopeEdit, kCrossoverSlopeEntry);
    b.bindFader(slope, c.slopeFader, kCrossoverSlopeEntry.max);

    const EditorBinding::FieldId frequency = b.addField({
        .name = prefix + QStringLiteral("frequency"),
        .shown = [filter] { return filter().frequency(); },
        .write = [this, which](int hz) { return SetCrossoverFrequency(record(), which, hz); },
    });
    c.frequencyEdit = addEdit(group, 4, 124, 36, 12);
    addLabel(group, QStringLiteral("Hz"), 42, 124, 12, 12);
    c.frequencyFader = addFader(group, 76, 12, 14, 132, pressed);
    b.bindEdit(frequency, c.frequencyEdit,
               highPass ? kHighPassFrequencyEntry : kLowPassFrequencyEntry);
    b.bindFrequencyFader(frequency, c.frequencyFader);
    return c;
}

OutputChannelEditor::LimiterControls
OutputChannelEditor::addLimiterColumn(int x, const QString& caption, const QString& unit, int width,
                                      EditorBinding::FieldId field,
                                      const DisplayKindSettings& entry) {
    auto* group = addGroup(this, caption, x, kGroupTop, width, kGroupHeight);
    LimiterControls c;
    c.edit = addEdit(group, 4, 14, width - 8, 12);
    if (!unit.isEmpty())
        binding().bindEnabled(field, addLabel(group, unit, 4, 28, width - 8, 10, Qt::AlignCenter));
    c.fader = addFader(group, (width - 14) / 2, 42, 14, 102, kLimiterAccent);
    if (entry.kind != kKindOwnerText)
        binding().bindEdit(field, c.edit, entry);
    binding().bindFader(field, c.fader, entry.max);
    return c;
}

void OutputChannelEditor::channelSelected() {
    CorrectLimitInAuto(record());
}

void OutputChannelEditor::filterDragged(int position) {
    if (position == OutputChannel::kHighPassPosition || position == OutputChannel::kLowPassPosition)
        binding().refresh();
}

OutputChannel& OutputChannelEditor::record() const {
    return container().output(channel());
}

QString OutputChannelEditor::captionOf(int index) const {
    const std::string_view heading = DeviceModelOf(container().deviceType()).OutputHeading(index);
    return QString::fromLatin1(heading.data(), static_cast<qsizetype>(heading.size()));
}
