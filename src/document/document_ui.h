// What the document needs from the user interface. The GUI implements it with
// its windows; tests and the command line use quiet implementations.
#pragma once

#include <string>

namespace veltor {

enum class MessageIcon { Information, Warning, Error };

class DocumentUi {
  public:
    virtual ~DocumentUi() = default;
    // The small caption-less message window shown while a file loads.
    virtual void showLoadMessage(const std::string& text) = 0;
    // Shows `text` in the load message window for 1.5 seconds, then closes it.
    virtual void showLoadFailure(const std::string& text) = 0;
    virtual void closeLoadMessage() = 0;
    virtual void messageBox(const std::string& text, MessageIcon icon) = 0;
    // "Please wait..." with a bar from 0 to maximum.
    virtual void beginProgress(const std::string& text, int maximum) = 0;
    virtual void stepProgress(int value) = 0;
    virtual void endProgress() = 0;
    // True once the user pressed Cancel in the progress window.
    virtual bool progressCancelled() = 0;
    virtual void setWaitCursor(bool on) = 0;
    // Lets the window system handle pending input between files or frames.
    virtual void processEvents() = 0;
    // Makes `folder` the application's (and the process's) current folder.
    virtual void setCurrentFolder(const std::string& folder) = 0;
    virtual void redrawViews() = 0;
};

// Does nothing: for the command line and tests that do not watch the UI.
class QuietDocumentUi : public DocumentUi {
  public:
    void showLoadMessage(const std::string&) override {}
    void showLoadFailure(const std::string&) override {}
    void closeLoadMessage() override {}
    void messageBox(const std::string&, MessageIcon) override {}
    void beginProgress(const std::string&, int) override {}
    void stepProgress(int) override {}
    void endProgress() override {}
    bool progressCancelled() override { return false; }
    void setWaitCursor(bool) override {}
    void processEvents() override {}
    void setCurrentFolder(const std::string&) override {}
    void redrawViews() override {}
};

} // namespace veltor
