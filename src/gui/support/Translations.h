#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// The languages of the operator's texts: English, written in the code, and the catalogues the
// build embeds (":/i18n/tavrel_LANG.qm").
namespace Translations {

// The languages --language accepts: "en" and every embedded catalogue's language.
QStringList Languages();

// Shows the program's texts in `language` ("zh_CN", "en"); an empty name picks the system
// locale's language, English where no catalogue matches it. Returns the language installed.
// Replaces a translation installed before, so tests can switch languages.
QString Install(const QString& language);

} // namespace Translations
