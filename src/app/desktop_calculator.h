// Finding the desktop's calculator program.
#pragma once

#include <QString>
#include <QStringList>

namespace veltor {

// The calculators looked for, in order of preference.
QStringList desktopCalculatorNames();
// The full path of the first of them found in the folders of `pathVariable`
// (a PATH value, folders separated by ':'), or empty.
QString findDesktopCalculator(const QString& pathVariable);
// What the Calculator command says when none is found.
QString noCalculatorMessage();

} // namespace veltor
