// The header of one file by topic: the tabs "All", "Patient", "Study",
// "Physician" and "Image" over a list of tag, name and value. Used by the
// "Dicom Tags" window and the "Open File" window of "Open by Header".
#pragma once

#include <QDialog>
#include <QWidget>

class QTabBar;
class QTreeWidget;

namespace veltor {

class DicomFile;

class DicomTagsWidget : public QWidget {
    Q_OBJECT
  public:
    explicit DicomTagsWidget(QWidget* parent = nullptr);
    // Shows `file` (not owned; it must outlive the widget's use of it), or
    // nothing with null.
    void setFile(const DicomFile* file);
    void setTopic(int topic);
    int rowCount() const;
    // The value text of the selected row ("" without a selection).
    QString selectedValue() const;
    QTreeWidget* list() const { return m_list; }

  private:
    void refill();
    const DicomFile* m_file = nullptr;
    QTabBar* m_tabs = nullptr;
    QTreeWidget* m_list = nullptr;
};

// "Dicom Tags": OK hands back the selected value without its quotation marks.
class DicomTagsDialog : public QDialog {
    Q_OBJECT
  public:
    DicomTagsDialog(const DicomFile& file, const QString& caption, QWidget* parent = nullptr);
    DicomTagsWidget* tags() const { return m_tags; }
    QString pickedValue() const;

  private:
    DicomTagsWidget* m_tags = nullptr;
};

} // namespace veltor
