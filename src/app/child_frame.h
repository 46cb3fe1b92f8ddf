// CChildFrame: one document window with the image pane ("Frame") and the tag
// grid ("Header"), switched by a tab strip at the bottom left.
#pragma once

#include <QWidget>
#include <memory>

class QStackedWidget;
class QTabBar;

namespace veltor {

class CKelvoDoc;
class CKelvoView;
class CMyListView;
class UserOptions;

class CChildFrame : public QWidget {
    Q_OBJECT
  public:
    enum Pane { FramePane = 0, HeaderPane = 1 };

    CChildFrame(std::unique_ptr<CKelvoDoc> doc, const UserOptions& options, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CKelvoDoc& document() { return *m_doc; }
    CKelvoView* imageView() { return m_view; }
    CMyListView* headerView() { return m_header; }
    void showPane(Pane pane);
    Pane currentPane() const;
    // Steps to another frame and repaints; out-of-range indexes are ignored.
    void goToFrame(int index);
    void documentChanged();

  signals:
    void frameChanged();

  private:
    std::unique_ptr<CKelvoDoc> m_doc;
    QStackedWidget* m_stack = nullptr;
    QTabBar* m_tabs = nullptr;
    CKelvoView* m_view = nullptr;
    CMyListView* m_header = nullptr;
};

} // namespace veltor
