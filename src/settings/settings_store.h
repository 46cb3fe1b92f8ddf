// Per-user persistent settings: sections of named integer and text values.
#pragma once

#include <map>
#include <string>
#include <utility>

namespace veltor {

// The four access primitives every part of the product uses. Absent values
// read as the caller's default; an integer read from a value that holds text
// (or is not a number at all) yields the default too.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual int readInt(const std::string& section, const std::string& key, int defaultValue) const = 0;
    virtual void writeInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string readText(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const = 0;
    virtual void writeText(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

// A store held in memory: the tests' store, and the command line's when no
// persistent store is bound.
class MemorySettingsStore : public SettingsStore {
  public:
    int readInt(const std::string& section, const std::string& key, int defaultValue) const override;
    void writeInt(const std::string& section, const std::string& key, int value) override;
    std::string readText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override;
    void writeText(const std::string& section, const std::string& key,
                   const std::string& value) override;

    bool contains(const std::string& section, const std::string& key) const;

  private:
    struct Value {
        bool isInt = false;
        int number = 0;
        std::string text;
    };
    std::map<std::pair<std::string, std::string>, Value> m_values;
};

} // namespace veltor
