#include "header_report.h"

#include <cstdio>

#include "dicom/dicom_file.h"
#include "dicom/dicom_vr.h"
#include "element_for_report.h"

namespace veltor {

namespace {

constexpr uint32_t kHtmlTextLimit = 511;
constexpr uint32_t kRtfTextLimit = 48;

std::string cut(std::string text, size_t longerThan, size_t keep) {
    if (text.size() > longerThan) {
        text.resize(keep);
        text += "...";
    }
    return text;
}

std::string quoted(const char* text) { return std::string("\"") + text + "\""; }

} // namespace

ReportRow reportRow(const DicomElement& record, ReportFormat format) {
    const bool rtf = format == ReportFormat::Rtf;
    ReportRow row;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, rtf ? "0x%04x,0x%04x" : "0x%04x, 0x%04x", record.group,
                  record.element);
    row.tag = buffer;
    row.name = record.name;
    row.vr = record.vr;
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int32_t>(record.length));
    row.length = buffer;
    if (!isTextVr(record.vr)) {
        std::snprintf(buffer, sizeof buffer, "%d", record.number);
        row.value = buffer;
    } else if (vrIs(record.vr, "OB") || vrIs(record.vr, "OW") || vrIs(record.vr, "SQ")) {
        row.value = quoted(record.group == 0x7FE0 && record.element == 0x0010 ? "Frame Data" : "Sequence Data");
    } else if (record.length > (rtf ? kRtfTextLimit : kHtmlTextLimit)) {
        row.value = quoted("Long Size Data");
    } else {
        row.value = quoted(record.text());
    }
    if (rtf) {
        row.name = cut(std::move(row.name), 35, 33);
        row.value = cut(std::move(row.value), 48, 46);
    }
    return row;
}

std::vector<ReportRow> reportRows(const DicomFile& dataset, ReportFormat format, bool exportFlag,
                                  const AnonymizeOptions& options) {
    std::vector<ReportRow> rows;
    const int32_t count = dataset.elementCount();
    rows.reserve(static_cast<size_t>(count > 0 ? count : 0));
    DicomElement record;
    for (int32_t i = 0; i < count; ++i)
        if (GetElementForReport(dataset, i, exportFlag, options, record)) rows.push_back(reportRow(record, format));
    return rows;
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\x%02X", u);
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string escapeHtmlAttribute(std::string_view text) {
    std::string out;
    for (const char c : escapeHtml(text)) {
        if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

std::string escapeRtf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        char buffer[12];
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\\\x%02X", u);
            out += buffer;
        } else if (u >= 0x80) {
            std::snprintf(buffer, sizeof buffer, "\\'%02x", u);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace veltor
