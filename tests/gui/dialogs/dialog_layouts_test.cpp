// Every tool dialog and channel editor of each model, in each language and at the desktop's font
// and twice that size (what a desktop at 200% gives the program): no caption, label, button or
// radio text is wider than the place it gets, and no part lies outside the widget that holds it.
//
// The larger desktop is the application font at twice its point size. That is what moves laid-out
// windows; a device pixel ratio alone (QT_SCALE_FACTOR) scales the finished window as a whole and
// leaves every layout as it was.

#include "GuiTestSupport.h"

#include "files/FilterTextFile.h"
#include "gui/dialogs/BusyDialog.h"
#include "gui/dialogs/ChannelEditor.h"
#include "gui/dialogs/ChannelNamesDialog.h"
#include "gui/dialogs/ConnectDialog.h"
#include "gui/dialogs/CopyChannelDialog.h"
#include "gui/dialogs/DeviceIdDialog.h"
#include "gui/dialogs/EqualizerImportDialog.h"
#include "gui/dialogs/InterfaceSettingsDialog.h"
#include "gui/dialogs/NetworkPortDialog.h"
#include "gui/dialogs/ParameterTableDialog.h"
#include "gui/dialogs/ProgramManagerDialog.h"
#include "gui/support/ParameterStore.h"
#include "gui/support/Translations.h"
#include "gui/surface/EditorSlots.h"
#include "gui/widgets/CaptionedGroup.h"
#include "gui/widgets/ResponseGraph.h"
#include "link/ProgramFileActions.h"
#include "link/ProgramManager.h"
#include "link/UnitController.h"
#include "model/DeviceModel.h"
#include "model/ProgramContainer.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

#include <functional>
#include <memory>
#include <utility>

namespace {

struct QuietView : IUnitView {};

class NoFiles : public IFileChooser {
public:
    std::optional<std::string> ChooseFile(const FileChoice&) override { return std::nullopt; }
};

// A unit controller of one model with what its dialogs are opened on, and the editor slots of a
// main window, which open the editors as the control surface does.
struct ModelFixture {
    explicit ModelFixture(int deviceType)
        : controller(deviceType, data, bank, view, &messages),
          editors(owner, graph, controller.Model(), store, {}) {
        store.setContainer(data, &controller);
        graph.setContainer(&data);
        graph.initialise();
    }
    ProgramContainer data;
    ProgramBank bank{};
    QuietView view;
    guitest::MessageRecorder messages;
    UnitController controller;
    ProgramFileActions files{controller, view, &messages};
    ProgramManager manager{controller, files, &messages};
    NoFiles chooser;
    QWidget owner; // the main window
    ResponseGraph graph{&owner};
    ParameterStore store;
    EditorSlots editors;
    std::unique_ptr<QWidget> dialog;
};

// Opens a window of the fixture's model; the fixture owns it.
using MakeWindow = std::function<QWidget*(ModelFixture&)>;

template <class Dialog, class... Arguments>
QWidget* Open(ModelFixture& f, Arguments&&... arguments) {
    f.dialog = std::make_unique<Dialog>(std::forward<Arguments>(arguments)...);
    return f.dialog.get();
}

MakeWindow EditorOf(EditorKind kind) {
    return [kind](ModelFixture& f) -> QWidget* { return f.editors.Open(kind, 0); };
}

// A filter text with every kind of row the import lists: taken, limited and not taken.
FilterText ImportedText() {
    FilterText text;
    std::string error;
    ParseFilterText("Preamp: -4 dB\n"
                    "Filter 1: ON PK Fc 100 Hz Gain -3 dB Q 2\n"
                    "Filter 2: OFF PK Fc 200 Hz Gain -3 dB Q 2\n"
                    "Filter 3: ON HP Fc 80 Hz\n",
                    "eq.txt", text, error);
    return text;
}

struct Window {
    const char* name;
    MakeWindow make;
};

// Every tool dialog and editor, as the operator opens them.
const std::vector<Window>& Windows() {
    static const std::vector<Window> windows{
        {"connect",
         [](ModelFixture& f) -> QWidget* {
             return Open<ConnectDialog>(f, f.controller, "", nullptr, [] {
                 PortEntryList list;
                 PortEntry port;
                 port.portName = port.devicePath = "/dev/ttyUSB0";
                 // Longer than the dialog is wide: shown cut, not widening the dialog.
                 port.description = "USB serial adapter, FT232R USB UART, serial number "
                                    "A10K3JQ7, on hub 1-1.4.2 port 3";
                 port.usb = true;
                 list.push_back(port);
                 return list;
             });
         }},
        {"device ID",
         [](ModelFixture& f) -> QWidget* {
             return Open<DeviceIdDialog>(f, 250, std::vector<int>{1, 17, 250});
         }},
        {"channel names",
         [](ModelFixture& f) -> QWidget* { return Open<ChannelNamesDialog>(f, f.controller); }},
        {"copy channel",
         [](ModelFixture& f) -> QWidget* {
             f.data.input(0).setName("Vocal 1");
             return Open<CopyChannelDialog>(f, f.controller);
         }},
        {"interface settings",
         [](ModelFixture& f) -> QWidget* {
             return Open<InterfaceSettingsDialog>(f, f.controller);
         }},
        {"program manager",
         [](ModelFixture& f) -> QWidget* {
             return Open<ProgramManagerDialog>(f, f.manager, f.chooser);
         }},
        {"data view",
         [](ModelFixture& f) -> QWidget* {
             return Open<ParameterTableDialog>(f, f.data, f.data.deviceType(), f.messages);
         }},
        {"busy",
         [](ModelFixture& f) -> QWidget* { return Open<BusyDialog>(f, [] { return true; }); }},
        {"busy with a transfer",
         [](ModelFixture& f) -> QWidget* {
             BusyDialog::TransferHooks hooks;
             hooks.progress = [] {
                 TransferProgress progress;
                 progress.kind = TransferKind::WriteAllPrograms;
                 progress.requestsDone = 400;
                 progress.requestsTotal = 900;
                 progress.memoryCount = 30;
                 progress.memoriesDone = 11;
                 progress.currentMemory = 12;
                 progress.remainingTicks = 480;
                 return std::optional<TransferProgress>(progress);
             };
             hooks.stop = [] { return true; };
             return Open<BusyDialog>(
                 f, [] { return true; }, nullptr, hooks);
         }},
        {"network port", [](ModelFixture& f) -> QWidget* { return Open<NetworkPortDialog>(f); }},
        {"EQ import",
         [](ModelFixture& f) -> QWidget* {
             return Open<EqualizerImportDialog>(f, ImportedText(), f.data, ChannelId{true, 0},
                                                QStringLiteral("eq.txt"), QStringLiteral("Out 1"),
                                                QColor(255, 200, 0));
         }},
        {"input editor", EditorOf(EditorKind::InputChannel)},
        {"output editor", EditorOf(EditorKind::OutputChannel)},
        {"input EQ editor", EditorOf(EditorKind::InputEqualizer)},
        {"output EQ editor", EditorOf(EditorKind::OutputEqualizer)},
    };
    return windows;
}

// A text as drawn: a single & marks the mnemonic and takes no room.
QString Drawn(QString text) {
    static const QRegularExpression mnemonic(QStringLiteral("&(?!&)"));
    return text.remove(mnemonic).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

int WidestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// The width a button's text is drawn in: beside the indicator of a radio button or check box,
// within the bevel of a push button.
int ButtonTextRoom(const QAbstractButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QRadioButton*>(&button) != nullptr)
        contents = QStyle::SE_RadioButtonContents;
    else if (qobject_cast<const QCheckBox*>(&button) != nullptr)
        contents = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QPushButton*>(&button) == nullptr)
        return button.contentsRect().width(); // a button that draws itself
    return button.style()->subElementRect(contents, &option, &button).width();
}

// The text a widget shows in one place and the width it has for it; no text for other widgets.
struct ShownText {
    QString text;
    int room = 0;
};

ShownText TextOf(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        // A wrapping label breaks its lines where it must; rich text is laid out by itself.
        if (label->wordWrap() || Qt::mightBeRichText(label->text()))
            return {};
        return {Drawn(label->text()), label->contentsRect().width() - 2 * label->margin()};
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return {Drawn(button->text()), ButtonTextRoom(*button)};
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget))
        return {Drawn(group->title()), group->width()};
    if (const auto* group = qobject_cast<const CaptionedGroup*>(&widget))
        return {group->caption(), group->width()};
    return {};
}

QString Describe(const QWidget& widget) {
    const QString name = widget.objectName();
    return QStringLiteral("%1%2").arg(QString::fromLatin1(widget.metaObject()->className()),
                                      name.isEmpty() ? QString() : QLatin1Char(' ') + name);
}

// Whether `widget` lies within a scroll area's viewport, where parts scroll out of view by design.
bool Scrolls(const QWidget& widget) {
    for (const QWidget* w = &widget; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(w->parentWidget());
        if (area != nullptr && area->viewport() == w && w != &widget)
            return true;
    }
    return false;
}

// What is wrong with a shown window's parts, one line each.
QStringList LayoutFaults(QWidget& window) {
    QStringList faults;
    for (QWidget* part : window.findChildren<QWidget*>()) {
        if (part->isWindow() || !part->isVisibleTo(&window) || Scrolls(*part))
            continue;
        const ShownText shown = TextOf(*part);
        if (!shown.text.isEmpty()) {
            const int needed = WidestLine(part->fontMetrics(), shown.text);
            if (needed > shown.room)
                faults << QStringLiteral("\"%1\" needs %2 px, %3 has %4")
                              .arg(shown.text)
                              .arg(needed)
                              .arg(Describe(*part))
                              .arg(shown.room);
        }
        const QWidget* holder = part->parentWidget();
        if (!holder->rect().contains(part->geometry()))
            faults << QStringLiteral("%1 at (%2,%3 %4x%5) lies outside %6 (%7x%8)")
                          .arg(Describe(*part))
                          .arg(part->x())
                          .arg(part->y())
                          .arg(part->width())
                          .arg(part->height())
                          .arg(Describe(*holder))
                          .arg(holder->width())
                          .arg(holder->height());
    }
    return faults;
}

} // namespace

class DialogLayoutsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m_desktopFont = QApplication::font(); }
    void cleanup() {
        QApplication::setFont(m_desktopFont);
        Translations::Install(QStringLiteral("en"));
    }
    void textsFitAndPartsStayInside_data();
    void textsFitAndPartsStayInside();

private:
    QFont m_desktopFont;
};

void DialogLayoutsTest::textsFitAndPartsStayInside_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("scale"); // percent of the desktop's font
    QTest::addColumn<int>("window");
    for (const DeviceModel& model : kDeviceModels) {
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("zh_CN")}) {
            for (int scale : {100, 200}) {
                for (std::size_t w = 0; w < Windows().size(); ++w) {
                    const QString tag =
                        QStringLiteral("%1 %2 %3% %4")
                            .arg(QString::fromLatin1(model.label.data(),
                                                     static_cast<qsizetype>(model.label.size())))
                            .arg(language)
                            .arg(scale)
                            .arg(QString::fromLatin1(Windows()[w].name));
                    QTest::newRow(qPrintable(tag))
                        << model.deviceType << language << scale << static_cast<int>(w);
                }
            }
        }
    }
}

void DialogLayoutsTest::textsFitAndPartsStayInside() {
    QFETCH(int, deviceType);
    QFETCH(QString, language);
    QFETCH(int, scale);
    QFETCH(int, window);
    QFont font = m_desktopFont;
    font.setPointSizeF(m_desktopFont.pointSizeF() * scale / 100.0);
    QApplication::setFont(font);
    QCOMPARE(Translations::Install(language), language);

    ModelFixture f(deviceType);
    QWidget* shown = Windows()[static_cast<std::size_t>(window)].make(f);
    QVERIFY(shown != nullptr);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const QStringList faults = LayoutFaults(*shown);
    // The largest case of each window, for reviewers.
    if (deviceType == kDeviceType4x8 && language != QLatin1String("en") && scale > 100) {
        QString name =
            QStringLiteral("layout-%1-%2-%3")
                .arg(QString::fromLatin1(Windows()[static_cast<std::size_t>(window)].name))
                .arg(language)
                .arg(scale);
        guitest::SaveShot(*shown, name.replace(QLatin1Char(' '), QLatin1Char('-')));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

TAVREL_GUI_TEST_MAIN(DialogLayoutsTest)
#include "dialog_layouts_test.moc"
