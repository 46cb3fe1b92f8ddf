// Anonymizing many files: a chosen set into an export folder, or every DICOM
// file of a folder tree with each copy beside its source. The walks report
// through callbacks and never show anything themselves.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "anonymize_options.h"
#include "anonymizer.h"

namespace veltor {

inline constexpr char kNoExportDirectoryMessage[] = "Please select an export directory   ";
inline constexpr char kInvalidDirectoryMessage[] = "Invalid Directory      ";
inline constexpr char kNothingToDoMessage[] = "Nothing to do      ";

// "File %s exists! \nOverwrite existing file?" with the target path.
std::string overwriteQuestion(const std::string& target);

// Every callback is optional.
struct AnonymizeBatchCallbacks {
    // Once, before the first file, when the critical-fields warning is due.
    std::function<void()> criticalFields;
    // After each file with the count done and the total; false ends the run
    // there (the progress window's Cancel).
    std::function<bool(size_t done, size_t total)> progress;
    // The target exists: true replaces it, false skips the file. Without this
    // callback an existing target is replaced.
    std::function<bool(const std::string& target)> confirmOverwrite;
    // A copy was written; anonymizeSummary(report) says what it had changed.
    std::function<void(const std::string& source, const std::string& target, const AnonymizeReport& report)> written;
    // A copy failed; anonymizeMessage(report) is the text to show.
    std::function<void(const std::string& source, const AnonymizeReport& report)> failed;
    // A source that does not parse. The dialogs skip these silently.
    std::function<void(const std::string& source, const AnonymizeReport& report)> notDicom;
    // The source's burned-in annotation flag is set (and its warning enabled);
    // burnedInWarning(source) is the text to show.
    std::function<void(const std::string& source)> burnedIn;
    // Between directories while collecting files; false ends the scan.
    std::function<bool()> keepScanning;
};

enum class BatchStatus {
    Completed,
    Cancelled,
    NoExportDirectory, // kNoExportDirectoryMessage; nothing done
    InvalidDirectory,  // kInvalidDirectoryMessage; nothing done
    NothingToDo,       // kNothingToDoMessage; no DICOM file found
    ProfileNotReady,   // the profile's key file or UID root is unusable (BatchResult::message); nothing written
};

// The message of a status that ends a run before it starts, or an empty text.
const char* batchStatusMessage(BatchStatus status);

struct BatchResult {
    BatchStatus status = BatchStatus::Completed;
    size_t written = 0;
    size_t failed = 0;
    size_t notDicom = 0;
    size_t skipped = 0; // existing targets the user chose to keep
    // The "Anonymized files:" log: each written source path followed by
    // "\r\n"; in the profile mode the path is followed by what was changed
    // ("  (12 values blanked, ...)").
    std::string log;
    std::string message; // why a ProfileNotReady run did not start
};

// The files of `directory` that parse as DICOM (header only), as
// "directory/name" in the order the file system lists them; with
// `includeSubdirectories`, each subdirectory's files where it is listed.
// Only regular files are opened; symbolic links to directories are not
// followed, so a link cycle cannot trap the walk. InvalidDirectory when
// `directory` cannot be listed, Cancelled when keepScanning said stop
// (the files found so far are kept).
BatchStatus collectDicomFiles(const std::string& directory, bool includeSubdirectories,
                              std::vector<std::string>& files,
                              const std::function<bool()>& keepScanning = {});

// In the profile mode every run first prepares its key and root (deidentification.h):
// a key file that cannot be read stops the run before any copy is written.

// "Anonymize selected files": each file into `exportDirectory` under its own
// name, with the suffix rule applied to the name when `useSuffix` is on.
BatchResult anonymizeSelectedFiles(const std::vector<std::string>& files,
                                   const std::string& exportDirectory, bool useSuffix,
                                   const AnonymizeOptions& options,
                                   const AnonymizeBatchCallbacks& callbacks);

// Each file's copy beside it, named by the suffix rule.
BatchResult anonymizeBesideSources(const std::vector<std::string>& files,
                                   const AnonymizeOptions& options,
                                   const AnonymizeBatchCallbacks& callbacks);

// "Batch Anonymize": collectDicomFiles, then anonymizeBesideSources.
// Copies made by the run are not themselves candidates: the candidates are
// collected first, so a second run turns ct1_anon.dcm into ct1_anon_anon.dcm.
BatchResult batchAnonymize(const std::string& directory, bool includeSubdirectories,
                           const AnonymizeOptions& options,
                           const AnonymizeBatchCallbacks& callbacks);

} // namespace veltor
