#include "gui/support/ParameterStore.h"

#include "model/ProgramContainer.h"

namespace {

// Whether two keys belong to the same channel (or are both unit-wide).
bool SameOwner(const ParameterKey& a, const ParameterKey& b) {
    return a.scope == b.scope && (a.IsUnitSetting() || a.channel == b.channel);
}

} // namespace

ParameterStore::ParameterStore(QObject* parent) : QObject(parent) {}

void ParameterStore::setContainer(ProgramContainer& program, UnitSettingsWriter* unit) {
    if (m_program != &program || m_unit != unit)
        m_neighboursValid = false; // another model may have other keys
    m_program = &program;
    m_unit = unit;
}

const DeviceModel& ParameterStore::model() const {
    return DeviceModelOf(m_program->deviceType());
}

int ParameterStore::value(const ParameterKey& key) const {
    return m_program != nullptr ? ParameterRegistry::ReadControlIndex(*m_program, key) : 0;
}

std::string ParameterStore::shownValue(const ParameterKey& key) const {
    if (ParameterRegistry::FormOf(key.field) == ParameterRegistry::Form::Text)
        return ParameterRegistry::ReadValue(*m_program, key);
    return std::to_string(ParameterRegistry::ReadIndex(*m_program, key));
}

const std::vector<ParameterKey>& ParameterStore::neighbours(const ParameterKey& key) {
    if (m_neighboursValid && SameOwner(m_neighboursOf, key))
        return m_neighbours;
    const auto holder = m_unit != nullptr ? ParameterRegistry::Holder::Unit
                                          : ParameterRegistry::Holder::ProgramFile;
    m_neighbours.clear();
    for (const ParameterKey& k : ParameterRegistry::Keys(model(), holder)) {
        if (SameOwner(k, key))
            m_neighbours.push_back(k);
    }
    m_neighboursOf = key;
    m_neighboursValid = true;
    return m_neighbours;
}

ChannelEditRules::Edit ParameterStore::write(const ParameterKey& key, int index) {
    if (m_program == nullptr)
        return ChannelEditRules::Edit::Refused;
    const std::vector<ParameterKey> keys = neighbours(key);
    std::vector<std::string> before;
    before.reserve(keys.size());
    for (const ParameterKey& k : keys)
        before.push_back(shownValue(k));
    const int indexBefore = value(key);

    const ChannelEditRules::Edit edit =
        ParameterRegistry::WriteIndex(*m_program, key, index, m_unit);

    // Everything shows the new values before the history records the step.
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (shownValue(keys[i]) != before[i])
            emit changed(keys[i]);
    }
    if (ChannelEditRules::Wrote(edit))
        emit written(key, indexBefore, value(key));
    return edit;
}

void ParameterStore::reload() {
    emit reloaded();
}

void ParameterStore::announceChannel(ChannelId channel) {
    if (m_program == nullptr)
        return;
    const std::vector<ParameterKey> keys = neighbours(ChannelKey(channel, ParameterField::Delay));
    for (const ParameterKey& key : keys)
        emit changed(key);
}
