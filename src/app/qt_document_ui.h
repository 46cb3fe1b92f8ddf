// The document's user-interface needs, met with Qt widgets.
#pragma once

#include <QPointer>

#include "document/document_ui.h"

class QLabel;
class QProgressDialog;
class QWidget;

namespace veltor {

class QtDocumentUi : public DocumentUi {
  public:
    explicit QtDocumentUi(QWidget* parent) : m_parent(parent) {}
    ~QtDocumentUi() override;

    void showLoadMessage(const std::string& text) override;
    void showLoadFailure(const std::string& text) override;
    void closeLoadMessage() override;
    void messageBox(const std::string& text, MessageIcon icon) override;
    void beginProgress(const std::string& text, int maximum) override;
    void stepProgress(int value) override;
    void endProgress() override;
    bool progressCancelled() override;
    void setWaitCursor(bool on) override;
    void processEvents() override;
    void setCurrentFolder(const std::string& folder) override;
    void redrawViews() override;

    // How long a failed load's message stays up (1.5 s; tests shorten it).
    static int failureMilliseconds;

  private:
    QWidget* m_parent;
    QPointer<QLabel> m_message;
    QPointer<QProgressDialog> m_progress;
};

} // namespace veltor
