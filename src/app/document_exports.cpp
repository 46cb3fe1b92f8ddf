#include "app/document_exports.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QProgressDialog>

#include "app/child_frame.h"
#include "app/export_rendering.h"
#include "app/image_view.h"
#include "document/kelvo_doc.h"
#include "export/anonymize_options.h"
#include "export/html_page.h"
#include "settings/settings_store.h"

namespace veltor {

std::string documentFileName(CChildFrame& child) {
    const std::string& path = child.document().pathName();
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? child.document().title() : name;
}

ExportResult writeDocumentHtml(CChildFrame& child, const SettingsStore& settings, const DocumentHtmlRequest& request) {
    CKelvoDoc& doc = child.document();
    std::vector<ReportRow> rows;
    if (request.header && doc.fileAt(-1) != nullptr)
        rows = reportRows(*doc.fileAt(-1), ReportFormat::Html, doc.anonymizeExports(), AnonymizeOptions::load(settings));
    HtmlPageSource page;
    page.title = request.title;
    page.fileName = documentFileName(child);
    page.dateText = doc.dateText();
    page.fileSize = doc.fileSize();
    page.header = request.header ? &rows : nullptr;
    HtmlWriteRequest html;
    html.pagePath = request.pagePath;
    html.imageFolder = request.imageFolder;
    html.sourcePrefix = request.sourcePrefix;
    html.frameTable = request.frameTable;
    for (size_t i = 0; i < request.frames.size(); ++i)
        html.frames.push_back({request.frames[i], i < request.numbers.size() ? request.numbers[i] : request.frames[i] + 1});
    CKelvoView* view = child.imageView();
    html.writeImage = [&](int32_t index, const std::string& path) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        std::vector<uint8_t> bitmap = RenderFrameForExport(*view, index);
        if (request.width > 0 && request.height > 0)
            bitmap = sizedExportBitmap(std::move(bitmap), request.width, request.height, request.method);
        const bool ok = !bitmap.empty() &&
                        writeLibraryBitmap(path.c_str(), bitmap.data(), bitmap.size(), request.jpegQuality).ok();
        QApplication::restoreOverrideCursor();
        return ok;
    };
    return WriteHtmlPage(page, html);
}

bool printVariant(CChildFrame& child, RtfVariant& variant) {
    const PrintSettings& print = child.document().exportState().print;
    if (print.printHeader && print.printImages)
        variant = RtfVariant::HeaderAndFrames;
    else if (print.printHeader)
        variant = RtfVariant::Header;
    else if (print.printImages)
        variant = RtfVariant::AllFrames;
    else
        return false;
    return true;
}

std::string documentRtfReport(CChildFrame& child, const SettingsStore& settings, RtfVariant variant,
                              const std::vector<int>& frames, QWidget* parent) {
    CKelvoDoc& doc = child.document();
    std::vector<ReportRow> rows;
    if (rtfVariantHasHeader(variant) && doc.fileAt(-1) != nullptr)
        rows = reportRows(*doc.fileAt(-1), ReportFormat::Rtf, doc.anonymizeExports(), AnonymizeOptions::load(settings));
    std::vector<std::vector<uint8_t>> pictures;
    if (rtfVariantHasFrames(variant)) {
        std::vector<int> chosen = frames;
        if (variant == RtfVariant::AllFrames || variant == RtfVariant::HeaderAndFrames) {
            chosen.clear();
            for (int i = 0; i < doc.frameCount(); ++i) chosen.push_back(i);
        }
        const PrintSettings& print = doc.exportState().print;
        QProgressDialog progress(QObject::tr("Please wait..."), QString(), 0, int(chosen.size()), parent);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        for (size_t i = 0; i < chosen.size(); ++i) {
            pictures.push_back(reportPicture(*child.imageView(), chosen[i], print.scalingMethod, print.printAnnotations));
            progress.setValue(int(i + 1));
        }
    }
    return BuildRtfReport(variant, documentFileName(child), rows, pictures);
}

bool putRtfOnClipboard(const std::string& bytes) {
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard == nullptr || bytes.empty()) return false;
    auto* data = new QMimeData;
    const QByteArray rtf(bytes.data(), qsizetype(bytes.size()));
    data->setData(QStringLiteral("text/rtf"), rtf);
    data->setData(QStringLiteral("application/rtf"), rtf);
    data->setData(QStringLiteral("Rich Text Format"), rtf);
    clipboard->setMimeData(data);
    return true;
}

} // namespace veltor
