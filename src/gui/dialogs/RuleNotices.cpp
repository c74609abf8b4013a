#include "gui/dialogs/RuleNotices.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <array>

using ChannelEditRules::Edit;

namespace {

// One rule's words: the field (its last part for a band's field) and the outcome it applies to.
// In the text, %1 is the channel, %2 the band ("EQ3"), %3 the value the field has now and %4 the
// input kept feeding the output ("IN 2").
struct Notice {
    const char* field;
    Edit edit;
    const char* text;
};

constexpr std::array<Notice, 13> kNotices{{
    {"hpf.freq", Edit::Corrected,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: HPF stops at the LPF, %3 Hz")},
    {"lpf.freq", Edit::Corrected,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: LPF stops at the HPF, %3 Hz")},
    {"freq", Edit::Corrected,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: %2 as a low shelf stops at %3 Hz")},
    {"type", Edit::Corrected,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: %2 lowered to 20000 Hz for a low shelf")},
    {"on", Edit::Refused,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: %2 stays off at 0.0 dB; set a gain first")},
    {"source", Edit::Refused,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: %4 stays on, an output needs a source")},
    {"limiter.attack", Edit::Refused,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: in Auto the unit sets the attack")},
    {"limiter.release", Edit::Refused,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: in Auto the unit sets the release")},
    {"limiter.mode", Edit::Refused,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: Manual/Auto is for the Compressor")},
    {"limiter.clip", Edit::Refused,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: the clip limit is for the Compressor")},
    {"limiter.ratio", Edit::Refused,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: the ratio is for the Compressor")},
    {"", Edit::Corrected,
     QT_TRANSLATE_NOOP("RuleNotices", "%1: limited to what the settings allow")},
    {"", Edit::Refused, QT_TRANSLATE_NOOP("RuleNotices", "%1: not possible with these settings")},
}};

} // namespace

QString RuleNotice(const QString& channel, const QString& field, int, int after, Edit edit) {
    if (edit != Edit::Corrected && edit != Edit::Refused)
        return {};
    // A band's field: "eq.3.freq" is the frequency of EQ3.
    static const QRegularExpression bandField(QStringLiteral("^eq\\.(\\d+)\\.(.+)$"));
    const QRegularExpressionMatch band = bandField.match(field);
    // An output's source: "source.B" says whether input B feeds it.
    static const QRegularExpression sourceField(QStringLiteral("^source\\.([A-D])$"));
    const QRegularExpressionMatch source = sourceField.match(field);
    const QString name = band.hasMatch()     ? band.captured(2)
                         : source.hasMatch() ? QStringLiteral("source")
                                             : field;
    const QString bandLabel = band.hasMatch() ? QStringLiteral("EQ") + band.captured(1) : QString();
    const QString input =
        source.hasMatch()
            ? QStringLiteral("IN %1").arg(source.captured(1).at(0).unicode() - u'A' + 1)
            : QString();
    for (const Notice& n : kNotices) {
        if (n.edit != edit || (n.field[0] != '\0' && name != QLatin1String(n.field)))
            continue;
        // A band's frequency is only ever limited by the low shelf's top.
        if (name == QLatin1String("freq") && !band.hasMatch())
            continue;
        // Each placeholder by its number (arg() would fill the lowest ones present in turn).
        QString text = QCoreApplication::translate("RuleNotices", n.text);
        text.replace(QLatin1String("%1"), channel);
        text.replace(QLatin1String("%2"), bandLabel);
        text.replace(QLatin1String("%3"), QString::number(after));
        text.replace(QLatin1String("%4"), input);
        return text;
    }
    return {};
}
