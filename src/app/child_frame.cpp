#include "child_frame.h"

#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/header_grid.h"
#include "app/image_view.h"
#include "document/kelvo_doc.h"

namespace veltor {

CChildFrame::CChildFrame(std::unique_ptr<CKelvoDoc> doc, const UserOptions& options, QWidget* parent)
    : QWidget(parent), m_doc(std::move(doc)) {
    m_stack = new QStackedWidget(this);
    m_view = new CKelvoView(*m_doc, options, m_stack);
    m_header = new CMyListView(*m_doc, m_stack);
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_header);
    m_tabs = new QTabBar(this);
    m_tabs->addTab(tr("Frame"));
    m_tabs->addTab(tr("Header"));
    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setDrawBase(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_stack, 1);
    layout->addWidget(m_tabs, 0, Qt::AlignLeft);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int i) { m_stack->setCurrentIndex(i); });
    setWindowTitle(QString::fromStdString(m_doc->title()));
    documentChanged();
    // Without frames the header is what there is to see.
    if (m_doc->frameCount() == 0) showPane(HeaderPane);
}

CChildFrame::~CChildFrame() {
    // The panes read the document while they are torn down (a gesture in
    // progress is abandoned): they go first.
    delete m_stack;
    delete m_tabs;
    m_stack = nullptr;
    m_tabs = nullptr;
    m_view = nullptr;
    m_header = nullptr;
}

void CChildFrame::showPane(Pane pane) { m_tabs->setCurrentIndex(pane); }

CChildFrame::Pane CChildFrame::currentPane() const { return static_cast<Pane>(m_tabs->currentIndex()); }

void CChildFrame::goToFrame(int index) {
    if (index < 0 || index >= m_doc->frameCount() || index == m_doc->currentFrame()) return;
    m_doc->setCurrentFrame(index);
    m_view->documentChanged();
    emit frameChanged();
}

void CChildFrame::documentChanged() {
    setWindowTitle(QString::fromStdString(m_doc->title()));
    m_view->documentChanged();
    m_header->documentChanged();
}

} // namespace veltor
