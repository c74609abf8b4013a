#include "gui/dialogs/RuleNotices.h"

#include <QRegularExpression>

#include <array>
#include <bit>

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
    {"highPass.frequency", Edit::Corrected, "%1: HPF stops at the LPF, %3 Hz"},
    {"lowPass.frequency", Edit::Corrected, "%1: LPF stops at the HPF, %3 Hz"},
    {"frequency", Edit::Corrected, "%1: %2 as a low shelf stops at %3 Hz"},
    {"type", Edit::Corrected, "%1: %2 lowered to 20000 Hz for a low shelf"},
    {"on", Edit::Refused, "%1: %2 stays off at 0.0 dB; set a gain first"},
    {"mix", Edit::Refused, "%1: %4 stays on, an output needs a source"},
    {"attack", Edit::Refused, "%1: in Auto the unit sets the attack"},
    {"release", Edit::Refused, "%1: in Auto the unit sets the release"},
    {"dynamicsMode", Edit::Refused, "%1: Manual/Auto is for the Compressor"},
    {"clipLimit", Edit::Refused, "%1: the clip limit is for the Compressor"},
    {"ratio", Edit::Refused, "%1: the ratio is for the Compressor"},
    {"", Edit::Corrected, "%1: limited to what the settings allow"},
    {"", Edit::Refused, "%1: not possible with these settings"},
}};

} // namespace

QString RuleNotice(const QString& channel, const QString& field, int asked, int after, Edit edit) {
    if (edit != Edit::Corrected && edit != Edit::Refused)
        return {};
    // A band's field: "band3.frequency" is the frequency of EQ3.
    static const QRegularExpression bandField(QStringLiteral("^band(\\d+)\\.(.+)$"));
    const QRegularExpressionMatch band = bandField.match(field);
    const QString name = band.hasMatch() ? band.captured(2) : field;
    const QString bandLabel = band.hasMatch() ? QStringLiteral("EQ") + band.captured(1) : QString();
    // The input whose bit the operator tried to clear, of a mix refused.
    const unsigned cleared = static_cast<unsigned>(after) & ~static_cast<unsigned>(asked);
    const QString input = QStringLiteral("IN %1").arg(std::countr_zero(cleared | 0x100u) + 1);
    for (const Notice& n : kNotices) {
        if (n.edit != edit || (n.field[0] != '\0' && name != QLatin1String(n.field)))
            continue;
        // A band's frequency is only ever limited by the low shelf's top.
        if (name == QLatin1String("frequency") && !band.hasMatch())
            continue;
        // Each placeholder by its number (arg() would fill the lowest ones present in turn).
        QString text = QString::fromLatin1(n.text);
        text.replace(QLatin1String("%1"), channel);
        text.replace(QLatin1String("%2"), bandLabel);
        text.replace(QLatin1String("%3"), QString::number(after));
        text.replace(QLatin1String("%4"), input);
        return text;
    }
    return {};
}
