// The operator's texts in Simplified Chinese: the embedded catalogue is found for --language and
// for a Chinese system locale, the tool dialogs show its texts, and English comes back unchanged
// when it is picked again.

#include "ControllerFixture.h"
#include "GuiTestSupport.h"

#include "gui/dialogs/ChannelNamesDialog.h"
#include "gui/dialogs/ConnectDialog.h"
#include "gui/dialogs/CopyChannelDialog.h"
#include "gui/dialogs/DeviceIdDialog.h"
#include "gui/dialogs/InterfaceSettingsDialog.h"
#include "gui/shell/Application.h"
#include "gui/support/Translations.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(std::function<QDialog*(UnitController&)>)

namespace {

using MakeDialog = std::function<QDialog*(UnitController&)>;

using ControllerFixture = guitest::ControllerFixture<>;

// The captions, labels, buttons and group titles of a dialog, its title first.
QStringList ShownTexts(const QDialog& dialog) {
    QStringList texts{dialog.windowTitle()};
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        texts << button->text();
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        texts << group->title();
    texts.removeAll(QString());
    return texts;
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Translations::Install(QStringLiteral("en")); }
    void theOptionOffersEveryEmbeddedCatalogue();
    void aChineseSystemLocalePicksTheCatalogue();
    void dialogsShowChineseTexts_data();
    void dialogsShowChineseTexts();
};

void TranslationTest::theOptionOffersEveryEmbeddedCatalogue() {
    QStringList embedded = Translations::Languages();
    QStringList offered = Application::kLanguages;
    embedded.sort();
    offered.sort();
    QCOMPARE(embedded, offered);
    QCOMPARE(Translations::Install(QStringLiteral("zh_CN")), QStringLiteral("zh_CN"));
    QCOMPARE(Translations::Install(QStringLiteral("en")), QStringLiteral("en"));
}

void TranslationTest::aChineseSystemLocalePicksTheCatalogue() {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString chinese = Translations::Install(QString());
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString french = Translations::Install(QString());
    QLocale::setDefault(before);
    QCOMPARE(chinese, QStringLiteral("zh_CN"));
    QCOMPARE(french, QStringLiteral("en"));
}

void TranslationTest::dialogsShowChineseTexts_data() {
    QTest::addColumn<MakeDialog>("make");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("connect") << MakeDialog([](UnitController& c) -> QDialog* {
        return new ConnectDialog(c, "", nullptr, [] { return PortEntryList{}; });
    }) << "Connect"
                             << "连接";
    QTest::newRow("device ID") << MakeDialog([](UnitController&) -> QDialog* {
        return new DeviceIdDialog(1, {1, 2});
    }) << "Device"
                               << "设备";
    QTest::newRow("channel names")
        << MakeDialog([](UnitController& c) -> QDialog* { return new ChannelNamesDialog(c); })
        << "Ch Setup"
        << "通道设置";
    QTest::newRow("copy channel") << MakeDialog([](UnitController& c) -> QDialog* {
        return new CopyChannelDialog(c);
    }) << "Copy"
                                  << "复制";
    QTest::newRow("interface settings")
        << MakeDialog([](UnitController& c) -> QDialog* { return new InterfaceSettingsDialog(c); })
        << "Interface"
        << "面板";
}

void TranslationTest::dialogsShowChineseTexts() {
    QFETCH(MakeDialog, make);
    QFETCH(QString, english);
    QFETCH(QString, chinese);
    // An English word left in a caption, label, button or group title: lower-case letters
    // ("ID" and the channels' tags, "CHA", "OUT1", stay as they are).
    const QRegularExpression englishWord(QStringLiteral("[A-Za-z][a-z]{2,}"));
    ControllerFixture f;

    Translations::Install(QStringLiteral("zh_CN"));
    std::unique_ptr<QDialog> translated(make(f.controller));
    QCOMPARE(translated->windowTitle(), chinese);
    for (const QString& text : ShownTexts(*translated))
        QVERIFY2(!text.contains(englishWord), qPrintable(QStringLiteral("untranslated: ") + text));

    Translations::Install(QStringLiteral("en"));
    std::unique_ptr<QDialog> original(make(f.controller));
    QCOMPARE(original->windowTitle(), english);
}

TAVREL_GUI_TEST_MAIN(TranslationTest)
#include "translation_test.moc"
