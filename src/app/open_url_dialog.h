// "Open a file from Internet": an address, typed or picked from the eight
// recent ones.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace veltor {

class SettingsStore;

class OpenUrlDialog : public QDialog {
    Q_OBJECT
  public:
    explicit OpenUrlDialog(SettingsStore& settings, QWidget* parent = nullptr);
    QString address() const;
    QLineEdit* urlEdit() const { return m_url; }
    QComboBox* recentList() const { return m_recent; }

  public slots:
    void accept() override;

  private:
    SettingsStore& m_settings;
    QLineEdit* m_url = nullptr;
    QComboBox* m_recent = nullptr;
};

} // namespace veltor
