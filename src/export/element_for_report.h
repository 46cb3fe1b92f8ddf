// Header values as they leave the system in exports: the elements chosen for
// anonymization come out empty while the document's export flag is on.
#pragma once

#include <cstdint>

#include "anonymize_options.h"
#include "dicom/dicom_element.h"

namespace veltor {

class DicomFile;

// The top-level record at `index` (VR refreshed as by DicomFile::elementAt).
// With `exportFlag` on and the element one of the chosen ones, its value text
// is empty and its quick numeric value 0; the tag, VR and length stay, so the
// row keeps its place and shape. Private elements are returned unchanged.
// In the profile mode the values the profile changes come out empty instead,
// private ones included (replacement UIDs and shifted dates need a run's key,
// so a report shows those empty too).
// False when `index` is out of range.
bool GetElementForReport(const DicomFile& dataset, int32_t index, bool exportFlag,
                         const AnonymizeOptions& options, DicomElement& record);

} // namespace veltor
