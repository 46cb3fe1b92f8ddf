#include "html_page.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "atomic_file.h"
#include "batch_convert.h"
#include "dicom/dicom_file.h"
#include "export_names.h"

#ifndef VELTOR_VERSION
#define VELTOR_VERSION "4.0.1"
#endif

namespace veltor {

const char kHtmlCreditProduct[] = "Veltor Dicom Viewer " VELTOR_VERSION;
const char kHtmlCreditWebSite[] = "https://veltor.org/dicom-viewer/";
const char kHtmlCreditMail[] = "dicom-viewer@veltor.org";
const char kHtmlCreditContact[] = "The Veltor Dicom Viewer team";

namespace {

std::string number04(int32_t n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d", n);
    return buffer;
}

bool makeFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0777) == 0) return true;
    struct stat st {};
    return errno == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A second copy of a written picture, byte for byte.
bool copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    AtomicFile out;
    return out.open(to) && out.write(bytes) && out.commit();
}

} // namespace

std::string htmlPageText(const HtmlPageSource& page, const std::vector<HtmlFrame>& frames, bool frameTable) {
    std::string t;
    t.reserve(4096 + (page.header != nullptr ? page.header->size() * 160 : 0) + frames.size() * 96);
    t += "<HTML>\n<HEAD>\n<TITLE>" + escapeHtml(page.title) + "</TITLE>\n</HEAD>";
    t += "\n<BODY>";
    t += "\n<HR><BR><H2 ALIGN=\"center\">" + escapeHtml(page.fileName) + "</H2>";
    if (page.fileFacts) {
        t += "\nDate : " + escapeHtml(page.dateText) + " <BR>";
        t += "\nSize : " + std::to_string(page.fileSize / 1024) + "KB <BR>";
    }
    t += "\n<HR><BR><BR>";
    if (page.header != nullptr) {
        t += "\n<TABLE BORDER=1 ALIGN=\"center\" BORDERCOLOR=\"#0000\">";
        t += "\n<TR>";
        for (const char* head : {"Tag", "Tag Name", "VR", "Length", "Value"})
            t += std::string("\n<TD ALIGN=\"center\">") + head + "\n</TD>";
        t += "\n</TR>";
        for (const ReportRow& row : *page.header) {
            t += "\n<TR>";
            for (const std::string* cell : {&row.tag, &row.name, &row.vr, &row.length, &row.value})
                t += "\n<TD>" + escapeHtml(*cell) + "\n</TD>";
            t += "\n</TR>";
        }
        t += "\n</TABLE>";
        t += "\n<BR><BR>";
    }
    if (frameTable) {
        t += "\n<TABLE BORDER=1 ALIGN=\"center\" BORDERCOLOR=\"#000000\">";
        for (const HtmlFrame& frame : frames) {
            t += "\n<TR>";
            t += "\n<TD ALIGN=\"CENTER\">";
            t += "<IMG SRC=\"" + escapeHtmlAttribute(frame.source) + "\"> <BR> Frame : " + number04(frame.number) +
                 " <BR>";
            t += "\n</TD>";
            t += "\n</TR>";
        }
        t += "\n</TABLE>";
    }
    t += std::string("\n<BR><BR><HR><I>Created by <B>") + kHtmlCreditProduct + "</B></I>";
    t += std::string("\n<BR><A href=\"") + kHtmlCreditWebSite + "\"><I>" + kHtmlCreditWebSite + "</I></A>";
    t += std::string("\n<BR><I><A href=\"mailto:") + kHtmlCreditMail + "\">" + kHtmlCreditContact + "</A></I>";
    t += "\n</BODY>";
    t += "\n</HTML>";
    return t;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

ExportResult WriteHtmlPage(const HtmlPageSource& page, const HtmlWriteRequest& request) {
    ExportResult result;
    AtomicFile file;
    if (!file.open(request.pagePath)) {
        result.status = ExportStatus::CreateFailed;
        result.systemError = file.error();
        return result;
    }
    std::vector<HtmlFrame> frames;
    if (!request.frames.empty() && makeFolder(request.imageFolder)) {
        frames.reserve(request.frames.size());
        for (const HtmlFrameJob& job : request.frames) {
            const std::string name = number04(job.number) + ".jpg";
            const std::string path = exportPath(request.imageFolder, name);
            if (request.writeImage && request.writeImage(job.index, path))
                frames.push_back({request.sourcePrefix + name, job.number});
        }
    }
    if (!file.write(withCrLf(htmlPageText(page, frames, request.frameTable))) || !file.commit()) {
        result.status = ExportStatus::WriteFailed;
        result.systemError = file.error();
    }
    return result;
}

std::string batchHtmlPagePath(const std::string& outputDirectory, const std::string& sourcePath) {
    return exportPath(outputDirectory, fileNameOf(sourcePath) + ".html");
}

BatchHtmlResult writeBatchHtml(DicomFile& file, const std::string& sourcePath, const std::string& outputDirectory,
                               bool exportFlag, const AnonymizeOptions& options, int jpegQuality) {
    BatchHtmlResult result;
    const std::string name = fileNameOf(sourcePath);
    const std::string folder = exportPath(outputDirectory, name + "_files");
    const std::vector<ReportRow> rows = reportRows(file, ReportFormat::Html, exportFlag, options);
    HtmlPageSource page;
    page.title = name;
    page.fileName = name;
    page.fileFacts = false;
    page.header = &rows;
    HtmlWriteRequest request;
    request.pagePath = exportPath(outputDirectory, name + ".html");
    request.imageFolder = folder;
    request.sourcePrefix = folder + "/";
    const int32_t frames = file.frameCount();
    for (int32_t i = 0; i < frames; ++i) request.frames.push_back({i, i + 1});
    std::vector<std::string> written(static_cast<size_t>(frames > 0 ? frames : 0));
    std::vector<uint8_t> storage;
    request.writeImage = [&](int32_t index, const std::string& path) {
        PixelView image;
        if (!frameImageView(file, index + 1, storage, image)) return false;
        const std::vector<uint8_t> bitmap = makeExportBitmap(image);
        const bool ok = !bitmap.empty() && writeLibraryBitmap(path.c_str(), bitmap.data(), bitmap.size(), jpegQuality).ok();
        if (ok) written[static_cast<size_t>(index)] = path;
        ok ? ++result.imagesWritten : ++result.imagesFailed;
        return ok;
    };
    result.page = WriteHtmlPage(page, request);
    if (!result.page.ok()) return result;
    // Each frame once more under the source's name, numbered from 0.
    for (int32_t i = 0; i < frames; ++i) {
        const std::string& from = written[static_cast<size_t>(i)];
        if (from.empty()) continue;
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "_%04d", i);
        const std::string to = exportPath(folder, frames == 1 ? name + ".jpg" : name + suffix + ".jpg");
        copyFile(from, to) ? ++result.imagesWritten : ++result.imagesFailed;
    }
    return result;
}

} // namespace veltor
