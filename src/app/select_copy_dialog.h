// "Select items to copy": the header and/or chosen frames of a document put
// on the clipboard as one rich-text report.
#pragma once

#include <QDialog>
#include <vector>

class QCheckBox;

namespace veltor {

class FrameChoiceGroup;
class SettingsStore;
class SizeGroup;
class CKelvoDoc;

class SelectCopyDialog : public QDialog {
    Q_OBJECT
  public:
    SelectCopyDialog(CKelvoDoc& doc, SettingsStore& settings, QWidget* parent = nullptr);
    bool copyHeader() const;
    bool copyFrames() const;
    std::vector<int> frames() const;
    FrameChoiceGroup* frameChoice() const { return m_frames; }
    void setCopyHeader(bool on);
    void setCopyFrames(bool on);
    void accept() override; // writes the resample method back

  private:
    SettingsStore& m_settings;
    QCheckBox* m_header = nullptr;
    QCheckBox* m_copyFrames = nullptr;
    FrameChoiceGroup* m_frames = nullptr;
    SizeGroup* m_size = nullptr;
};

} // namespace veltor
