#include "gui/support/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

const QString kCatalogueFolder = QStringLiteral(":/i18n");
const QString kCataloguePrefix = QStringLiteral("tavrel_");
const QString kEnglish = QStringLiteral("en");

std::unique_ptr<QTranslator>& InstalledTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

namespace Translations {

QStringList Languages() {
    QStringList languages{kEnglish};
    const QStringList catalogues =
        QDir(kCatalogueFolder).entryList({kCataloguePrefix + QStringLiteral("*.qm")}, QDir::Files);
    for (const QString& file : catalogues)
        languages << file.mid(kCataloguePrefix.size()).chopped(3);
    return languages;
}

QString Install(const QString& language) {
    std::unique_ptr<QTranslator>& installed = InstalledTranslator();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language == kEnglish)
        return kEnglish;
    auto translator = std::make_unique<QTranslator>();
    // The default locale is the system's unless the program set another. QTranslator tries the
    // locale's names from the most to the least specific
    // ("tavrel_zh_Hans_CN", "tavrel_zh_CN", "tavrel_zh", ...).
    const QLocale locale = language.isEmpty() ? QLocale() : QLocale(language);
    if (!translator->load(locale, QStringLiteral("tavrel"), QStringLiteral("_"), kCatalogueFolder))
        return kEnglish;
    QCoreApplication::installTranslator(translator.get());
    const QString loaded = translator->language();
    installed = std::move(translator);
    return loaded.isEmpty() ? language : loaded;
}

} // namespace Translations
