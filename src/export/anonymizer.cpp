#include "anonymizer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom/dicom_vr.h"

namespace veltor {

namespace {

constexpr char kNotFound[] = "    \n File not found!";
constexpr char kZeroLength[] = "File has zero length.    ";
constexpr char kReadError[] = "Error during reading file.    ";
constexpr char kNotCreated[] = "    \n File not created!";

constexpr uint8_t kTextFill = 0x20;
constexpr uint8_t kBinaryFill = 0x00;

// Burned In Annotation (0028,0301): "YES" means identifying text may be part
// of the pixels, where blanking header values cannot reach it.
bool isBurnedInYes(const DicomElement& e) {
    if (e.group != 0x0028 || e.element != 0x0301) return false;
    const char* t = e.text();
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (up(t[0]) != 'Y' || up(t[1]) != 'E' || up(t[2]) != 'S') return false;
    return t[3] == '\0' || (t[3] == ' ' && t[4] == '\0');
}

void blankValue(uint8_t* bytes, size_t size, const DicomElement& e, uint8_t fill,
                AnonymizeReport& report) {
    if (e.length == 0) return;
    // A record whose value does not lie inside these bytes is never written:
    // an undefined length, or a data set that does not match the file.
    if (e.length == kUndefinedLength || uint64_t{e.valueOffset} + e.length > size) {
        ++report.outOfFile;
        return;
    }
    std::memset(bytes + e.valueOffset, fill, e.length);
    ++report.blanked;
}

// The chosen elements wherever they occur, and (with the private person-name
// rule) person names in items and in private elements. Each value is
// overwritten at most once.
void blankChosen(uint8_t* bytes, size_t size, const DicomElement* list, int32_t count, bool nested, int depth,
                 const AnonymizeOptions& options, AnonymizeReport& report) {
    if (depth > kMaxSequenceDepth) return;
    for (int32_t i = 0; i < count; ++i) {
        const DicomElement& e = list[i];
        // Private elements (odd groups) lose their own person names too;
        // standard ones only those of their items.
        const bool name = options.privateTags && vrIs(e.vr, "PN") && (nested || (e.group & 1) != 0);
        if (name || options.removes(e.group, e.element))
            blankValue(bytes, size, e, isTextVr(e.vr) ? kTextFill : kBinaryFill, report);
        if (e.childCount > 0) blankChosen(bytes, size, e.children, e.childCount, true, depth + 1, options, report);
    }
}

// Deflated explicit VR little endian: after the meta group the file holds a
// compressed stream, so no value can be blanked in place, and a parse that
// happened to succeed on it would describe bytes that are not values.
bool isDeflated(const DicomFile& dataset) {
    static const char kDeflatedSyntax[] = "1.2.840.10008.1.2.1.99";
    DicomElement syntax;
    if (!dataset.findElementByTag(0x0002, 0x0010, syntax) || syntax.value == nullptr) return false;
    std::string uid(syntax.text());
    while (!uid.empty() && (uid.back() == ' ' || uid.back() == '\0')) uid.pop_back();
    return uid == kDeflatedSyntax;
}

std::string systemReason(int error) { return std::strerror(error); }

bool writeAll(int fd, const uint8_t* src, size_t n) {
    while (n > 0) {
        const ssize_t put = ::write(fd, src, std::min<size_t>(n, size_t{1} << 30));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return false;
        }
        src += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

// The source, opened for reading only. Anything but a regular file (a
// directory, a device, a pipe that would block) counts as not found.
int openSource(const char* path, struct stat& st, AnonymizeReport& report) {
    report.path = path;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        report.failure = AnonymizeFailure::SourceNotFound;
        report.reason = systemReason(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        report.failure = AnonymizeFailure::SourceNotFound;
        report.reason = "not a regular file";
        return -1;
    }
    if (st.st_size == 0) {
        ::close(fd);
        report.failure = AnonymizeFailure::ZeroLength;
        return -1;
    }
    return fd;
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

// Reads `size` bytes at `offset`; a short read is a ReadError.
bool readSource(int fd, uint8_t* dst, size_t size, uint64_t offset, AnonymizeReport& report) {
    while (size > 0) {
        const ssize_t got = ::pread(fd, dst, std::min<size_t>(size, size_t{1} << 30), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            report.failure = AnonymizeFailure::ReadError;
            if (got < 0) report.reason = systemReason(errno);
            return false;
        }
        dst += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<size_t>(got);
    }
    return true;
}

// A name for the copy in progress, in the target's folder so that the final
// rename stays within one file system. Short and fixed in form, so it never
// exceeds a name limit the target's own name fits in; never taken from the file.
std::string temporaryPath(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    static const long pid = static_cast<long>(::getpid());
    const size_t slash = target.rfind('/');
    std::string path = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    path += kTemporaryPrefix;
    path += std::to_string(pid);
    path += '-';
    path += std::to_string(counter.fetch_add(1) + attempt);
    path += ".tmp";
    return path;
}

// The bytes of a copy: `head` (with the blanked values), then the source's
// own bytes from head's end to `size`, which hold no value to blank (the
// pixel data and whatever follows it).
struct CopyPlan {
    const uint8_t* head;
    size_t headSize;
    int source; // read from for the tail; unused when headSize == size
    uint64_t size;
};

enum class TailResult { Copied, ReadFailed, WriteFailed };

// Copies the source's bytes [offset, end) to `out`, inside the kernel where
// the file systems allow it (the bulk of a copy is pixel data that needs no
// trip through this process), else through a buffer.
TailResult copyTail(int in, int out, uint64_t offset, uint64_t end, int& error) {
    bool inKernel = true;
    std::unique_ptr<uint8_t[]> buffer;
    constexpr size_t kBlock = size_t{1} << 20;
    while (offset < end) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(end - offset, size_t{1} << 30));
        if (inKernel) {
            auto from = static_cast<off_t>(offset);
            const ssize_t n = ::copy_file_range(in, &from, out, nullptr, want, 0);
            if (n > 0) {
                offset += static_cast<uint64_t>(n);
                continue;
            }
            if (n == 0) return TailResult::ReadFailed; // the source is shorter than it was
            if (errno == EINTR) continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                errno == EBADF || errno == ETXTBSY) {
                inKernel = false;
                continue;
            }
            error = errno;
            return TailResult::WriteFailed;
        }
        if (!buffer) buffer.reset(new (std::nothrow) uint8_t[kBlock]);
        if (!buffer) {
            error = ENOMEM;
            return TailResult::ReadFailed;
        }
        const ssize_t got = ::pread(in, buffer.get(), std::min(want, kBlock), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            return TailResult::ReadFailed;
        }
        if (!writeAll(out, buffer.get(), static_cast<size_t>(got))) {
            error = errno;
            return TailResult::WriteFailed;
        }
        offset += static_cast<uint64_t>(got);
    }
    return TailResult::Copied;
}

bool writeCopy(const char* target, const CopyPlan& plan, const struct stat& source, AnonymizeReport& report) {
    auto failed = [&](AnonymizeFailure failure, std::string reason) {
        report.failure = failure;
        report.path = target;
        report.reason = std::move(reason);
        return false;
    };
    // The same file under another name (a link, "./", a hard link) is the
    // source too: replacing it would lose the original.
    struct stat existing {};
    if (::stat(target, &existing) == 0 && existing.st_dev == source.st_dev &&
        existing.st_ino == source.st_ino)
        return failed(AnonymizeFailure::TargetIsSource, "the target is the source file");

    const std::string targetPath(target);
    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryPath(targetPath, attempt);
        // Mode 0666 less the user's umask, as for any new file: the copy is
        // never read-only for its owner.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return failed(AnonymizeFailure::TargetNotCreated, systemReason(errno));
    // Until the rename, a failure removes the temporary file and leaves any
    // existing target as it was.
    auto abandon = [&](AnonymizeFailure failure, int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        if (failure == AnonymizeFailure::ReadError) {
            report.failure = failure;
            report.reason = error != 0 ? systemReason(error) : std::string("the file became shorter");
            return false;
        }
        return failed(failure, systemReason(error));
    };
    if (!writeAll(fd, plan.head, plan.headSize)) return abandon(AnonymizeFailure::TargetNotCreated, errno);
    if (plan.headSize < plan.size) {
        int error = 0;
        const TailResult tail = copyTail(plan.source, fd, plan.headSize, plan.size, error);
        if (tail == TailResult::ReadFailed) return abandon(AnonymizeFailure::ReadError, error);
        if (tail == TailResult::WriteFailed) return abandon(AnonymizeFailure::TargetNotCreated, error);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return failed(AnonymizeFailure::TargetNotCreated, systemReason(error));
    }
    if (::rename(temporary.c_str(), target) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return failed(AnonymizeFailure::TargetNotCreated, systemReason(error));
    }
    return true;
}

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The profile's values after the start of the pixel data group (there are
// usually none: the pixel data ends the file).
bool trailingRanges(const DicomFile& dataset, const SourceBytes& source, std::vector<BlankRange>& ranges,
                    AnonymizeReport& report) {
    const uint64_t start = dataset.position();
    if (start >= source.size) return true;
    std::string error;
    if (findTrailingBlanks(source, start, dataset.implicitVr(), dataset.bigEndian(), ranges, error)) return true;
    report.failure = AnonymizeFailure::UnreadableTrailer;
    report.reason = error;
    return false;
}

// The profile over a file image whose first `size` bytes are in `bytes`;
// `ranges` (from trailingRanges) must lie inside them.
void applyProfile(uint8_t* bytes, size_t size, const DicomFile& dataset, const std::vector<BlankRange>& ranges,
                  const Deidentifier& deidentifier, const AnonymizeOptions& options, AnonymizeReport& report) {
    for (const DicomElement& e : dataset.elements())
        if (options.attention2 && isBurnedInYes(e)) report.burnedIn = true;
    applyBasicProfile(bytes, size, dataset, deidentifier, report.profile);
    for (const BlankRange& r : ranges) {
        if (r.offset + r.length > size) {
            ++report.profile.outOfFile;
            continue;
        }
        std::memset(bytes + r.offset, r.fill, r.length);
        ++(r.privateValue ? report.profile.privates : report.profile.blanked);
    }
    report.profileApplied = true;
}

} // namespace

std::string anonymizeMessage(const AnonymizeReport& report) {
    switch (report.failure) {
    case AnonymizeFailure::None: return {};
    case AnonymizeFailure::SourceNotFound: return report.path + kNotFound;
    case AnonymizeFailure::ZeroLength: return kZeroLength;
    case AnonymizeFailure::ReadError: return kReadError;
    case AnonymizeFailure::NotDicom:
        return report.path + "    \n " + dicomErrorText(report.parseStatus);
    case AnonymizeFailure::SourceChanged:
        return report.path + "    \n File changed while it was being read!";
    case AnonymizeFailure::Deflated:
        return report.path + "    \n Deflated data set: values cannot be blanked in place!";
    case AnonymizeFailure::TargetIsSource:
        return report.path + kNotCreated + "\n The target is the source file.";
    case AnonymizeFailure::TargetNotCreated: return report.path + kNotCreated;
    case AnonymizeFailure::UnreadableTrailer:
        return report.path + "    \n The data after the pixel data cannot be read: " + report.reason;
    case AnonymizeFailure::ProfileNotReady: return "De-identification cannot start: " + report.reason;
    }
    return {};
}

std::string anonymizeMessageLine(const AnonymizeReport& report) {
    if (report.ok()) return {};
    std::string text;
    switch (report.failure) {
    case AnonymizeFailure::ZeroLength: text = "File has zero length."; break;
    case AnonymizeFailure::ReadError: text = "Error during reading file."; break;
    case AnonymizeFailure::SourceNotFound: text = "File not found!"; break;
    case AnonymizeFailure::NotDicom: text = dicomErrorText(report.parseStatus); break;
    case AnonymizeFailure::SourceChanged: text = "File changed while it was being read!"; break;
    case AnonymizeFailure::Deflated: text = "Deflated data set: values cannot be blanked in place!"; break;
    case AnonymizeFailure::TargetIsSource:
    case AnonymizeFailure::TargetNotCreated: text = "File not created!"; break;
    case AnonymizeFailure::UnreadableTrailer: text = "The data after the pixel data cannot be read"; break;
    case AnonymizeFailure::ProfileNotReady: text = "De-identification cannot start"; break;
    case AnonymizeFailure::None: break;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::string line = report.path + ": " + text;
    if (!report.reason.empty()) line += " (" + report.reason + ")";
    return line;
}

std::string burnedInWarning(const std::string& sourcePath) {
    return "The burned-in annotation flag (0x0028,0x0301) is set in " + lastComponent(sourcePath) +
           ": the image itself may show identifying text, which anonymization does not remove.";
}

std::string anonymizeSummary(const AnonymizeReport& report) {
    if (report.profileApplied) return profileSummaryText(report.profile);
    std::string out = report.blanked == 0   ? std::string("nothing to change")
                      : report.blanked == 1 ? std::string("1 value blanked")
                                            : std::to_string(report.blanked) + " values blanked";
    if (report.outOfFile > 0) out += ", " + std::to_string(report.outOfFile) + " outside the file left alone";
    return out;
}

std::string anonymizedPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return path + "_anon";
    return path.substr(0, dot) + "_anon" + path.substr(dot);
}

void anonymizeBytes(uint8_t* bytes, size_t size, const DicomFile& dataset,
                    const AnonymizeOptions& options, AnonymizeReport& report) {
    for (const DicomElement& e : dataset.elements())
        if (options.attention2 && isBurnedInYes(e)) report.burnedIn = true;
    // A chosen element is blanked inside sequence items as well as at the top
    // level: a copy of the patient's ID in a referenced-patient item names the
    // patient as plainly as the top-level one.
    const std::vector<DicomElement>& top = dataset.elements();
    blankChosen(bytes, size, top.data(), static_cast<int32_t>(top.size()), false, 0, options, report);
}

int AnonymizeFileBytes(const char* source, const DicomFile& dataset, const char* target,
                       const AnonymizeOptions& options, AnonymizeReport& report,
                       const Deidentifier* deidentifier) {
    report = AnonymizeReport{};
    if (source == nullptr) source = "";
    if (target == nullptr) target = "";
    struct stat st {};
    const FileDescriptor fd(openSource(source, st, report));
    if (fd.get() < 0) return 0;
    const auto size = static_cast<uint64_t>(st.st_size);
    // Offsets of the data set are 32-bit and refer to the file it was parsed
    // from; a file of another size is not that file any more.
    if (size != dataset.fileSize()) {
        report.failure = AnonymizeFailure::SourceChanged;
        return 0;
    }
    // A partial parse would leave every value after the failure in place;
    // so would a data set that ends inside an element.
    if (isDeflated(dataset)) {
        report.failure = AnonymizeFailure::Deflated;
        return 0;
    }
    if (dataset.status() != DicomError::NoError || dataset.truncated()) {
        report.failure = AnonymizeFailure::NotDicom;
        report.parseStatus = dataset.truncated() ? DicomError::CorruptedDicom : dataset.status();
        report.reason = explainUnreadable(SourceBytes{nullptr, 0, fd.get(), size});
        return 0;
    }
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
    if (!bytes) {
        report.failure = AnonymizeFailure::ReadError;
        report.reason = "not enough memory";
        return 0;
    }
    if (!readSource(fd.get(), bytes.get(), size, 0, report)) return 0;
    // The bytes must be a DICOM file themselves: a data set built from a
    // raster image describes values that are not bytes of its file. The
    // profile also learns from this parse where the pixel data group starts.
    DicomFile header;
    if (!header.openMemory(bytes.get(), size, true, source)) {
        report.failure = AnonymizeFailure::NotDicom;
        report.parseStatus = header.status();
        report.reason = explainUnreadable(SourceBytes{bytes.get(), size, -1, size});
        return 0;
    }
    if (options.profile()) {
        std::optional<Deidentifier> own;
        if (deidentifier == nullptr) {
            own.emplace();
            std::string error;
            if (!Deidentifier::prepare(options, *own, error)) {
                report.failure = AnonymizeFailure::ProfileNotReady;
                report.reason = error;
                return 0;
            }
            deidentifier = &*own;
        }
        std::vector<BlankRange> ranges;
        if (!trailingRanges(header, SourceBytes{bytes.get(), size, -1, size}, ranges, report)) return 0;
        applyProfile(bytes.get(), size, header, ranges, *deidentifier, options, report);
    } else {
        anonymizeBytes(bytes.get(), size, dataset, options, report);
    }
    return writeCopy(target, CopyPlan{bytes.get(), size, fd.get(), size}, st, report) ? 1 : 0;
}

bool Anonymizer::reserve(size_t size, AnonymizeReport& report) {
    if (size <= m_capacity) return true;
    m_buffer.reset(new (std::nothrow) uint8_t[size]);
    m_capacity = m_buffer ? size : 0;
    if (m_buffer) return true;
    report.failure = AnonymizeFailure::ReadError;
    report.reason = "not enough memory";
    return false;
}

const Deidentifier* Anonymizer::deidentifier(AnonymizeReport& report) {
    if (m_deidentifier) return &*m_deidentifier;
    Deidentifier run;
    std::string error;
    if (!Deidentifier::prepare(m_options, run, error)) {
        report.failure = AnonymizeFailure::ProfileNotReady;
        report.reason = error;
        return nullptr;
    }
    m_deidentifier = std::move(run);
    return &*m_deidentifier;
}

bool Anonymizer::anonymizeFile(const std::string& source, const std::string& target,
                               AnonymizeReport& report) {
    report = AnonymizeReport{};
    struct stat st {};
    const FileDescriptor fd(openSource(source.c_str(), st, report));
    if (fd.get() < 0) return false;
    const auto size = static_cast<uint64_t>(st.st_size);
    if (size > UINT32_MAX) {
        // Element offsets are 32-bit: such a file is refused before it is read.
        report.failure = AnonymizeFailure::NotDicom;
        report.parseStatus = DicomError::UnsupportedDicom;
        return false;
    }
    // Most headers end well within the first block. When the parse of that
    // block stops at the pixel data group, it is the parse of the whole file
    // (a header-only parse never reads further), and the rest of the file is
    // copied without passing through memory here.
    size_t head = static_cast<size_t>(std::min<uint64_t>(size, kHeadBlock));
    if (!reserve(head, report) || !readSource(fd.get(), m_buffer.get(), head, 0, report)) return false;
    DicomFile dataset;
    bool parsed = dataset.openMemory(m_buffer.get(), head, true, source.c_str());
    if (head < size && !(parsed && !dataset.truncated() && dataset.position() < head)) {
        // The header runs past the first block (or this is no DICOM file):
        // read and parse it all.
        if (!reserve(static_cast<size_t>(size), report) ||
            !readSource(fd.get(), m_buffer.get(), static_cast<size_t>(size), 0, report))
            return false;
        head = static_cast<size_t>(size);
        parsed = dataset.openMemory(m_buffer.get(), head, true, source.c_str());
    }
    if (isDeflated(dataset)) {
        report.failure = AnonymizeFailure::Deflated;
        return false;
    }
    if (!parsed || dataset.truncated()) {
        report.failure = AnonymizeFailure::NotDicom;
        report.parseStatus = parsed ? DicomError::CorruptedDicom : dataset.status();
        report.reason = explainUnreadable(SourceBytes{m_buffer.get(), head, fd.get(), size});
        return false;
    }
    if (m_options.profile()) {
        const Deidentifier* run = deidentifier(report);
        if (run == nullptr) return false;
        std::vector<BlankRange> ranges;
        if (!trailingRanges(dataset, SourceBytes{m_buffer.get(), head, fd.get(), size}, ranges, report)) return false;
        if (!ranges.empty() && ranges.back().offset + ranges.back().length > head) {
            // Values to blank after the pixel data (rare): the whole file
            // goes through memory.
            if (!reserve(static_cast<size_t>(size), report) ||
                !readSource(fd.get(), m_buffer.get(), static_cast<size_t>(size), 0, report))
                return false;
            head = static_cast<size_t>(size);
        }
        applyProfile(m_buffer.get(), head, dataset, ranges, *run, m_options, report);
    } else {
        anonymizeBytes(m_buffer.get(), head, dataset, m_options, report);
    }
    return writeCopy(target.c_str(), CopyPlan{m_buffer.get(), head, fd.get(), size}, st, report);
}

} // namespace veltor
