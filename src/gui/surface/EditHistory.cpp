#include "gui/surface/EditHistory.h"

#include "gui/support/OperatorActions.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"

#include <QAction>
#include <QKeySequence>
#include <QRegularExpression>
#include <QStringList>
#include <QUndoCommand>

#include <algorithm>
#include <iterator>

#include <utility>

namespace {

// Steps that may join the next one share this id; whether they do is decided by mergeWith.
constexpr int kJoinableStep = 1;

} // namespace

// One step: the settings before and after it. The first redo comes from the push, after the edit
// has happened already, and does nothing.
class EditHistory::Step : public QUndoCommand {
public:
    Step(EditHistory& history, State before, State after, QString control, std::uint64_t action,
         const QString& text)
        : QUndoCommand(text), m_history(history), m_before(std::move(before)),
          m_after(std::move(after)), m_control(std::move(control)), m_action(action) {}

    int id() const override { return m_control.isEmpty() ? -1 : kJoinableStep; }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const Step*>(other);
        if (next->m_control != m_control || next->m_action != m_action)
            return false;
        m_after = next->m_after;
        // A drag that ended where it began leaves no step.
        setObsolete(m_after.settings == m_before.settings);
        return true;
    }

    void undo() override { m_history.Restore(m_after, m_before); }

    void redo() override {
        if (std::exchange(m_pushed, false))
            return;
        m_history.Restore(m_before, m_after);
    }

private:
    EditHistory& m_history;
    State m_before;
    State m_after;
    QString m_control; // empty: never joins another step
    std::uint64_t m_action;
    bool m_pushed = true;
};

EditHistory::EditHistory(UnitController& controller, std::function<void()> showRestored,
                         QObject* parent)
    : QObject(parent), m_controller(controller), m_showRestored(std::move(showRestored)) {
    m_current.settings = TakeSnapshot(m_controller.Data());
    CurrentOperatorAction(); // counts from now on, so the first drag is told apart already

    m_undo = m_stack.createUndoAction(this, QStringLiteral("&Undo"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = m_stack.createRedoAction(this, QStringLiteral("&Redo"));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});

    m_storeA = new QAction(QStringLiteral("Store Settings as &A"), this);
    m_storeA->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    connect(m_storeA, &QAction::triggered, this, [this] { Store(Slot::A); });
    m_storeB = new QAction(QStringLiteral("Store Settings as &B"), this);
    m_storeB->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    connect(m_storeB, &QAction::triggered, this, [this] { Store(Slot::B); });
    m_switch = new QAction(QStringLiteral("&Switch A/B"), this);
    m_switch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    m_switch->setEnabled(false);
    connect(m_switch, &QAction::triggered, this, &EditHistory::Switch);
    m_shownStatus = StatusText();
}

EditHistory::~EditHistory() {
    // The steps call back into the history; none may outlive it.
    m_stack.clear();
}

QList<QAction*> EditHistory::Actions() const {
    return {m_undo, m_redo, m_storeA, m_storeB, m_switch};
}

void EditHistory::Record(const QString& control, const QString& text) {
    if (!m_restoring)
        Push(control.isEmpty() ? QStringLiteral("?") : control, text);
}

void EditHistory::RecordLoad(const QString& text) {
    if (m_restoring)
        return;
    // A load names the window after the program just before it reports the program: the title
    // before that belongs to the settings before the load.
    m_current.title = m_titleBefore;
    Push(QString(), text);
    m_current.title = m_title;
}

void EditHistory::Push(const QString& control, const QString& text) {
    State now{TakeSnapshot(m_controller.Data()), m_title};
    if (now.settings == m_current.settings)
        return;
    const std::uint64_t action = control.isEmpty() ? 0 : CurrentOperatorAction();
    auto* step = new Step(*this, m_current, now, control, action, text);
    m_current = std::move(now);
    m_stack.push(step); // joins the step before when it may
    ShowStatus();
}

void EditHistory::Adopt() {
    m_current = {TakeSnapshot(m_controller.Data()), m_title};
    ShowStatus();
}

void EditHistory::Clear() {
    m_stack.clear();
    Adopt();
}

void EditHistory::SetTitle(const QString& title) {
    m_titleBefore = m_title;
    m_title = title;
    m_current.title = title;
}

void EditHistory::Restore(const State& from, const State& to) {
    m_restoring = true;
    // Only the parts the step changed: what changed outside it since (values read from the
    // unit) stays.
    const SettingsSnapshot target =
        ReplayChangedParts(TakeSnapshot(m_controller.Data()), from.settings, to.settings);
    m_controller.RestoreSettings(target);
    if (from.title != to.title) {
        m_title = to.title;
        emit titleRestored(to.title);
    }
    if (m_showRestored)
        m_showRestored();
    // Showing may correct a value (an editor opens no Limit in Auto mode); that is where the
    // history stands now.
    m_current = {TakeSnapshot(m_controller.Data()), m_title};
    m_restoring = false;
    ShowStatus();
}

void EditHistory::Store(Slot slot) {
    m_comparison.Store(slot, TakeSnapshot(m_controller.Data()));
    ShowStatus();
}

void EditHistory::Switch() {
    const SettingsSnapshot live = TakeSnapshot(m_controller.Data());
    const auto target = m_comparison.SwitchTarget(live);
    if (!target)
        return;
    // Edits made since the slot being left became live belong to it: kept there, so switching
    // back brings them back.
    m_comparison.Store(SettingsComparison::Other(*target), live);
    m_restoring = true;
    m_controller.RestoreSettings(m_comparison.Settings(*target));
    if (m_showRestored)
        m_showRestored();
    m_restoring = false;
    m_comparison.SwitchedTo(*target);
    Push(
        QString(),
        QStringLiteral("Switch to %1").arg(QChar::fromLatin1(SettingsComparison::NameOf(*target))));
    ShowStatus();
}

QString EditHistory::StatusText() const {
    return QString::fromStdString(m_comparison.StatusText(m_current.settings));
}

void EditHistory::ShowStatus() {
    m_switch->setEnabled(m_comparison.Has(Slot::A) && m_comparison.Has(Slot::B));
    const QString text = StatusText();
    if (text == m_shownStatus)
        return;
    m_shownStatus = text;
    emit statusChanged(text);
}

QString EditedFieldLabel(const QString& field) {
    // Names the editors show for the parts whose field names say it differently.
    static const std::pair<QString, QString> kShown[] = {
        {QStringLiteral("highPass"), QStringLiteral("HPF")},
        {QStringLiteral("lowPass"), QStringLiteral("LPF")},
        {QStringLiteral("q"), QStringLiteral("Q")},
        {QStringLiteral("on"), QStringLiteral("On/Off")},
        {QStringLiteral("mix"), QStringLiteral("In Source")},
        {QStringLiteral("kind"), QStringLiteral("Characteristic")},
        {QStringLiteral("gateEnabled"), QStringLiteral("Noisegate")},
        {QStringLiteral("dynamicsMode"), QStringLiteral("Manual/Auto")},
        {QStringLiteral("dynamicsType"), QStringLiteral("Limit/Compressor")},
    };
    static const QRegularExpression band(QStringLiteral("^band(\\d+)$"));
    static const QRegularExpression wordStart(QStringLiteral("(?<=[a-z])(?=[A-Z])"));
    QStringList words;
    for (const QString& part : field.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        if (const auto match = band.match(part); match.hasMatch()) {
            words << QStringLiteral("EQ") + match.captured(1);
            continue;
        }
        const auto shown = std::find_if(std::begin(kShown), std::end(kShown),
                                        [&](const auto& row) { return row.first == part; });
        if (shown != std::end(kShown)) {
            words << shown->second;
            continue;
        }
        // camelCase to words: "gateThreshold" -> "Gate Threshold".
        for (QString word : part.split(wordStart, Qt::SkipEmptyParts)) {
            word[0] = word[0].toUpper();
            words << word;
        }
    }
    return words.join(QLatin1Char(' '));
}
