#include "settings_store.h"

namespace veltor {

int MemorySettingsStore::readInt(const std::string& section, const std::string& key,
                                 int defaultValue) const {
    auto it = m_values.find({section, key});
    if (it == m_values.end() || !it->second.isInt) return defaultValue;
    return it->second.number;
}

void MemorySettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    Value& v = m_values[{section, key}];
    v.isInt = true;
    v.number = value;
    v.text.clear();
}

std::string MemorySettingsStore::readText(const std::string& section, const std::string& key,
                                          const std::string& defaultValue) const {
    auto it = m_values.find({section, key});
    if (it == m_values.end()) return defaultValue;
    if (it->second.isInt) return std::to_string(it->second.number);
    return it->second.text;
}

void MemorySettingsStore::writeText(const std::string& section, const std::string& key,
                                    const std::string& value) {
    Value& v = m_values[{section, key}];
    v.isInt = false;
    v.number = 0;
    v.text = value;
}

bool MemorySettingsStore::contains(const std::string& section, const std::string& key) const {
    return m_values.count({section, key}) != 0;
}

} // namespace veltor
