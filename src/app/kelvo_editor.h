// CKelvoEditor: the document's rich-text header view, hidden behind the
// image and header panes. Before printing it is loaded with the report the
// Page Setup choices ask for (header table, frames, or both) and prints or
// previews it page by page.
#pragma once

#include <QTextEdit>

class QPrinter;

namespace veltor {

class CChildFrame;
class SettingsStore;

class CKelvoEditor : public QTextEdit {
    Q_OBJECT
  public:
    explicit CKelvoEditor(QWidget* parent = nullptr);

    // The editor of a document window (made on first use, hidden).
    static CKelvoEditor* of(CChildFrame& child);

    // Replaces the whole text with the report of the document's Page Setup
    // choices; false (and empty) when neither header nor images are chosen.
    bool loadReport(CChildFrame& child, const SettingsStore& settings);
};

// Loads the report and prints it on `printer`; false when there is
// nothing to print.
bool printDocumentReport(CChildFrame& child, const SettingsStore& settings, QPrinter& printer);

} // namespace veltor
