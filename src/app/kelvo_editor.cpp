#include "app/kelvo_editor.h"

#include <QApplication>
#include <algorithm>
#include <QPrinter>
#include <QTextDocument>
#include <QUrl>

#include "app/child_frame.h"
#include "app/document_exports.h"
#include "app/export_rendering.h"
#include "app/image_view.h"
#include "document/kelvo_doc.h"
#include "export/anonymize_options.h"
#include "export/header_report.h"
#include "export/rtf_report.h"
#include "imglib/imglib.h"

namespace veltor {

namespace {

// A packed 8- or 24-bit bitmap as a top-down image.
QImage imageOfBitmap(const std::vector<uint8_t>& bitmap) {
    DibLayout layout;
    if (bitmap.size() < kDibHeaderSize || !dibLayout(bitmap.data(), layout) || layout.totalSize > bitmap.size())
        return {};
    const uint8_t* rows = bitmap.data() + layout.pixelOffset;
    QImage image;
    if (layout.bitCount == 8) {
        image = QImage(rows, layout.width, layout.height, int(layout.stride), QImage::Format_Indexed8);
        QList<QRgb> table(256, qRgb(0, 0, 0));
        const uint8_t* colours = bitmap.data() + kDibHeaderSize;
        for (uint32_t i = 0; i < layout.paletteEntries && i < 256; ++i)
            table[int(i)] = qRgb(colours[4 * i + 2], colours[4 * i + 1], colours[4 * i]);
        image.setColorTable(table);
    } else {
        image = QImage(rows, layout.width, layout.height, int(layout.stride), QImage::Format_BGR888);
    }
    return image.mirrored(false, true); // a deep, top-down copy
}

} // namespace

CKelvoEditor::CKelvoEditor(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setObjectName(QStringLiteral("CKelvoEditor"));
}

CKelvoEditor* CKelvoEditor::of(CChildFrame& child) {
    if (auto* editor = child.findChild<CKelvoEditor*>()) return editor;
    auto* editor = new CKelvoEditor(&child);
    editor->hide();
    return editor;
}

bool CKelvoEditor::loadReport(CChildFrame& child, const SettingsStore& settings) {
    clear();
    RtfVariant variant;
    if (!printVariant(child, variant)) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CKelvoDoc& doc = child.document();
    QTextDocument* text = document();
    QString html = QStringLiteral("<p align=\"center\"><b>%1</b></p>")
                       .arg(QString::fromStdString(documentFileName(child)).toHtmlEscaped());
    if (rtfVariantHasHeader(variant) && doc.fileAt(-1) != nullptr) {
        const std::vector<ReportRow> rows =
            reportRows(*doc.fileAt(-1), ReportFormat::Rtf, doc.anonymizeExports(), AnonymizeOptions::load(settings));
        html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" style=\"font-size:8pt\">"
                               "<tr><th>Tag</th><th>Tag Name</th><th>VR</th><th>Length</th><th>Value</th></tr>");
        for (const ReportRow& row : rows) {
            html += QStringLiteral("<tr>");
            for (const std::string* cell : {&row.tag, &row.name, &row.vr, &row.length, &row.value})
                html += QStringLiteral("<td>%1</td>").arg(QString::fromLatin1(cell->c_str()).toHtmlEscaped());
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table><br/>");
    }
    if (rtfVariantHasFrames(variant)) {
        const PrintSettings& print = doc.exportState().print;
        for (int i = 0; i < doc.frameCount(); ++i) {
            const QImage image =
                imageOfBitmap(reportPicture(*child.imageView(), i, print.scalingMethod, print.printAnnotations));
            if (image.isNull()) continue;
            const QUrl name(QStringLiteral("frame%1.png").arg(i));
            text->addResource(QTextDocument::ImageResource, name, image);
            // Pictures fit the width of a page.
            constexpr int kPageWidth = 640;
            const int width = std::min(image.width(), kPageWidth);
            const int height = image.height() * width / std::max(1, image.width());
            html += QStringLiteral("<p align=\"center\"><img src=\"%1\" width=\"%2\" height=\"%3\"/></p>")
                        .arg(name.toString())
                        .arg(width)
                        .arg(height);
        }
    }
    setHtml(html);
    QApplication::restoreOverrideCursor();
    return true;
}

bool printDocumentReport(CChildFrame& child, const SettingsStore& settings, QPrinter& printer) {
    CKelvoEditor* editor = CKelvoEditor::of(child);
    if (!editor->loadReport(child, settings)) return false;
    editor->print(&printer);
    return true;
}

} // namespace veltor
