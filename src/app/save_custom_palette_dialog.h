// "Extract Palette": saving the colour table of a PALETTE COLOR file as a
// custom palette file, and the "Save As Custom Palette" window asking for its
// name.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

#include "document/custom_palettes.h"

class QLineEdit;
class QPushButton;

namespace veltor {

class DicomFile;

class SaveCustomPaletteDialog : public QDialog {
    Q_OBJECT
  public:
    SaveCustomPaletteDialog(const QString& name, QWidget* parent = nullptr);
    // The name typed, with its blanks turned into '_' (a palette file's name
    // is its first word).
    QString name() const;
    QLineEdit* nameEdit() const { return m_name; }
    QPushButton* saveButton() const { return m_save; }

  private:
    QLineEdit* m_name = nullptr;
    QPushButton* m_save = nullptr;
};

// Asks for the palette's name, prefilled; false when cancelled.
using AskPaletteName = std::function<bool(QWidget* parent, QString& name)>;
// Asks for the file to write, starting in `folder` with `defaultName`; an
// empty path when cancelled.
using AskPalettePath = std::function<QString(const QString& folder, const QString& defaultName)>;

// Extract Palette: builds the file's palette block, asks for its name (the
// "Save As Custom Palette" window) and for a "*.txt" file in `folder`
// (created when missing), and writes it. When the file cannot be made, says
// so in a message box. On success the block is appended to `custom` and the
// result is true; the caller then rebuilds the "Custom &Palettes" submenu.
// False when the file has no palette, when either question is cancelled, and
// when writing fails. `askName` and `askPath` replace the two windows.
bool extractPaletteToFile(QWidget* parent, DicomFile& file, const QString& folder, std::vector<PaletteBlock>& custom,
                          AskPalettePath askPath = {}, AskPaletteName askName = {});

} // namespace veltor
