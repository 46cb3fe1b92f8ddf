#include "anonymize_batch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <optional>

#include "dicom/dicom_file.h"

namespace veltor {

namespace {

// Deeper trees than this are not walked further; real folder trees are far
// shallower, and the limit bounds the recursion.
constexpr int kMaxDirectoryDepth = 128;

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + '/' + name;
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

enum class EntryKind { File, Directory, Other };

EntryKind entryKind(const std::string& path, unsigned char type) {
    if (type == DT_REG) return EntryKind::File;
    if (type == DT_DIR) return EntryKind::Directory;
    if (type != DT_UNKNOWN && type != DT_LNK) return EntryKind::Other;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return EntryKind::Other;
    if (S_ISDIR(st.st_mode)) return EntryKind::Directory;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    // A link counts as the file it names, never as a directory.
    if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return EntryKind::File;
    return EntryKind::Other;
}

// False when the scan was stopped.
bool walk(const std::string& directory, bool recurse, int depth, std::vector<std::string>& files,
          const std::function<bool()>& keepScanning, bool& opened) {
    if (keepScanning && !keepScanning()) return false;
    DIR* dir = ::opendir(directory.c_str());
    opened = dir != nullptr;
    if (dir == nullptr) return true;
    bool going = true;
    while (going) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        // A copy in progress (or one left by a run that was killed) is no source.
        if (std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0) continue;
        const std::string path = joinPath(directory, name);
        switch (entryKind(path, entry->d_type)) {
        case EntryKind::File: {
            DicomFile file;
            if (file.openFile(path.c_str(), true)) files.push_back(path);
            break;
        }
        case EntryKind::Directory:
            if (recurse && depth < kMaxDirectoryDepth) {
                bool subOpened = false;
                going = walk(path, recurse, depth + 1, files, keepScanning, subOpened);
            }
            break;
        case EntryKind::Other: break;
        }
    }
    ::closedir(dir);
    return going;
}

// One file of a run: the overwrite question, the copy, the callbacks.
void anonymizeOne(Anonymizer& anonymizer, const std::string& source, const std::string& target,
                  const AnonymizeBatchCallbacks& callbacks, BatchResult& result) {
    if (callbacks.confirmOverwrite && pathExists(target) && !callbacks.confirmOverwrite(target)) {
        ++result.skipped;
        return;
    }
    AnonymizeReport report;
    const bool ok = anonymizer.anonymizeFile(source, target, report);
    if (report.burnedIn && callbacks.burnedIn) callbacks.burnedIn(source);
    if (ok) {
        ++result.written;
        result.log += source;
        if (report.profileApplied) result.log += "  (" + anonymizeSummary(report) + ")";
        result.log += "\r\n";
        if (callbacks.written) callbacks.written(source, target, report);
    } else if (report.failure == AnonymizeFailure::NotDicom) {
        ++result.notDicom;
        if (callbacks.notDicom) callbacks.notDicom(source, report);
    } else {
        ++result.failed;
        if (callbacks.failed) callbacks.failed(source, report);
    }
}

template <typename TargetOf>
BatchResult runFiles(const std::vector<std::string>& files, const AnonymizeOptions& options,
                     const AnonymizeBatchCallbacks& callbacks, TargetOf targetOf) {
    BatchResult result;
    std::optional<Anonymizer> made;
    if (options.profile()) {
        Deidentifier run;
        if (!Deidentifier::prepare(options, run, result.message)) {
            result.status = BatchStatus::ProfileNotReady;
            return result;
        }
        made.emplace(options, std::move(run));
    } else {
        made.emplace(options);
    }
    Anonymizer& anonymizer = *made;
    if (options.criticalWarningDue() && callbacks.criticalFields) callbacks.criticalFields();
    for (size_t i = 0; i < files.size(); ++i) {
        anonymizeOne(anonymizer, files[i], targetOf(files[i]), callbacks, result);
        if (callbacks.progress && !callbacks.progress(i + 1, files.size())) {
            if (i + 1 < files.size()) result.status = BatchStatus::Cancelled;
            break;
        }
    }
    return result;
}

} // namespace

std::string overwriteQuestion(const std::string& target) {
    return "File " + target + " exists! \nOverwrite existing file?";
}

const char* batchStatusMessage(BatchStatus status) {
    switch (status) {
    case BatchStatus::NoExportDirectory: return kNoExportDirectoryMessage;
    case BatchStatus::InvalidDirectory: return kInvalidDirectoryMessage;
    case BatchStatus::NothingToDo: return kNothingToDoMessage;
    case BatchStatus::Completed:
    case BatchStatus::Cancelled:
    case BatchStatus::ProfileNotReady: break;
    }
    return "";
}

BatchStatus collectDicomFiles(const std::string& directory, bool includeSubdirectories,
                              std::vector<std::string>& files,
                              const std::function<bool()>& keepScanning) {
    bool opened = false;
    const bool finished = walk(directory, includeSubdirectories, 0, files, keepScanning, opened);
    if (!opened && finished) return BatchStatus::InvalidDirectory;
    return finished ? BatchStatus::Completed : BatchStatus::Cancelled;
}

BatchResult anonymizeSelectedFiles(const std::vector<std::string>& files,
                                   const std::string& exportDirectory, bool useSuffix,
                                   const AnonymizeOptions& options,
                                   const AnonymizeBatchCallbacks& callbacks) {
    if (exportDirectory.empty()) {
        BatchResult result;
        result.status = BatchStatus::NoExportDirectory;
        return result;
    }
    return runFiles(files, options, callbacks, [&](const std::string& source) {
        // The name is the source's own; nothing of the file's contents goes into it.
        const std::string name = lastComponent(source);
        return joinPath(exportDirectory, useSuffix ? anonymizedPath(name) : name);
    });
}

BatchResult anonymizeBesideSources(const std::vector<std::string>& files,
                                   const AnonymizeOptions& options,
                                   const AnonymizeBatchCallbacks& callbacks) {
    return runFiles(files, options, callbacks,
                    [](const std::string& source) { return anonymizedPath(source); });
}

BatchResult batchAnonymize(const std::string& directory, bool includeSubdirectories,
                           const AnonymizeOptions& options,
                           const AnonymizeBatchCallbacks& callbacks) {
    std::vector<std::string> files;
    const BatchStatus scan =
        collectDicomFiles(directory, includeSubdirectories, files, callbacks.keepScanning);
    BatchResult result;
    if (scan == BatchStatus::InvalidDirectory) {
        result.status = scan;
        return result;
    }
    if (scan == BatchStatus::Cancelled) {
        result.status = scan;
        return result;
    }
    if (files.empty()) {
        result.status = BatchStatus::NothingToDo;
        return result;
    }
    return anonymizeBesideSources(files, options, callbacks);
}

} // namespace veltor
