#pragma once

#include "model/ChannelEditRules.h"
#include "model/ParameterRegistry.h"

#include <QMetaType>
#include <QObject>

#include <string>
#include <vector>

class ProgramContainer;

// The values a control surface shows, read and written by parameter key, and announced when they
// move. One store serves one surface: its editors (and, in time, its strips and graph) show what
// value() gives and write through write(), which applies the editing rules of the parameter
// registry, sets the change flags the send tick transmits, and then announces every value that
// moved with changed(), the written one and any neighbour a rule moved with it (a high-pass
// pushing its low-pass, a gain switching its band on). written() is the hook the edit history
// records a step from.
//
// Whatever replaces the settings as a whole (a program arriving from the unit, a file loaded, a
// channel copied, an undo or an A/B switch) ends in reload(), and every subscriber shows the
// container again on reloaded().
class ParameterStore : public QObject {
    Q_OBJECT
public:
    explicit ParameterStore(QObject* parent = nullptr);

    // The settings shown and edited, and the unit controller that writes the unit-wide ones
    // (none: they are refused). Announces nothing; call reload() once the container is in place.
    void setContainer(ProgramContainer& program, UnitSettingsWriter* unit = nullptr);
    bool hasContainer() const { return m_program != nullptr; }
    ProgramContainer& container() const { return *m_program; }
    const DeviceModel& model() const;

    // The index the parameter's controls show now (ParameterRegistry::ReadControlIndex).
    int value(const ParameterKey& key) const;
    // Writes an index as the operator entered it: through the editing rules, flagged for the
    // unit. Announces written() when something was stored and changed() for every value that
    // moved. Refused (nothing written) when no container is set.
    ChannelEditRules::Edit write(const ParameterKey& key, int index);

    // The container's settings were replaced: announces reloaded().
    void reload();
    // Settings of one channel were written past the store (a filter dragged on the response
    // graph): announces changed() for each of its parameters, as any of them may have moved.
    void announceChannel(ChannelId channel);

signals:
    // The value of `key` moved.
    void changed(const ParameterKey& key);
    // write() stored something for `key`: the index it showed before and the one it shows now.
    void written(const ParameterKey& key, int before, int after);
    void reloaded();

private:
    // What a write to `key` can move: every parameter of its channel, or every unit-wide setting.
    const std::vector<ParameterKey>& neighbours(const ParameterKey& key);
    // A value compared before and after a write: the index, or the text of a name.
    std::string shownValue(const ParameterKey& key) const;

    ProgramContainer* m_program = nullptr;
    UnitSettingsWriter* m_unit = nullptr;
    std::vector<ParameterKey> m_neighbours;
    ParameterKey m_neighboursOf{};
    bool m_neighboursValid = false;
};

Q_DECLARE_METATYPE(ParameterKey)
