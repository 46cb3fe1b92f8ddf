// HTML pages of a document or a file: a title block, the header as a table,
// the frames as JPEG files in a folder beside the page, and credit lines.
// Lines end in CR LF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frame_export.h"
#include "header_report.h"

namespace veltor {

// The credit block's values.
extern const char kHtmlCreditProduct[]; // product name and version
extern const char kHtmlCreditWebSite[];
extern const char kHtmlCreditMail[];
extern const char kHtmlCreditContact[];

struct HtmlPageSource {
    std::string title;
    std::string fileName; // the centred heading
    // The "Date :" and "Size :" lines (a document's page; batch pages have none).
    bool fileFacts = true;
    std::string dateText;
    uint32_t fileSize = 0;
    // The header table, or none.
    const std::vector<ReportRow>* header = nullptr;
};

// One row of the frame table: the picture's address and its caption number.
struct HtmlFrame {
    std::string source;
    int32_t number = 0;
};

// The page's text with "\n" line ends (not yet CR LF). `frameTable` false
// leaves the frame table out altogether.
std::string htmlPageText(const HtmlPageSource& page, const std::vector<HtmlFrame>& frames, bool frameTable);
// Every "\n" as "\r\n".
std::string withCrLf(const std::string& text);

// A frame to put on the page: which one (passed back to the image writer)
// and the number its picture file and caption carry.
struct HtmlFrameJob {
    int32_t index = 0;
    int32_t number = 0;
};

struct HtmlWriteRequest {
    std::string pagePath;
    std::string imageFolder; // created when missing
    // What IMG SRC holds before "%04d.jpg": the folder's name and a '/'
    // (relative) or its full path and a '/'.
    std::string sourcePrefix;
    std::vector<HtmlFrameJob> frames;
    bool frameTable = true;
    // Writes the JPEG of frame `index` to `path`; false leaves its row out.
    std::function<bool(int32_t index, const std::string& path)> writeImage;
};

// Writes the pictures, then the page (under a temporary name, renamed when
// complete). CreateFailed when the page cannot be created (then no picture
// is written either).
ExportResult WriteHtmlPage(const HtmlPageSource& page, const HtmlWriteRequest& request);

// The page of a file converted by batch conversion into `outputDirectory`:
// "NAME.html" and the folder "NAME_files" (NAME the unchanged source file
// name) with "0001.jpg" onwards referenced by absolute paths, then every
// frame once more as "NAME_0000.jpg" onwards ("NAME.jpg" for one frame).
// `frameImage` gives frame n's export bitmap (n from 1).
struct BatchHtmlResult {
    ExportResult page;
    size_t imagesWritten = 0;
    size_t imagesFailed = 0;
};
std::string batchHtmlPagePath(const std::string& outputDirectory, const std::string& sourcePath);
BatchHtmlResult writeBatchHtml(DicomFile& file, const std::string& sourcePath, const std::string& outputDirectory,
                               bool exportFlag, const AnonymizeOptions& options, int jpegQuality);

} // namespace veltor
