// Reads the per-user settings file without Qt, for the command-line tool:
// the same INI file, in the same layout, that the desktop application writes
// through QSettings. Writes stay in memory (the command line changes no
// settings), so a run never rewrites the user's file.
#pragma once

#include <string>

#include "settings_store.h"

namespace veltor {

class IniFileSettingsStore : public MemorySettingsStore {
  public:
    // The file named by VELTOR_SETTINGS, else $XDG_CONFIG_HOME (or ~/.config)
    // "/Veltor/Dicom Viewer V4.0.1.ini". A missing or unreadable file gives an
    // empty store (every value reads as its default).
    IniFileSettingsStore();
    explicit IniFileSettingsStore(const std::string& path);

    // INI values are text: a whole decimal number reads as an integer.
    int readInt(const std::string& section, const std::string& key, int defaultValue) const override;

    const std::string& path() const { return m_path; }
    static std::string defaultPath();

  private:
    void read();
    std::string m_path;
};

} // namespace veltor
