#pragma once

#include "model/SettingsComparison.h"
#include "model/SettingsSnapshot.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUndoStack>

#include <cstdint>
#include <functional>

class QAction;
class UnitController;

// The edit history of one control surface and its A/B comparison. Every edit the operator makes
// (on the strips, in an editor, on the graph, in a tool dialog) and every program loaded is one
// step from the settings last recorded to the container's settings now. Undo and redo restore a
// step's settings through the unit controller, so the values go out to a connected unit like any
// edit, and then the surface shows them everywhere. A step restores only the parts it changed
// (a channel, the name, a unit-wide setting), so what came from the unit in between stays.
//
// Edits of one control within one operator action (a fader drag, a knob turn, a held arrow or key,
// a graph drag) become one step; typing a value is one step. The actions (undo, redo, storing A
// and B, switching) go on the surface and on every editor window, so their keys work wherever the
// operator is.
class EditHistory : public QObject {
    Q_OBJECT
public:
    using Slot = SettingsComparison::Slot;

    // `showRestored` shows the container again after a restore (strips, editors, graph).
    EditHistory(UnitController& controller, std::function<void()> showRestored,
                QObject* parent = nullptr);
    ~EditHistory() override;

    // Undo (Ctrl+Z), redo (Ctrl+Shift+Z or Ctrl+Y), store as A (Ctrl+Shift+A), store as B
    // (Ctrl+Shift+B), switch A/B (Ctrl+B).
    QList<QAction*> Actions() const;
    QAction* UndoAction() const { return m_undo; }
    QAction* RedoAction() const { return m_redo; }
    QAction* StoreAction(Slot slot) const { return slot == Slot::A ? m_storeA : m_storeB; }
    QAction* SwitchAction() const { return m_switch; }
    QUndoStack& Stack() { return m_stack; }

    // After an edit of the operator's: one step from the settings last recorded to the
    // container's now, unless nothing changed. A further edit of the same `control` (any key
    // naming one value) within the same operator action joins that step. `text` names the step in
    // the Edit menu ("Out 3 Gain").
    void Record(const QString& control, const QString& text);
    // After a program was loaded into the container: a step of its own. Its undo restores the
    // container's settings (sent to a connected unit's live settings); no program memory of the
    // unit is written.
    void RecordLoad(const QString& text);
    // The container changed by something other than an edit (settings read from the unit): taken
    // as the settings of the latest step, so no later step undoes it.
    void Adopt();
    // A fresh history starting from the container's settings (a unit was addressed).
    void Clear();

    // The window title now; steps take it along, and undoing a step brings its title back. A
    // title change that no step follows is kept as it is.
    void SetTitle(const QString& title);
    bool IsRestoring() const { return m_restoring; }

    // ---- A/B comparison ------------------------------------------------------------------------
    void Store(Slot slot);
    // Makes the other stored settings live (a step of its own); nothing unless both are stored.
    // The settings live now are stored first in the slot they belong to (the live one, edits
    // included), so switching twice comes back to them.
    void Switch();
    const SettingsComparison& Comparison() const { return m_comparison; }
    QString StatusText() const;

signals:
    // The A/B state's text changed ("A/B: A live, B stored").
    void statusChanged(const QString& text);
    // Undo or redo brought back the title a step was made under.
    void titleRestored(const QString& title);

private:
    class Step;
    friend class Step;
    struct State {
        SettingsSnapshot settings;
        QString title;
    };

    // Restores the parts in which `from` and `to` differ to `to`.
    void Restore(const State& from, const State& to);
    void Push(const QString& control, const QString& text);
    void ShowStatus();

    UnitController& m_controller;
    std::function<void()> m_showRestored;
    QUndoStack m_stack;
    State m_current;
    QString m_title;
    QString m_titleBefore; // the title before the latest change
    bool m_restoring = false;
    SettingsComparison m_comparison;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_storeA = nullptr;
    QAction* m_storeB = nullptr;
    QAction* m_switch = nullptr;
    QString m_shownStatus;
};

// The Edit menu's name of an editor field: "band3.gain" -> "EQ3 Gain", "highPass.frequency" ->
// "HPF Frequency", "gateThreshold" -> "Gate Threshold".
QString EditedFieldLabel(const QString& field);
