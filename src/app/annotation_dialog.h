// "Add Annotation" (and "Edit Annotation"): one line of text of at most 64
// characters, its font and colour, the header value picker and "Apply to all
// frames".
#pragma once

#include <QDialog>

#include "view/overlay_records.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace veltor {

class DicomFile;

class AnnotationDialog : public QDialog {
    Q_OBJECT
  public:
    // `file`: the header "From Header..." picks from (null disables it).
    // `allFramesAllowed`: the document has several frames, all alike.
    AnnotationDialog(const QString& title, const TextAnnotation& start, bool allFramesAllowed, const DicomFile* file,
                     QWidget* parent = nullptr);

    // Text, font and colour as chosen (the position is the caller's).
    TextAnnotation annotation() const;
    bool applyToAllFrames() const;
    QLineEdit* textEdit() const { return m_text; }
    QCheckBox* allFramesBox() const { return m_allFrames; }
    QPushButton* fromHeaderButton() const { return m_fromHeader; }
    // Replaces the text as "From Header..." does (cut to 64 characters, then
    // selected).
    void setTextFromHeader(const QString& value);

  public slots:
    void accept() override;

  private:
    void chooseFont();
    void chooseColour();
    void showStyle();

    QLineEdit* m_text = nullptr;
    QCheckBox* m_allFrames = nullptr;
    QPushButton* m_fromHeader = nullptr;
    QLabel* m_sample = nullptr;
    OverlayFont m_font;
    uint32_t m_colour = 0;
    const DicomFile* m_file = nullptr;
};

} // namespace veltor
