// "View Palettes": the palette list of grey frames with a strip showing the
// colours of the palette selected.
#pragma once

#include <QDialog>
#include <QFrame>

#include <vector>

#include "document/custom_palettes.h"
#include "imaging/palettes.h"

class QComboBox;

namespace veltor {

// Draws a palette as 256 vertical lines one pixel wide, entry 0 on the left,
// centred in the strip: entry k is column (width() - 256) / 2 + k.
class PaletteStrip : public QFrame {
    Q_OBJECT
  public:
    explicit PaletteStrip(QWidget* parent = nullptr);
    void setTable(const PaletteTable& table);
    const PaletteTable& table() const { return m_table; }
    // The column of entry 0.
    int firstColumn() const;
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    PaletteTable m_table{};
};

// `currentPalette` is the frame's palette number (0 .. 10, or 11 when it shows
// a custom palette); `lastCustom` the custom palette chosen last (-1 when
// none), which is selected when the frame shows a custom palette. Anything
// that names no entry of the list selects "Grayscale".
//
// The dialog only chooses: after OK the caller sets selectedPalette(), a
// number 0 .. 10 through setBuiltinPalette, 11 + i through setCustomPalette
// with custom[i].
class ViewPalettesDialog : public QDialog {
    Q_OBJECT
  public:
    ViewPalettesDialog(int currentPalette, int lastCustom, const std::vector<PaletteBlock>& custom,
                       QWidget* parent = nullptr);

    // 0 .. 10 built-in, 11 + i custom palette i.
    int selectedPalette() const;
    void selectPalette(int number);
    PaletteStrip* strip() const { return m_strip; }
    QComboBox* list() const { return m_list; }

  private:
    void showSelected();

    std::vector<PaletteTable> m_customTables;
    QComboBox* m_list = nullptr;
    PaletteStrip* m_strip = nullptr;
};

} // namespace veltor
