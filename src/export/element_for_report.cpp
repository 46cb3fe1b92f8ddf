#include "element_for_report.h"

#include "deidentification_profile.h"
#include "dicom/dicom_file.h"
#include "dicom/dicom_vr.h"

namespace veltor {

namespace {

const uint8_t kEmptyValue[1] = {0};

// Whether the profile changes this value in a copy; a report cannot show
// replacement UIDs or shifted dates (they need the run's key), so it shows
// such values empty.
bool profileHides(const DicomElement& r, const AnonymizeOptions& options) {
    if ((r.group & 1) != 0) return true;
    // Implicit VR files leave tags the dictionary does not know without a VR.
    const char* known = profileVr(r.group, r.element);
    const char* vr = r.vr[0] != '\0' && r.vr[0] != ' ' ? r.vr : known != nullptr ? known : "";
    const bool date = vrIs(vr, "DA") || vrIs(vr, "DT");
    const ProfileRow* row = findProfileRow(r.group, r.element);
    if (row != nullptr && row->temporal) {
        if (options.keepDates || vrIs(vr, "TM")) return false;
        if (date) return true;
    }
    if (row != nullptr) return row->action != ProfileAction::Keep;
    return date && !options.keepDates;
}

} // namespace

bool GetElementForReport(const DicomFile& dataset, int32_t index, bool exportFlag,
                         const AnonymizeOptions& options, DicomElement& record) {
    if (!dataset.elementAt(index, record)) return false;
    if (!exportFlag) return true;
    if (options.profile() ? !profileHides(record, options) : !options.removes(record.group, record.element))
        return true;
    // Both the text and the number go: a binary value shows as its number,
    // a textual one as its text, and neither may carry the original.
    record.value = kEmptyValue;
    record.number = 0;
    record.uidName = nullptr;
    return true;
}

} // namespace veltor
