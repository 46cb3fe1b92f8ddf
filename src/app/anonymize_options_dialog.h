// "Header information to delete" (Anonymizing Options): which of the 36
// identifying elements anonymization blanks, the private person-name rule,
// the two warnings, and the choice of the basic de-identification profile
// with its UID root, key file and date handling.
#pragma once

#include <QDialog>
#include <vector>

#include "export/anonymize_options.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace veltor {

class SettingsStore;

class AnonymizeOptionsDialog : public QDialog {
    Q_OBJECT
  public:
    // The boxes start from the settings.
    explicit AnonymizeOptionsDialog(SettingsStore& settings, QWidget* parent = nullptr);

    // The choices the boxes show now.
    AnonymizeOptions options() const;

    QCheckBox* elementBox(size_t index) const { return m_elements[index]; }
    QCheckBox* privateTagsBox() const { return m_privateTags; }
    QCheckBox* attentionBox() const { return m_attention; }
    QCheckBox* attention2Box() const { return m_attention2; }
    QPushButton* checkAllButton() const { return m_checkAll; }
    QPushButton* uncheckAllButton() const { return m_uncheckAll; }
    QRadioButton* chosenFieldsButton() const { return m_chosenFields; }
    QRadioButton* profileButton() const { return m_profile; }
    QLineEdit* uidRootEdit() const { return m_uidRoot; }
    QLineEdit* keyFileEdit() const { return m_keyFile; }
    QCheckBox* keepDatesBox() const { return m_keepDates; }

  public slots:
    // OK: a root that is not a UID root or a key file that cannot be read
    // keeps the dialog open with the reason; otherwise every key is written.
    void accept() override;

  private:
    void setAll(bool on);
    void updateModes();

    SettingsStore& m_settings;
    std::vector<QCheckBox*> m_elements;
    std::vector<QGroupBox*> m_columns;
    QCheckBox* m_privateTags = nullptr;
    QCheckBox* m_attention = nullptr;
    QCheckBox* m_attention2 = nullptr;
    QPushButton* m_checkAll = nullptr;
    QPushButton* m_uncheckAll = nullptr;
    QRadioButton* m_chosenFields = nullptr;
    QRadioButton* m_profile = nullptr;
    QLineEdit* m_uidRoot = nullptr;
    QLineEdit* m_keyFile = nullptr;
    QPushButton* m_browseKey = nullptr;
    QCheckBox* m_keepDates = nullptr;
};

} // namespace veltor
