// The Zoom menu, the Zoom toolbar with its zoom box, and the view tools.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

#include "app/child_frame.h"
#include "app/image_view.h"
#include "app/main_window.h"
#include "document/kelvo_doc.h"
#include "view/zoom_box.h"

namespace veltor {

void CMainFrame::createZoomActions(QMenu* zoom, QMenu* tools, QToolBar* bar) {
    auto model = [this]() -> ImageViewModel* {
        CChildFrame* child = activeChild();
        return child != nullptr ? &child->imageView()->model() : nullptr;
    };
    auto tool = [this, model](QMenu* menu, const QString& text, ViewTool t) {
        QAction* a = menu->addAction(text, this, [this, model, t] {
            if (ImageViewModel* m = model()) m->setTool(t);
            updateActions();
        });
        a->setCheckable(true);
        m_toolActions.push_back({a, t});
        return a;
    };
    auto command = [this, model](QMenu* menu, const QString& text, std::function<bool(ImageViewModel&)> fn) {
        QAction* a = menu->addAction(text, this, [this, model, fn] {
            if (ImageViewModel* m = model()) fn(*m);
            updateActions();
            updateStatus();
        });
        m_zoomCommands.push_back({a, fn});
        return a;
    };
    m_panHand = tool(tools, tr("&Pan Hand"), ViewTool::PanHand);
    m_levelWindowTool = tool(tools, tr("Level-&Window"), ViewTool::LevelWindow);
    bar->addAction(tool(zoom, tr("Zoom &In/Out"), ViewTool::ZoomInOut));
    bar->addAction(tool(zoom, tr("Zoom &Window"), ViewTool::ZoomWindow));
    bar->addAction(tool(zoom, tr("Zoom &Dynamic"), ViewTool::ZoomDynamic));
    zoom->addSeparator();
    bar->addAction(command(zoom, tr("Zoom &Limits"), [](ImageViewModel& m) { return m.zoomLimits(); }));
    bar->addAction(command(zoom, tr("Zoom &Normal"), [](ImageViewModel& m) { return m.zoomNormal(); }));
    bar->addAction(command(zoom, tr("&Previous Zoom"), [](ImageViewModel& m) { return m.previousZoom(); }));
    bar->addAction(command(zoom, tr("Ne&xt Zoom"), [](ImageViewModel& m) { return m.nextZoom(); }));

    m_zoomBox = new QComboBox(bar);
    m_zoomBox->setEditable(true);
    m_zoomBox->setInsertPolicy(QComboBox::NoInsert);
    const ZoomBox presets;
    for (const std::string& e : presets.entries()) m_zoomBox->addItem(QString::fromStdString(e));
    m_zoomBox->setCurrentIndex(kZoomBoxInitialPreset);
    m_zoomBox->setMinimumContentsLength(8);
    bar->insertWidget(bar->actions().value(0), m_zoomBox);
    connect(m_zoomBox, &QComboBox::textActivated, this, [this, model](const QString& text) {
        if (ImageViewModel* m = model()) m->zoomBoxEntry(text.toStdString());
        if (CChildFrame* child = activeChild()) child->imageView()->setFocus();
        updateActions();
        updateStatus();
    });
}

void CMainFrame::updateZoomActions() {
    CChildFrame* child = activeChild();
    ImageViewModel* m = child != nullptr ? &child->imageView()->model() : nullptr;
    const bool image = m != nullptr && m->hasImage();
    for (auto& [action, t] : m_toolActions) {
        action->setEnabled(image && m->toolAvailable(t));
        action->setChecked(image && m->tool() == t);
    }
    for (auto& [action, fn] : m_zoomCommands) action->setEnabled(image);
    if (!m_zoomCommands.empty()) {
        m_zoomCommands[2].first->setEnabled(image && m->canPreviousZoom());
        m_zoomCommands[3].first->setEnabled(image && m->canNextZoom());
    }
    if (m_zoomBox != nullptr && !m_zoomBox->hasFocus()) {
        const QString text = QString::fromStdString(veltor::zoomBoxText(image ? m->zoom() : 1.0f));
        int index = m_zoomBox->findText(text);
        if (index < 0) {
            m_zoomBox->addItem(text);
            index = m_zoomBox->count() - 1;
        }
        m_zoomBox->setCurrentIndex(index);
    }
}

} // namespace veltor
