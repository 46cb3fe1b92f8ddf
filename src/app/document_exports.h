// Exports of a whole document window: its HTML page with the frames as
// JPEG files, its rich-text reports, and the names they are offered under.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "export/frame_export.h"
#include "export/rtf_report.h"

class QWidget;

namespace veltor {

class CChildFrame;
class SettingsStore;

// The document's file name (the last component of its path, else its title).
std::string documentFileName(CChildFrame& child);

// The frames of an HTML page, and how each is written.
struct DocumentHtmlRequest {
    std::string pagePath;
    std::string imageFolder;
    std::string sourcePrefix; // before "%04d.jpg" in IMG SRC
    std::string title;
    bool header = true;
    bool frameTable = true;
    std::vector<int> frames;
    std::vector<int> numbers; // one per frame
    int jpegQuality = 75;
    // Frames resampled to this size when positive.
    int width = 0;
    int height = 0;
    int method = 0;
};
ExportResult writeDocumentHtml(CChildFrame& child, const SettingsStore& settings, const DocumentHtmlRequest& request);

// The report bytes of a variant for `frames` (all frames for the variants
// without "Marked"), with the pictures as Page Setup asks. A progress window
// is shown while the pictures are built.
std::string documentRtfReport(CChildFrame& child, const SettingsStore& settings, RtfVariant variant,
                              const std::vector<int>& frames, QWidget* parent);

// The variant printing and the header view use for the Page Setup choices;
// false when neither header nor images are to be printed.
bool printVariant(CChildFrame& child, RtfVariant& variant);

// Writes `bytes` under the format registered as "Rich Text Format" (and
// "text/rtf") to the clipboard; false when that fails.
bool putRtfOnClipboard(const std::string& bytes);

} // namespace veltor
