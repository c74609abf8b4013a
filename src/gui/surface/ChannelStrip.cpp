#include "gui/surface/ChannelStrip.h"

#include "gui/support/DialogUnits.h"
#include "gui/surface/SurfaceButtons.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/LevelMeter.h"
#include "gui/widgets/TwoStateButton.h"
#include "gui/widgets/ValueEdit.h"
#include "model/ProgramContainer.h"

#include <QCoreApplication>
#include <QLabel>

namespace {

QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Polarity: the normal state is a plain light button with dark text (red text read as an
// alarm); the inverted state stands out in amber with dark text (a grey face read as disabled).
const QColor kPolarityNormalFace(207, 207, 215);
const QColor kPolarityNormalText(24, 24, 28);
const QColor kPolarityInvertFace(255, 170, 0);
const QColor kPolarityInvertText(24, 24, 28);

constexpr int kGainEditKind = 10; // index x step - offset, "%0.1f"
constexpr double kGainStep = 0.1;
constexpr int kGainStepsPerDb = 10;
// A key press moves a gain fader by one 0.1 dB step, or by 1 dB for a page; Home and End stay
// still. Jumping a level across its range in one press can blow loudspeakers.
constexpr controlmath::KeySteps kGainFaderKeys = controlmath::LevelKeySteps(kGainStepsPerDb);
constexpr int kNameLabelPixels = 13; // at the form's natural size, as the fader's parts below
constexpr QMargins kFaderMargins(4, 0, 0, 2);

const StripSide kInputSide{
    .output = false,
    .historyName = "in",
    .gainMax = &DeviceModel::inputGainMax,
    .label = &DeviceModel::InputLabel,
    .muteRow = &StripRows::muteInputs,
    .channelEditor = EditorKind::InputChannel,
    .equalizerEditor = EditorKind::InputEqualizer,
    .record = [](ProgramContainer& program, int channel) -> Channel& {
        return program.input(channel);
    },
};

const StripSide kOutputSide{
    .output = true,
    .historyName = "out",
    .gainMax = &DeviceModel::outputGainMax,
    .label = &DeviceModel::OutputLabel,
    .muteRow = &StripRows::muteOutputs,
    .channelEditor = EditorKind::OutputChannel,
    .equalizerEditor = EditorKind::OutputEqualizer,
    .record = [](ProgramContainer& program, int channel) -> Channel& {
        return program.output(channel);
    },
};

} // namespace

const StripSide& InputStripSide() {
    return kInputSide;
}

const StripSide& OutputStripSide() {
    return kOutputSide;
}

ChannelStrip::ChannelStrip(const StripSide& side, int channel, const SurfaceLayout& layout, int x,
                           QWidget& surface, const Place& place)
    : QObject(&surface), output(side.output), channel(channel), gainMax(layout.model.*side.gainMax),
      m_side(side), m_layout(layout) {
    const StripRows& rows = layout.rows;
    name = new TwoStateButton(&surface);
    place(name, {x, rows.name, 42, 14});
    polarity = new TwoStateButton(&surface);
    place(polarity, {x, rows.polarity, 42, 14});
    eq = new CurvePictureButton(CurvePictureButton::Picture::Bell, &surface);
    place(eq, {x + 1, rows.eq, 40, 14});
    channelEditor = new CurvePictureButton(CurvePictureButton::Picture::Slopes, &surface);
    place(channelEditor, {x + 1, rows.channel, 40, 14});
    gain = new ValueEdit(&surface);
    place(gain, {x, rows.gainEdit, 42, 14});
    meter = new LevelMeter(&surface);
    place(meter, {x + 3, rows.meter, 12, 75});
    fader = new Fader(&surface);
    place(fader, {x + 24, rows.fader, 17, 96});
    mute = new MuteLampButton(&surface);
    place(mute, {x + 1, rows.*side.muteRow, 15, 14});
    nameLabel = new QLabel(&surface);
    place(nameLabel, {x, rows.nameLabel, 42, 10});

    const QString prefix = QStringLiteral("%1%2.").arg(side.historyName).arg(channel + 1);
    const std::pair<QWidget*, const char*> parts[] = {
        {name, "name"},      {polarity, "polarity"}, {eq, "eq"},       {channelEditor, "channel"},
        {gain, "gain"},      {meter, "meter"},       {fader, "fader"}, {mute, "mute"},
        {nameLabel, "label"}};
    for (const auto& [widget, part] : parts)
        widget->setObjectName(prefix + QLatin1String(part));

    // What each button of the strip does, named with the channel. The strips' texts are
    // translated with the rest of the surface's ("ControlSurface").
    name->setToolTip(
        QCoreApplication::translate("ControlSurface", "Shows or hides the curve of %1 in the graph")
            .arg(label()));
    polarity->setToolTip(
        QCoreApplication::translate("ControlSurface", "Polarity of %1: normal or inverted")
            .arg(label()));
    eq->setToolTip(
        QCoreApplication::translate("ControlSurface", "Opens the equaliser of %1").arg(label()));
    channelEditor->setToolTip(
        QCoreApplication::translate("ControlSurface", "Opens the channel settings of %1")
            .arg(label()));

    connect(fader, &Fader::valueChanged, this, [this](int position) {
        const int value = GainOfFaderPosition(gainMax, position);
        gain->setValue(value);
        setGain(value);
    });
    connect(gain, &ValueEdit::committed, this, [this] {
        // value() takes any typed text first ("Out of Range" clamps it to the range).
        const int value = gain->value();
        fader->showValue(FaderPositionOfGain(gainMax, value));
        setGain(value);
    });
    connect(name, &QAbstractButton::clicked, this, [this] {
        // Only what the graph draws: never sent to the unit.
        record().setPresent(record().present() ? 0 : 1);
        refreshNameButton();
        emit curveChanged();
    });
    connect(polarity, &QAbstractButton::clicked, this, [this] {
        record().setPolarity(record().polarity() ? 0 : 1);
        showPolarity(record().polarity());
        emit curveChanged();
        emit edited(QStringLiteral("Polarity"));
    });
    connect(mute, &QAbstractButton::clicked, this, [this] {
        record().setOn(record().on() ? 0 : 1);
        mute->setSounding(record().on() != 0);
        emit edited(QStringLiteral("Mute"));
    });
    connect(channelEditor, &QAbstractButton::clicked, this,
            [this] { emit editorAsked(m_side.channelEditor); });
    connect(eq, &QAbstractButton::clicked, this,
            [this] { emit editorAsked(m_side.equalizerEditor); });
}

Channel& ChannelStrip::record() const {
    return m_side.record(*m_program, channel);
}

QString ChannelStrip::label() const {
    return Text((m_layout.model.*m_side.label)(channel));
}

std::vector<QWidget*> ChannelStrip::tabOrder() const {
    return {name, polarity, eq, channelEditor, gain, fader, mute};
}

void ChannelStrip::setUp() {
    fader->setRange(0, gainMax);
    fader->setKeySteps(kGainFaderKeys);

    gain->setRange(0, gainMax);
    gain->setStep(kGainStep);
    gain->setOffset(m_layout.model.GainDbOffset());
    gain->setUnit(QStringLiteral("dB"));
    gain->setKind(kGainEditKind);

    polarity->setColours(kPolarityNormalFace, kPolarityInvertFace);
    polarity->setTextColours(kPolarityNormalText, kPolarityInvertText);

    nameLabel->setAlignment(Qt::AlignCenter);
    QPalette palette = nameLabel->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    nameLabel->setPalette(palette);

    meter->setupGeometry();
}

void ChannelStrip::scale(const DialogUnitScale& units, const QFont& font) {
    QFont labelFont = font;
    labelFont.setPixelSize(units.Pixels(kNameLabelPixels));
    nameLabel->setFont(labelFont);
    fader->setThumbHeight(units.Pixels(Fader::kThumbHeight));
    fader->setMargins(
        QMargins(units.Pixels(kFaderMargins.left()), units.Pixels(kFaderMargins.top()),
                 units.Pixels(kFaderMargins.right()), units.Pixels(kFaderMargins.bottom())));
}

void ChannelStrip::refresh() {
    refreshNameLabel();
    const Channel& r = record();
    showPolarity(r.polarity());
    refreshNameButton();
    mute->setSounding(r.on() != 0);
    gain->setValue(r.gain());
    fader->showValue(FaderPositionOfGain(gainMax, r.gain()));
}

void ChannelStrip::refreshNameLabel() {
    nameLabel->setText(QString::fromLatin1(record().displayName().c_str()));
}

void ChannelStrip::showPolarity(int inverted) {
    polarity->setText(inverted ? QCoreApplication::translate("ControlSurface", "-Invert")
                               : QCoreApplication::translate("ControlSurface", "+Normal"));
    polarity->setState(inverted ? 0 : 1);
}

void ChannelStrip::refreshNameButton() {
    const Channel& r = record();
    const bool present = r.present() != 0;
    const CurveColour colour = r.curveColour();
    name->setColours(QColor(colour.r, colour.g, colour.b), Qt::black);
    name->setTextColours(Qt::black, Qt::white);
    name->setText(present ? label()
                          : QCoreApplication::translate("ControlSurface", kHiddenCaption));
    name->setState(present ? 1 : 0);
}

void ChannelStrip::setGain(int value) {
    // The record recomputes its curve and raises its change flag; the tick sends it.
    record().setGain(value);
    emit curveChanged();
    emit edited(QStringLiteral("Gain"));
}
