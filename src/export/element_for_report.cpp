#include "element_for_report.h"

#include "dicom/dicom_file.h"

namespace veltor {

namespace {
const uint8_t kEmptyValue[1] = {0};
}

bool GetElementForReport(const DicomFile& dataset, int32_t index, bool exportFlag,
                         const AnonymizeOptions& options, DicomElement& record) {
    if (!dataset.elementAt(index, record)) return false;
    if (!exportFlag || !options.removes(record.group, record.element)) return true;
    // Both the text and the number go: a binary value shows as its number,
    // a textual one as its text, and neither may carry the original.
    record.value = kEmptyValue;
    record.number = 0;
    record.uidName = nullptr;
    return true;
}

} // namespace veltor
