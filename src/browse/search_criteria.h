// Which DICOM files a search lists: patient's name, patient ID, physician's
// name and study ID matched with simple wildcards, and a study date range.
#pragma once

#include <string>

namespace veltor {
class DicomFile;
}

namespace veltor::browse {

// "*" stands for any run of characters, "?" for one character. The walk takes
// the first occurrence of the character after a run of stars and never goes
// back, so its time is linear in the lengths and "A*B" matches "AXBYB" (the
// walk ends at the first B) while "*JOHN" does not match "JOHN^JOHNNY".
bool wildcardMatch(const std::string& pattern, const std::string& value);

// Whether the date `value` lies between `from` and `to` (both ends included;
// an empty end is open). Only the decimal digits of each count; a value with
// fewer than 8 digits, or a non-empty end with fewer than 8, never matches.
bool dateInRange(const std::string& value, const std::string& from, const std::string& to);

// Upper-cased (ASCII letters) and stripped of surrounding white space and NULs.
std::string normalized(const std::string& text);

struct SearchCriteria {
    std::string patientName;   // (0010,0010)
    std::string patientId;     // (0010,0020)
    std::string physicianName; // (0008,1050)
    std::string studyId;       // (0020,0010)
    std::string dateFrom;      // (0008,0020), YYYYMMDD
    std::string dateTo;

    // Upper-cases and trims every field, as a search does when it starts.
    void normalize();
    // A criterion that is empty, "*" or "?" is ignored.
    static bool ignored(const std::string& criterion);
    bool allIgnored() const;
};

// The values a search compares, read from a header.
struct SearchValues {
    bool hasPatientName = false, hasPatientId = false, hasPhysicianName = false, hasStudyId = false,
         hasStudyDate = false;
    std::string patientName, patientId, physicianName, studyId, studyDate; // normalized
};
SearchValues searchValues(const DicomFile& header);

// Whether a header with these values is listed (criteria already normalized).
bool matches(const SearchCriteria& criteria, const SearchValues& values);

} // namespace veltor::browse
