// Anonymized copies of DICOM files: the source's bytes with chosen values
// overwritten in place, so the copy keeps the length and structure of its
// source byte for byte outside the blanked values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "anonymize_options.h"
#include "deidentification.h"
#include "dicom/dicom_error.h"
#include "profile_anonymizer.h"

namespace veltor {

class DicomFile;

enum class AnonymizeFailure {
    None,
    SourceNotFound,   // the source cannot be opened for reading, or is not a regular file
    ZeroLength,       // the source holds no bytes
    ReadError,        // fewer bytes read than the file holds
    NotDicom,         // the source does not parse as DICOM (see parseStatus)
    SourceChanged,    // the data set does not describe the bytes read
    Deflated,         // a deflated data set: its values are not bytes of the file
    TargetIsSource,   // the target path names the source file itself
    TargetNotCreated, // the copy could not be written (see reason)
    UnreadableTrailer, // the profile cannot read the elements after the pixel data (see reason)
    ProfileNotReady,  // the profile's key file or UID root is unusable (see reason)
};

// The outcome of one copy, for the caller to show.
struct AnonymizeReport {
    AnonymizeFailure failure = AnonymizeFailure::None;
    std::string path;        // the file the failure names: the source, or the target
    std::string reason;      // the system's explanation, when there is one
    DicomError parseStatus = DicomError::NoError;
    bool burnedIn = false;   // Burned In Annotation is YES and its warning is enabled
    uint32_t blanked = 0;    // values overwritten
    uint32_t outOfFile = 0;  // values left alone because they do not lie inside the file
    bool profileApplied = false;
    ProfileSummary profile;  // what the de-identification profile changed

    bool ok() const { return failure == AnonymizeFailure::None; }
};

// Copies in progress are named with this prefix in the target's folder.
inline constexpr char kTemporaryPrefix[] = ".veltor-anon-";

// The message box text of a failed copy, trailing blanks included
// (for example the source path followed by "    \n File not found!").
std::string anonymizeMessage(const AnonymizeReport& report);
// The same without the layout blanks and line breaks, for one line of a log.
std::string anonymizeMessageLine(const AnonymizeReport& report);
// The warning for a source whose Burned In Annotation flag is set; it names
// the file by its last path component.
std::string burnedInWarning(const std::string& sourcePath);
// What a written copy had changed, for its line in a log: counts and the
// names of attributes, never a value ("3 values blanked").
std::string anonymizeSummary(const AnonymizeReport& report);

// The target name of the suffix rule: "_anon" before the extension of the last
// path component (the part from its last '.'), or appended when it has none.
// "/img/ct1.dcm" gives "/img/ct1_anon.dcm", "/img.dir/IM0001" "/img.dir/IM0001_anon".
std::string anonymizedPath(const std::string& path);

// Overwrites the chosen values of a file image in place: private person names
// (when options.privateTags is on) and the elements whose option is on,
// wherever they occur (at the top level and in sequence items at any depth),
// with spaces for textual VRs and zeros for binary ones. `dataset` must have
// been parsed from these bytes. Values whose offset and length do not lie
// inside `size` are skipped and counted in report.outOfFile. Sets
// report.burnedIn as described there. (The profile mode is applied by the
// copying functions below, which also reach the elements after the pixel data.)
void anonymizeBytes(uint8_t* bytes, size_t size, const DicomFile& dataset,
                    const AnonymizeOptions& options, AnonymizeReport& report);

// Writes a copy of `source` with the chosen values blanked to `target`; 1 when
// the target was written, else 0 with the reason in `report`. `dataset` is the
// parse of `source` (complete and without error). The source is only ever
// opened for reading. The copy goes to a temporary file in the target's folder
// and replaces the target only when it is complete, so a failure leaves an
// existing target as it was. A target that is the source file is refused.
// In the profile mode a run of its own is prepared (the key file of the
// options, or a random key), unless `deidentifier` gives the run's.
int AnonymizeFileBytes(const char* source, const DicomFile& dataset, const char* target,
                       const AnonymizeOptions& options, AnonymizeReport& report,
                       const Deidentifier* deidentifier = nullptr);

// The copy of many files: each source's header is read once and parsed from
// those bytes, and the rest of the file is copied as it stands, which is
// cheaper than a parse from disk followed by AnonymizeFileBytes and never
// holds a whole multi-frame file in memory. Keeps its read buffer from one
// file to the next.
class Anonymizer {
  public:
    explicit Anonymizer(const AnonymizeOptions& options) : m_options(options) {}
    // The profile mode with a prepared run (one key and root for every file).
    Anonymizer(const AnonymizeOptions& options, Deidentifier deidentifier)
        : m_options(options), m_deidentifier(std::move(deidentifier)) {}

    // As AnonymizeFileBytes; a source that does not parse is reported as
    // NotDicom and nothing is written.
    bool anonymizeFile(const std::string& source, const std::string& target, AnonymizeReport& report);

    const AnonymizeOptions& options() const { return m_options; }

  private:
    // Bytes read first; a header that ends inside them needs no more.
    static constexpr size_t kHeadBlock = 65536;

    // Room for `size` bytes in the buffer (its head is not kept).
    bool reserve(size_t size, AnonymizeReport& report);
    // The run of the profile mode, prepared on first use when none was given.
    const Deidentifier* deidentifier(AnonymizeReport& report);

    AnonymizeOptions m_options;
    std::optional<Deidentifier> m_deidentifier;
    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_capacity = 0;
};

} // namespace veltor
