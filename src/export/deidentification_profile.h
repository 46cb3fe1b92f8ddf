// The attributes the basic de-identification profile handles, with the
// action for each, as DICOM PS3.15 (Annex E, Table E.1-1, "Application Level
// Confidentiality Profile Attributes", column "Basic Profile") lists them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltor {

// What the profile does to one attribute, in a copy whose values are
// overwritten in place (nothing can be removed or added, so "remove" and
// "empty" both blank the value).
enum class ProfileAction : uint8_t {
    Keep,  // not in the table: kept (a sequence's items are still cleaned)
    Blank, // X, Z, X/Z: the value blanked; a sequence loses every value of its items
    Dummy, // D, Z/D, X/D, X/Z/D: a dummy value of the same length, fitting the VR
    Uid,   // U: a replacement UID of the same length, the same for the same UID
    Clean, // X/Z/U*: the sequence stays; its items are cleaned (their UIDs replaced)
};

struct ProfileRow {
    uint16_t group;
    uint16_t element;
    // Bits of the group that must match: 0xFFFF, or 0xFF00 for the repeating
    // groups (50xx curves, 60xx overlays).
    uint16_t groupMask;
    // Bits of the element that must match: 0xFFFF, or 0 for "every element".
    uint16_t elementMask;
    ProfileAction action;
    // A date or time that the longitudinal temporal options govern: shifted
    // (dates) or kept (times) instead of the basic action.
    bool temporal;
    const char* name;
};

// The rows of the table, in the order the standard lists them.
extern const ProfileRow kBasicProfileRows[];
extern const size_t kBasicProfileRowCount;

// The row for this tag, or null. Private tags (odd groups) are not in the
// table: the profile blanks them by its own rule.
const ProfileRow* findProfileRow(uint16_t group, uint16_t element);

// The VR of a tag for values whose file does not say it (implicit VR files
// with tags the viewer's dictionary does not know): every attribute of the
// table and every sequence, date, date-time, time and person name of the
// standard. Null for other tags.
const char* profileVr(uint16_t group, uint16_t element);

// Parses an action code of the table ("X", "Z", "D", "U", "X/Z", "Z/D", "X/D",
// "X/Z/D", "X/Z/U*"); Keep for anything else.
ProfileAction profileActionOf(const char* code);

} // namespace veltor
