// Preferences, About, System Info and Calculator, the place of the main
// window at start-up, and the message when the settings cannot be saved.
#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QLayout>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QToolBar>

#include <vector>

#include "app/about_dialog.h"
#include "app/app_icons.h"
#include "app/child_frame.h"
#include "app/desktop_calculator.h"
#include "app/dicom_file_listing.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "app/mdi_background.h"
#include "app/overlay_painting.h"
#include "app/preferences_dialog.h"
#include "app/system_info_dialog.h"
#include "app/view_overlays.h"
#include "app/window_tool.h"
#include "document/kelvo_doc.h"
#include "settings/qt/qsettings_store.h"
#include "settings/user_options.h"

namespace veltor {

class UtilityActions : public QObject {
  public:
    using QObject::QObject;
    QAction* preferences = nullptr;
    QAction* calculator = nullptr;
    QAction* about = nullptr;
    QAction* systemInfo = nullptr;
    // The Tools menu without a document: only the calculator.
    QMenu* toolsWithoutDocument = nullptr;
    QMenu* tools = nullptr;
    QProcess* calculatorProcess = nullptr;
    bool settingsWarned = false;
};

void CMainFrame::createUtilityActions(QMenu* options, QMenu* tools, QMenu* help) {
    auto* u = new UtilityActions(this);
    m_utilities = u;

    u->preferences = new QAction(tr("&Preferences..."), this);
    connect(u->preferences, &QAction::triggered, this, [this] {
        PreferencesDialog dialog(m_options, this);
        if (dialog.exec() == QDialog::Accepted) applyPreferences(dialog.edited());
    });
    // After "Anonymized copies and exports", before the setup dialogs.
    const QList<QAction*> optionItems = options->actions();
    const qsizetype anonymized = optionItems.indexOf(m_anonymizedExports);
    options->insertAction(anonymized >= 0 ? optionItems.value(anonymized + 1) : nullptr, u->preferences);

    u->calculator = new QAction(tr("Calculat&or..."), this);
    u->calculator->setCheckable(true);
    u->calculator->setIcon(commandIcon(CommandIcon::Calculator));
    connect(u->calculator, &QAction::triggered, this, [this] { startCalculator(); });
    tools->addSeparator();
    tools->addAction(u->calculator);
    u->tools = tools;
    // Without a document the Tools menu offers the calculator alone.
    u->toolsWithoutDocument = new QMenu(tr("&Tools"), this);
    u->toolsWithoutDocument->addAction(u->calculator);
    menuBar()->insertMenu(tools->menuAction(), u->toolsWithoutDocument);

    u->about = new QAction(tr("&About Veltor Dicom Viewer..."), this);
    u->about->setIcon(commandIcon(CommandIcon::About));
    connect(u->about, &QAction::triggered, this, [this] {
        AboutDialog dialog(this);
        dialog.exec();
    });
    u->systemInfo = new QAction(tr("&System Info..."), this);
    connect(u->systemInfo, &QAction::triggered, this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const std::optional<OpenGlStrings> openGl = readOpenGlStrings();
        QApplication::restoreOverrideCursor();
        SystemInfoDialog dialog(openGl, this);
        dialog.exec();
    });
    help->insertAction(help->actions().value(0), u->about);
    help->addSeparator();
    help->addAction(u->systemInfo);
}

void CMainFrame::addUtilityToolButtons(QToolBar* file, QToolBar* view) {
    auto named = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    // Search comes before the print commands on the File toolbar.
    QAction* search = nullptr;
    for (QAction* a : file->actions())
        if (a->text() == tr("&Search...")) search = a;
    if (search != nullptr && named("print") != nullptr && file->actions().contains(named("print"))) {
        file->removeAction(search);
        file->insertAction(named("print"), search);
    }
    file->addAction(m_utilities->about);
    view->addAction(m_utilities->calculator);
    // The Edit toolbar: the copy commands after Undo and Redo.
    if (auto* edit = findChild<QToolBar*>(QStringLiteral("EditToolbar")))
        for (const char* name : {"copyFrame", "copyAllFrames", "copyHeader", "copyAll", "copySelected"})
            if (QAction* a = named(name); a != nullptr && !edit->actions().contains(a)) edit->addAction(a);
    // Commands of the File, Edit and Navigation toolbars made elsewhere take
    // their drawings here when they have none of their own.
    const std::pair<const char*, CommandIcon> pictures[] = {
        {"exportAvi", CommandIcon::ExportAvi},
        {"exportFrames", CommandIcon::ExportFrames},   {"print", CommandIcon::Print},
        {"printPreview", CommandIcon::PrintPreview},   {"printSetup", CommandIcon::PrintSetup},
        {"pageSetup", CommandIcon::PageSetup},         {"copyFrame", CommandIcon::Copy},
        {"copyAllFrames", CommandIcon::CopyAllFrames}, {"copyHeader", CommandIcon::CopyHeader},
        {"copyAll", CommandIcon::CopyAll},             {"copySelected", CommandIcon::CopySelectedFrames}};
    for (const auto& [name, id] : pictures)
        if (QAction* a = named(name); a != nullptr && a->icon().isNull()) a->setIcon(commandIcon(id));
}

void CMainFrame::updateUtilityActions(bool hasDocument) {
    if (m_utilities == nullptr || m_utilities->toolsWithoutDocument == nullptr) return;
    m_utilities->toolsWithoutDocument->menuAction()->setVisible(!hasDocument);
    const bool running = m_utilities->calculatorProcess != nullptr &&
                         m_utilities->calculatorProcess->state() != QProcess::NotRunning;
    m_utilities->calculator->setChecked(running);
}

void CMainFrame::applyPreferences(const UserOptions& edited) {
    const bool windowChoiceChanged = edited.keepFileWindow() != m_options.keepFileWindow();
    m_options = edited;
    setPreviewsKeepFileWindow(m_options.keepFileWindow());
    if (auto* area = qobject_cast<MdiBackgroundArea*>(m_mdi))
        area->setBackgroundMode(m_options.bgImage(), overlayColour(m_options.mainBgColor()));
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(sub->widget());
        if (child == nullptr) continue;
        CKelvoDoc& doc = child->document();
        child->imageView()->model().setBackgroundColour(m_options.docBgColor());
        // New items take these colours; items already drawn keep theirs.
        doc.setAnnotationColor(m_options.annotationColor());
        doc.setDistanceColor(m_options.distanceColor());
        doc.setAngleColor(m_options.angleColor());
        DocumentOverlays& overlays = child->imageView()->overlayView().overlays();
        for (int32_t f = 0; f < overlays.frameCount(); ++f) {
            RulerSettings rulers = overlays.rulers(f);
            rulers.colour = m_options.axisColor();
            overlays.setRulers(f, rulers);
        }
        // Frames nobody has windowed or edited yet take the window the
        // switch now chooses.
        if (windowChoiceChanged) doc.applyFileWindowOption();
        child->imageView()->viewport()->update();
    }
    if (windowChoiceChanged && m_windowTool != nullptr) m_windowTool->refresh();
    updateActions();
}

void CMainFrame::startCalculator() {
    UtilityActions* u = m_utilities;
    const bool running = u->calculatorProcess != nullptr && u->calculatorProcess->state() != QProcess::NotRunning;
    // A calculator window already open comes to the front (where a tool to
    // reach other programs' windows exists).
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (!xdotool.isEmpty()) {
        QStringList args{QStringLiteral("search"), QStringLiteral("--onlyvisible")};
        if (running) args << QStringLiteral("--pid") << QString::number(u->calculatorProcess->processId());
        else args << QStringLiteral("--name") << QStringLiteral("^(Calculator|.* Calculator)$");
        args << QStringLiteral("windowactivate");
        QProcess raise;
        raise.start(xdotool, args);
        if (raise.waitForFinished(2000) && raise.exitStatus() == QProcess::NormalExit && raise.exitCode() == 0) {
            updateUtilityActions(activeChild() != nullptr);
            return;
        }
    }
    if (running) {
        updateUtilityActions(activeChild() != nullptr);
        return;
    }
    const QString program = findDesktopCalculator(qEnvironmentVariable("PATH"));
    if (program.isEmpty()) {
        u->calculator->setChecked(false);
        QMessageBox::information(this, QStringLiteral("Veltor Dicom Viewer"), noCalculatorMessage());
        return;
    }
    if (u->calculatorProcess == nullptr) {
        u->calculatorProcess = new QProcess(this);
        connect(u->calculatorProcess, &QProcess::stateChanged, this,
                [this](QProcess::ProcessState) { updateUtilityActions(activeChild() != nullptr); });
        connect(u->calculatorProcess, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                QMessageBox::warning(this, QStringLiteral("Veltor Dicom Viewer"),
                                     QStringLiteral("The calculator %1 could not be started: %2")
                                         .arg(m_utilities->calculatorProcess->program(),
                                              m_utilities->calculatorProcess->errorString()));
        });
    }
    u->calculatorProcess->setProgram(program);
    u->calculatorProcess->setProcessChannelMode(QProcess::ForwardedChannels);
    u->calculatorProcess->start();
    updateUtilityActions(activeChild() != nullptr);
}

void CMainFrame::arrangeDefaultToolBars(int width) {
    // Top toolbars share rows; a bar that would run past `width` starts a new
    // row, so no bar shows cut off behind an extension button. The bars are
    // taken in the order the layout shows them, and rows already there stay.
    layout()->activate();
    std::vector<QToolBar*> bars;
    for (QToolBar* bar : findChildren<QToolBar*>())
        if (toolBarArea(bar) == Qt::TopToolBarArea && !bar->isHidden() && bar->parentWidget() == this)
            bars.push_back(bar);
    std::sort(bars.begin(), bars.end(), [](const QToolBar* a, const QToolBar* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    int used = 0;
    int row = bars.empty() ? 0 : bars.front()->y();
    for (QToolBar* bar : bars) {
        const int barWidth = bar->sizeHint().width() + 8;
        if (bar->y() != row) { // a row of its own already (a restored layout)
            row = bar->y();
            used = 0;
        }
        if (used > 0 && used + barWidth > width) {
            insertToolBarBreak(bar);
            used = 0;
        }
        used += barWidth;
    }
}

void CMainFrame::showAtStart() {
    const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const QRect available = s != nullptr ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    // A window manager maximises the window; without one the request is not
    // carried out, and the window would keep its small natural size. Placing
    // it over the available area first gives the same picture in both cases.
    setGeometry(available);
    // Also a layout saved on a wider screen gets the rows it needs here.
    arrangeDefaultToolBars(available.width());
    showMaximized();
}

void CMainFrame::reportSettingsWriteFailure() {
    if (m_utilities == nullptr || m_utilities->settingsWarned || !m_settings.writeFailed()) return;
    m_utilities->settingsWarned = true;
    QMessageBox::warning(this, QStringLiteral("Veltor Dicom Viewer"),
                         QStringLiteral("The settings could not be saved to %1 (the file or its folder cannot be "
                                        "written, or the disk is full). The viewer goes on with the settings "
                                        "of this session.")
                             .arg(QString::fromStdString(m_settings.fileName())));
}

} // namespace veltor
