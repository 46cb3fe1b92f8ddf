#include "qsettings_store.h"

#include <QSettings>
#include <QStringList>
#include <QString>
#include <QVariant>

#include <cstdlib>

namespace veltor {

namespace {

QString keyPath(const std::string& section, const std::string& key) {
    return QString::fromUtf8(QSettingsStore::kTopGroup) + QLatin1Char('/') +
           QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

} // namespace

QSettingsStore::QSettingsStore() {
    const char* path = std::getenv("VELTOR_SETTINGS");
    if (path != nullptr && *path != '\0') {
        m_settings = std::make_unique<QSettings>(QString::fromLocal8Bit(path), QSettings::IniFormat);
    } else {
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QString::fromUtf8(kOrganization),
                                                 QString::fromUtf8(kApplication));
    }
}

QSettingsStore::QSettingsStore(const std::string& iniPath)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() = default;

int QSettingsStore::readInt(const std::string& section, const std::string& key, int defaultValue) const {
    const QVariant v = m_settings->value(keyPath(section, key));
    if (!v.isValid()) return defaultValue;
    bool ok = false;
    // INI values are text: only a whole decimal number counts as an integer.
    const int n = v.toString().trimmed().toInt(&ok, 10);
    return ok ? n : defaultValue;
}

void QSettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    m_settings->setValue(keyPath(section, key), value);
}

std::string QSettingsStore::readText(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
    const QVariant v = m_settings->value(keyPath(section, key));
    if (!v.isValid()) return defaultValue;
    // An unquoted value with commas (a hand-edited file) reads as a list.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QStringLiteral(", ")).toStdString();
    return v.toString().toStdString();
}

void QSettingsStore::writeText(const std::string& section, const std::string& key,
                               const std::string& value) {
    m_settings->setValue(keyPath(section, key), QString::fromStdString(value));
}

void QSettingsStore::sync() { m_settings->sync(); }

bool QSettingsStore::writeFailed() const { return m_settings->status() == QSettings::AccessError; }

std::string QSettingsStore::fileName() const { return m_settings->fileName().toStdString(); }

} // namespace veltor
