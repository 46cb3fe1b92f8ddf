// The data dictionary (tag -> name and VR) and the table of well-known UIDs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dicom_element.h"

namespace veltor {

struct DictionaryEntry {
    uint16_t group;
    uint16_t element;
    char name[128];
    // One to three two-letter VRs, each followed by a NUL; the first is the one
    // used. Empty for entries that carry their VR at the end of the name.
    char vrs[10];
};

struct UidNameEntry {
    char uid[32];
    char name[90];
};

// 1344 entries in ascending (group, element) order.
extern const DictionaryEntry kDicomDictionary[];
extern const size_t kDicomDictionarySize;

// 116 rows: the 22 transfer syntaxes first, then the other well-known UIDs.
extern const UidNameEntry kUidNameTable[];
extern const size_t kUidNameTableSize;

// The first entry with this tag, or null.
const DictionaryEntry* findDictionaryEntry(uint16_t group, uint16_t element);

// Copies the entry's name into record.name; false (name untouched) when unknown.
bool lookupTagName(uint16_t group, uint16_t element, DicomElement& record);
// Copies the entry's first VR into record.vr; false (vr untouched) when unknown.
bool lookupTagVr(uint16_t group, uint16_t element, DicomElement& record);
// Sets record.vr to the dictionary's first VR for its tag, or "  " when the tag
// is unknown. Used for records of data sets read in implicit VR.
void refreshVr(DicomElement& record);

// The name of the UID whose text equals `valueText` as a whole string, or null.
// The returned pointer refers to the static table.
const char* lookupUidName(const char* valueText);

} // namespace veltor
