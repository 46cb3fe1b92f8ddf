#include "app/desktop_calculator.h"

#include <QStandardPaths>

namespace veltor {

QStringList desktopCalculatorNames() {
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),          QStringLiteral("mate-calc"),
            QStringLiteral("galculator"),       QStringLiteral("qalculate-qt"),   QStringLiteral("qalculate-gtk"),
            QStringLiteral("speedcrunch"),      QStringLiteral("xfce4-calculator"), QStringLiteral("xcalc")};
}

QString findDesktopCalculator(const QString& pathVariable) {
    QStringList folders;
    for (const QString& f : pathVariable.split(QLatin1Char(':'), Qt::SkipEmptyParts)) folders << f;
    if (folders.isEmpty()) return {};
    for (const QString& name : desktopCalculatorNames()) {
        const QString found = QStandardPaths::findExecutable(name, folders);
        if (!found.isEmpty()) return found;
    }
    return {};
}

QString noCalculatorMessage() {
    QStringList names = desktopCalculatorNames();
    return QStringLiteral("No calculator program was found on the search path (PATH). Install one of: %1.")
        .arg(names.join(QStringLiteral(", ")));
}

} // namespace veltor
