// How grey images are shown: the Options menu's "Keep the file's window"
// check item and the unit of the status bar's value readout.
#include <QAction>
#include <QMenu>

#include "app/main_window.h"
#include "document/kelvo_doc.h"
#include "document/windowing.h"
#include "settings/user_options.h"

namespace veltor {

void CMainFrame::createDisplayActions(QMenu* options) {
    // Documents opened afterwards start with the file's window as stored
    // (Relo&ad shows an open one that way).
    m_keepFileWindow = options->addAction(tr("Keep the file's window"));
    m_keepFileWindow->setObjectName(QStringLiteral("KeepFileWindow"));
    m_keepFileWindow->setCheckable(true);
    m_keepFileWindow->setChecked(m_options.keepFileWindow());
    connect(m_keepFileWindow, &QAction::toggled, this, [this](bool on) { m_options.setKeepFileWindow(on); });
}

QString CMainFrame::valueReadout(CKelvoDoc& doc, int32_t value) {
    const std::string unit = frameValueUnit(doc, doc.currentFrame());
    if (unit.empty()) return QString::number(value);
    return QStringLiteral("%1 %2").arg(value).arg(QString::fromStdString(unit));
}

} // namespace veltor
