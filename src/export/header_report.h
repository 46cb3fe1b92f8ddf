// The header of a data set as it appears in HTML pages and rich-text
// reports: one row of five cells per top-level element, values passed
// through GetElementForReport, and the escaping that keeps any value text
// shown as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "anonymize_options.h"
#include "dicom/dicom_element.h"

namespace veltor {

class DicomFile;

enum class ReportFormat { Html, Rtf };

// Cell texts as shown, not yet escaped.
struct ReportRow {
    std::string tag;    // "0x%04x, 0x%04x" (HTML) or "0x%04x,0x%04x" (RTF)
    std::string name;   // the dictionary name; RTF cuts it to 33 characters + "..." past 35
    std::string vr;
    std::string length; // "%d"
    std::string value;  // quoted text or "%d"; RTF cuts it to 46 characters + "..." past 48
};

// The value cell: "Frame Data" for the pixel data and "Sequence Data" for
// other OB, OW and SQ elements; other text values longer than the format's
// limit (511 bytes HTML, 48 RTF) as "Long Size Data", else themselves; each
// quoted. Binary numbers as "%d" without quotes.
ReportRow reportRow(const DicomElement& record, ReportFormat format);

// One row per top-level element, in data-set order; with `exportFlag` the
// chosen identifying values come out empty.
std::vector<ReportRow> reportRows(const DicomFile& dataset, ReportFormat format, bool exportFlag,
                                  const AnonymizeOptions& options);

// HTML text: '&', '<' and '>' as entities; control characters (and DEL) as
// the visible text "\xNN". Text without them comes out unchanged.
std::string escapeHtml(std::string_view text);
// The same for a quoted attribute value, '"' as an entity too.
std::string escapeHtmlAttribute(std::string_view text);
// RTF text: '\', '{' and '}' escaped; control characters as the visible
// text "\xNN"; bytes from 0x80 as \'hh.
std::string escapeRtf(std::string_view text);

} // namespace veltor
