#include "app/font_choice.h"

#include <QCheckBox>
#include <QGroupBox>

namespace veltor {

QFont chooseFontWithoutEffects(bool* ok, const QFont& start, QWidget* parent, const QString& title,
                               QFontDialog::FontDialogOptions options) {
    // Qt's own dialog: a platform one cannot hide its effects.
    QFontDialog dialog(start, parent);
    dialog.setWindowTitle(title);
    dialog.setOptions(options | QFontDialog::DontUseNativeDialog);
    // The effects section is the group of check boxes (strike-out, underline);
    // the sample group holds none.
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>())
        if (!group->findChildren<QCheckBox*>().isEmpty()) group->hide();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (ok != nullptr) *ok = accepted;
    return accepted ? dialog.selectedFont() : start;
}

} // namespace veltor
