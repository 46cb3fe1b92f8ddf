// The font dialog of the annotation "Font..." and the Preferences "Select
// Default Font..." buttons: the face, size, weight and slant only. Those
// callers keep underline and strike-out from their own records, so the
// dialog's effects section (which would offer them) is hidden.
#pragma once

#include <QFontDialog>

namespace veltor {

// Runs the dialog from `start`; `ok` tells whether it was accepted. The
// returned font keeps `start`'s underline and strike-out.
QFont chooseFontWithoutEffects(bool* ok, const QFont& start, QWidget* parent, const QString& title,
                               QFontDialog::FontDialogOptions options = {});

} // namespace veltor
