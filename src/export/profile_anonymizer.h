// The basic de-identification profile applied to a file image in place: every
// value keeps its offset and length, so the copy keeps its source's structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veltor {

class DicomFile;
class Deidentifier;

// What the profile changed in one file, for its log line (counts and names
// only, never a value).
struct ProfileSummary {
    uint32_t blanked = 0;      // values blanked (removed or emptied)
    uint32_t dummies = 0;      // values replaced by a dummy of the same length
    uint32_t uids = 0;         // UIDs replaced
    uint32_t shortUids = 0;    // of those, too short for a collision-safe replacement
    uint32_t datesShifted = 0; // date values moved by the patient's shift
    uint32_t datesBlanked = 0; // date values that could not be read, blanked instead
    uint32_t privates = 0;     // values of private elements blanked
    uint32_t outOfFile = 0;    // values left alone because they do not lie inside the bytes
    bool burnedIn = false;     // Burned In Annotation is YES: the pixels may name the patient
    // The de-identification attributes written, and those the file has no
    // element (or no room) for.
    std::vector<std::string> set;
    std::vector<std::string> noRoom;
};

// Applies the profile to the elements of `dataset` (parsed from these bytes)
// inside `bytes[0, size)`.
void applyBasicProfile(uint8_t* bytes, size_t size, const DicomFile& dataset,
                       const Deidentifier& deidentifier, ProfileSummary& summary);

// The log line's text for a summary: "12 values blanked, 3 UIDs replaced, ...".
std::string profileSummaryText(const ProfileSummary& summary);

// A range of the file to overwrite with `fill`.
struct BlankRange {
    uint64_t offset;
    uint32_t length;
    uint8_t fill;
    bool privateValue; // the value of a private element
};

// The bytes of a source: `head` holds its first `headSize` bytes; the rest is
// read from `fd` (which may be -1 when head holds the whole file).
struct SourceBytes {
    const uint8_t* head = nullptr;
    size_t headSize = 0;
    int fd = -1;
    uint64_t size = 0;

    bool read(uint64_t offset, void* dst, size_t n) const;
};

// The values the profile removes from the elements that follow the start of
// the pixel data group at `start` (private elements, trailing padding,
// signatures), in file order; the pixel data itself is never among them.
// False, with the reason in `error`, when those elements cannot be read.
bool findTrailingBlanks(const SourceBytes& source, uint64_t start, bool implicitVr, bool bigEndian,
                        std::vector<BlankRange>& ranges, std::string& error);

// Why a file that does not parse cannot be read, found by walking its
// elements ("a value runs past the end of the file at offset 812",
// "sequences nested too deep at offset 96"); empty when the walk finds
// nothing wrong.
std::string explainUnreadable(const SourceBytes& source);

} // namespace veltor
