// Every control of every channel and equaliser editor stands for a parameter key the model has,
// and every key of a model can be reached from an editor (or from the strip or tool dialog that
// owns it), on each of the three models.

#include "GuiTestSupport.h"
#include "SurfaceHarness.h"

#include "gui/dialogs/ChannelEditor.h"
#include "gui/dialogs/EqualizerEditor.h"
#include "gui/dialogs/ParameterConnections.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/EditorSlots.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/RotaryKnob.h"
#include "gui/widgets/ValueEdit.h"
#include "gui/widgets/ValueSpin.h"
#include "model/ParameterRegistry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <map>
#include <memory>
#include <set>

using namespace guitest;

namespace {

// Parameters no editor shows, with whose controls they live instead.
const std::map<ParameterField, const char*> kOwnedElsewhere = {
    {ParameterField::Gain, "the channel strip's fader and gain box"},
    {ParameterField::Mute, "the channel strip's mute button"},
    {ParameterField::Polarity, "the channel strip's polarity button"},
    {ParameterField::Name, "the channel names dialog"},
    {ParameterField::Temperature, "the interface settings dialog"},
    {ParameterField::Backlight, "the interface settings dialog"},
    {ParameterField::InterfaceLine2, "the interface settings dialog"},
    {ParameterField::InterfaceLine3, "the interface settings dialog"},
};

constexpr EditorKind kKinds[] = {EditorKind::InputChannel, EditorKind::OutputChannel,
                                 EditorKind::InputEqualizer, EditorKind::OutputEqualizer};

// The widgets of an editor the operator sets a value with (the equaliser editors' Import and
// Export start a file dialog instead).
QList<QWidget*> ValueControls(ChannelEditor& editor) {
    QList<QWidget*> controls;
    for (QWidget* w : editor.findChildren<QWidget*>()) {
        const bool value = qobject_cast<ValueEdit*>(w) || qobject_cast<ValueSpin*>(w) ||
                           qobject_cast<Fader*>(w) || qobject_cast<RotaryKnob*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w);
        if (value && !qobject_cast<QPushButton*>(w))
            controls.push_back(w);
    }
    return controls;
}

} // namespace

class EditorKeyMappingTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_harness = std::make_unique<SurfaceHarness>(); }
    void cleanup() { m_harness.reset(); }

    void everyControlHasAKeyAndEveryKeyAControl_data();
    void everyControlHasAKeyAndEveryKeyAControl();

private:
    std::unique_ptr<SurfaceHarness> m_harness;
};

void EditorKeyMappingTest::everyControlHasAKeyAndEveryKeyAControl_data() {
    QTest::addColumn<int>("deviceType");
    for (int type : {kDeviceType4x8, kDeviceType3x6, kDeviceType2x4})
        QTest::newRow(qPrintable(ModelName(type))) << type;
}

void EditorKeyMappingTest::everyControlHasAKeyAndEveryKeyAControl() {
    QFETCH(int, deviceType);
    ControlSurface* surface = m_harness->Show(DeviceCommand(deviceType));
    const DeviceModel& model = DeviceModelOf(deviceType);
    std::set<ParameterKey> reached;
    for (EditorKind kind : kKinds) {
        for (int channel = 0; channel < surface->Editors().SlotCount(kind); ++channel) {
            ChannelEditor* editor = surface->Editors().Open(kind, channel);
            QVERIFY(editor);
            std::map<QWidget*, ParameterKey> keyOf;
            for (ParameterConnection* connection : editor->findChildren<ParameterConnection*>()) {
                const ParameterKey key = connection->key();
                const QString name = QString::fromStdString(ParameterRegistry::NameOf(key));
                QVERIFY2(ParameterRegistry::Offers(model, key), qPrintable(name));
                // An editor edits its own channel, or a setting of the whole unit.
                QVERIFY2(key.IsUnitSetting() || key.ChannelOfKey() == editor->channelId(),
                         qPrintable(name));
                for (QWidget* control : connection->controls())
                    keyOf.emplace(control, key);
                reached.insert(key);
            }
            for (QWidget* control : ValueControls(*editor)) {
                QVERIFY2(keyOf.count(control) == 1,
                         qPrintable(editor->windowTitle() + QStringLiteral(": ") +
                                    control->metaObject()->className() +
                                    QStringLiteral(" without a key")));
            }
            editor->close();
        }
    }
    for (const ParameterKey& key :
         ParameterRegistry::Keys(model, ParameterRegistry::Holder::Unit)) {
        if (kOwnedElsewhere.count(key.field) == 1)
            continue;
        QVERIFY2(reached.count(key) == 1,
                 qPrintable(QString::fromStdString(ParameterRegistry::NameOf(key)) +
                            QStringLiteral(" is in no editor")));
    }
}

TAVREL_GUI_TEST_MAIN(EditorKeyMappingTest)
#include "editor_key_mapping_test.moc"
