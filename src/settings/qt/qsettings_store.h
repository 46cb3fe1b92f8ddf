// The per-user settings store on disk: an INI file through QSettings.
#pragma once

#include <memory>
#include <string>

#include "settings/settings_store.h"

class QSettings;

namespace veltor {

// Sections live below the top group "Veltor Dicom Viewer". The file is the
// user's "Veltor/Dicom Viewer V4.0.1.ini" in the configuration folder, or the
// file named by the environment variable VELTOR_SETTINGS (tests).
class QSettingsStore : public SettingsStore {
  public:
    static constexpr const char* kOrganization = "Veltor";
    static constexpr const char* kApplication = "Dicom Viewer V4.0.1";
    static constexpr const char* kTopGroup = "Veltor Dicom Viewer";

    QSettingsStore();
    // A store over an explicit INI file.
    explicit QSettingsStore(const std::string& iniPath);
    ~QSettingsStore() override;

    int readInt(const std::string& section, const std::string& key, int defaultValue) const override;
    void writeInt(const std::string& section, const std::string& key, int value) override;
    std::string readText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const override;
    void writeText(const std::string& section, const std::string& key,
                   const std::string& value) override;

    // Writes pending changes to disk (also done on destruction).
    void sync();
    std::string fileName() const;
    // The last sync could not write the file (read-only folder, full disk).
    bool writeFailed() const;

  private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace veltor
