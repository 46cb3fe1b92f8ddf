// How grey values are shown: the unit of the status bar's value readout.
#include <QString>

#include "app/main_window.h"
#include "document/kelvo_doc.h"
#include "document/windowing.h"

namespace veltor {

QString CMainFrame::valueReadout(CKelvoDoc& doc, int32_t value) {
    const std::string unit = frameValueUnit(doc, doc.currentFrame());
    if (unit.empty()) return QString::number(value);
    return QStringLiteral("%1 %2").arg(value).arg(QString::fromStdString(unit));
}

} // namespace veltor
