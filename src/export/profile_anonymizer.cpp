#include "profile_anonymizer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "deidentification.h"
#include "deidentification_profile.h"
#include "dicom/dicom_dictionary.h"
#include "dicom/dicom_file.h"
#include "dicom/dicom_vr.h"

namespace veltor {

namespace {

// VRs whose values are character strings padded with spaces.
bool isStringVr(const char* vr) {
    static const char* const kStrings[] = {"AE", "AS", "CS", "DA", "DS", "DT", "IS", "LO",
                                           "LT", "PN", "SH", "ST", "TM", "UC", "UR", "UT"};
    for (const char* s : kStrings)
        if (vrIs(vr, s)) return true;
    return false;
}

// Free text that may name someone: what a dummy replaces inside a sequence
// the profile keeps only in outline.
bool isFreeTextVr(const char* vr) {
    return vrIs(vr, "PN") || vrIs(vr, "LO") || vrIs(vr, "SH") || vrIs(vr, "ST") || vrIs(vr, "LT") ||
           vrIs(vr, "UT") || vrIs(vr, "UC");
}

// Blanks are spaces in strings and zeros elsewhere (a UID's padding is a
// NUL, and binary or unknown values read as zeros).
uint8_t fillFor(const char* vr) {
    return isStringVr(vr) ? 0x20 : 0x00;
}

// The element's VR: as the file (or the dictionary) gave it, else from the
// profile's own list, else empty.
const char* vrOf(const DicomElement& e) {
    if (e.vr[0] != '\0' && e.vr[0] != ' ') return e.vr;
    // (gggg,0010) to (gggg,00FF) of a private group name its creators.
    if ((e.group & 1) != 0 && e.element >= 0x0010 && e.element <= 0x00FF) return "LO";
    const char* vr = profileVr(e.group, e.element);
    return vr != nullptr ? vr : "";
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

// The same text, cut or padded with spaces to `length` bytes.
std::string fitted(std::string_view text, size_t length) {
    std::string out(text.substr(0, std::min(text.size(), length)));
    out.resize(length, ' ');
    return out;
}

std::string dummyFor(const char* vr, size_t length) {
    if (vrIs(vr, "PN")) return fitted("ANONYMOUS", length);
    if (vrIs(vr, "DA")) return fitted(length >= 8 ? "19000101" : "", length);
    if (vrIs(vr, "DT")) return fitted("19000101000000", length);
    if (vrIs(vr, "TM")) return fitted("000000", length);
    if (vrIs(vr, "AS")) return fitted(length >= 4 ? "000Y" : "", length);
    if (vrIs(vr, "DS") || vrIs(vr, "IS")) return fitted("0", length);
    if (isStringVr(vr)) return fitted("ANONYMIZED", length);
    return std::string(length, '\0');
}

// --- Elements after the start of the pixel data group.

constexpr uint16_t kItemGroup = 0xFFFE;
constexpr uint16_t kItem = 0xE000;
constexpr uint16_t kItemEnd = 0xE00D;
constexpr uint16_t kSequenceEnd = 0xE0DD;
// The end of a sequence or item that runs to its delimiter.
constexpr uint64_t kToDelimiter = UINT64_MAX;

bool isLongForm(const char* vr) {
    static const char* const kLong[] = {"OB", "OW", "OF", "OD", "OL", "OV", "SQ",
                                        "UN", "UT", "UC", "UR", "SV", "UV"};
    for (const char* l : kLong)
        if (vrIs(vr, l)) return true;
    return false;
}

class TailScan {
  public:
    // `where` ends each error message (" after the pixel data").
    TailScan(const SourceBytes& src, std::vector<BlankRange>& out, std::string& error,
             const char* where = "")
        : m_src(src), m_out(out), m_error(error), m_where(where) {}

    struct Syntax {
        bool implicit;
        bool big;
    };

    // Blanks every value in the items that fill [pos, end).
    bool blankItems(uint64_t pos, uint64_t end, Syntax syntax) {
        return items(pos, end, syntax, Removal{true, false}, 1, false) && pos == end;
    }

    bool topLevel(uint64_t pos, Syntax syntax) {
        while (pos < m_src.size) {
            // A few stray bytes after the last element are not an element.
            if (m_src.size - pos < 8) return true;
            if (!element(pos, syntax, Removal{}, 0, true)) return false;
        }
        return true;
    }

  private:
    // Whether the values met are removed, and whether as private values.
    struct Removal {
        bool remove = false;
        bool privateValue = false;
    };

    struct Header {
        uint16_t group = 0;
        uint16_t element = 0;
        char vr[3] = {};
        uint32_t length = 0;
    };

    bool fail(uint64_t pos, const char* what) {
        m_error = std::string(what) + " at offset " + std::to_string(pos) + m_where;
        return false;
    }

    uint16_t u16(const uint8_t* p, Syntax s) const {
        return s.big ? static_cast<uint16_t>(p[0] << 8 | p[1])
                     : static_cast<uint16_t>(p[0] | p[1] << 8);
    }
    uint32_t u32(const uint8_t* p, Syntax s) const {
        return s.big ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                     : (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                        uint32_t{p[3]} << 24);
    }

    bool header(uint64_t& pos, Syntax s, Header& h) {
        uint8_t b[12];
        if (pos + 8 > m_src.size || !m_src.read(pos, b, 8))
            return fail(pos, "an element header runs past the end");
        h.group = u16(b, s);
        h.element = u16(b + 2, s);
        if (h.group == kItemGroup) {
            h.length = u32(b + 4, s);
            pos += 8;
            return true;
        }
        if (s.implicit) {
            DicomElement record;
            const char* known =
                lookupTagVr(h.group, h.element, record) ? record.vr : profileVr(h.group, h.element);
            h.vr[0] = h.vr[1] = h.vr[2] = '\0';
            if (known != nullptr && known[0] != '\0') std::memcpy(h.vr, known, 2);
            h.length = u32(b + 4, s);
            pos += 8;
            return true;
        }
        h.vr[0] = static_cast<char>(b[4]);
        h.vr[1] = static_cast<char>(b[5]);
        h.vr[2] = '\0';
        if (!isKnownVr(h.vr)) return fail(pos, "an element without a valid VR");
        if (isLongForm(h.vr) && u16(b + 6, s) == 0) {
            if (pos + 12 > m_src.size || !m_src.read(pos + 8, b + 8, 4))
                return fail(pos, "an element header runs past the end");
            h.length = u32(b + 8, s);
            pos += 12;
        } else {
            h.length = u16(b + 6, s);
            pos += 8;
        }
        return true;
    }

    // Whether the profile removes this element after the pixel data: private
    // ones, and those the table does not keep.
    static bool removes(const Header& h) {
        if ((h.group & 1) != 0) return true;
        const ProfileRow* row = findProfileRow(h.group, h.element);
        return row != nullptr && row->action != ProfileAction::Keep;
    }

    bool element(uint64_t& pos, Syntax s, Removal remove, int depth, bool top) {
        const uint64_t at = pos;
        Header h;
        if (!header(pos, s, h)) return false;
        if (h.group == kItemGroup) return fail(at, "an item outside a sequence");
        const bool pixelData = top && h.group == 0x7FE0 && h.element == 0x0010;
        remove.remove = remove.remove || removes(h);
        remove.privateValue = remove.privateValue || (h.group & 1) != 0;
        if (h.length == kUndefinedLength) {
            // Encapsulated pixel data, a sequence, or (explicit VR) an UN
            // element whose items are implicit VR little endian.
            Syntax inner = s;
            if (!s.implicit && vrIs(h.vr, "UN")) inner = Syntax{true, false};
            return items(pos, kToDelimiter, inner, pixelData ? Removal{} : remove, depth + 1,
                         pixelData);
        }
        if (h.length > m_src.size - pos) return fail(at, "a value runs past the end of the file");
        if (vrIs(h.vr, "SQ")) {
            const uint64_t end = pos + h.length;
            if (!items(pos, end, s, remove, depth + 1, false)) return false;
            if (pos != end) return fail(at, "a sequence whose items do not fill it");
            return true;
        }
        if (remove.remove && h.length > 0 && !pixelData)
            m_out.push_back({pos, h.length, fillFor(h.vr), remove.privateValue});
        pos += h.length;
        return true;
    }

    // The items of a sequence from `pos` to `end` (or to its delimiter when
    // `end` is undefined). Fragments of encapsulated pixel data are skipped.
    bool items(uint64_t& pos, uint64_t end, Syntax s, Removal remove, int depth, bool fragments) {
        if (depth > kMaxSequenceDepth) return fail(pos, "sequences nested too deep");
        const bool undefined = end == kToDelimiter;
        while (undefined || pos < end) {
            const uint64_t at = pos;
            Header h;
            if (!header(pos, s, h)) return false;
            if (h.group != kItemGroup) return fail(at, "a sequence item without its item tag");
            if (h.element == kSequenceEnd && undefined) return true;
            if (h.element != kItem) return fail(at, "a sequence item without its item tag");
            if (fragments || h.length != kUndefinedLength) {
                if (h.length == kUndefinedLength || h.length > m_src.size - pos)
                    return fail(at, "an item runs past the end of the file");
                const uint64_t itemEnd = pos + h.length;
                if (fragments) {
                    pos = itemEnd;
                    continue;
                }
                while (pos < itemEnd)
                    if (!element(pos, s, remove, depth, false)) return false;
                if (pos != itemEnd) return fail(at, "an item whose elements overrun it");
                continue;
            }
            for (;;) {
                uint8_t b[4];
                if (pos + 8 > m_src.size || !m_src.read(pos, b, 4))
                    return fail(pos, "an item without its end");
                if (u16(b, s) == kItemGroup && u16(b + 2, s) == kItemEnd) {
                    pos += 8;
                    break;
                }
                if (!element(pos, s, remove, depth, false)) return false;
            }
        }
        return true;
    }

    const SourceBytes& m_src;
    std::vector<BlankRange>& m_out;
    std::string& m_error;
    const char* m_where;
};

class ProfileWalk {
  public:
    enum class Mode {
        Clean,   // rows apply; other values stay
        Dummy,   // rows apply; other free text gets dummies
        Blank,   // everything blanked
        Private, // everything blanked, counted as private
    };

    ProfileWalk(uint8_t* bytes, size_t size, const Deidentifier& d, int days, ProfileSummary& s)
        : m_bytes(bytes), m_size(size), m_d(d), m_days(days), m_s(s) {}

    void elements(const DicomElement* list, int32_t count, Mode mode, int depth) {
        if (depth > kMaxSequenceDepth) return;
        for (int32_t i = 0; i < count; ++i)
            element(list[i], mode, depth);
    }

  private:
    void element(const DicomElement& e, Mode mode, int depth) {
        const char* vr = vrOf(e);
        const bool sequence = e.childCount > 0 || vrIs(vr, "SQ");
        // A sequence the parser kept as one value (implicit VR, a tag its
        // dictionary does not know): nothing in its items is looked at
        // one by one, so every value in them goes.
        if (sequence && e.childCount == 0) {
            const bool privateValues = mode == Mode::Private || (e.group & 1) != 0;
            opaqueSequence(e, privateValues ? m_s.privates : m_s.blanked);
            return;
        }
        if (mode == Mode::Blank || mode == Mode::Private) {
            if (sequence)
                elements(e.children, e.childCount, mode, depth + 1);
            else
                blank(e, vr, mode == Mode::Private ? m_s.privates : m_s.blanked);
            return;
        }
        if ((e.group & 1) != 0) {
            if (sequence)
                elements(e.children, e.childCount, Mode::Private, depth + 1);
            else
                blank(e, vr, m_s.privates);
            return;
        }
        const ProfileRow* row = findProfileRow(e.group, e.element);
        const bool date = vrIs(vr, "DA") || vrIs(vr, "DT");
        if (row != nullptr && row->temporal && !sequence) {
            // Dates move with the patient's shift, or stay when kept; a whole
            // number of days leaves the time of day as it was.
            if (m_d.keepDates() || vrIs(vr, "TM")) return;
            if (date) {
                shiftDate(e, vr);
                return;
            }
        }
        const ProfileAction action = row != nullptr ? row->action : ProfileAction::Keep;
        if (sequence) {
            Mode next = mode;
            if (action == ProfileAction::Blank) next = Mode::Blank;
            if (action == ProfileAction::Dummy) next = Mode::Dummy;
            elements(e.children, e.childCount, next, depth + 1);
            return;
        }
        switch (action) {
        case ProfileAction::Blank:
        case ProfileAction::Clean:
            blank(e, vr, m_s.blanked);
            break;
        case ProfileAction::Dummy:
            dummy(e, vr);
            break;
        case ProfileAction::Uid:
            replaceUid(e);
            break;
        case ProfileAction::Keep:
            if (date && !m_d.keepDates())
                shiftDate(e, vr);
            else if (mode == Mode::Dummy && isFreeTextVr(vr))
                dummy(e, vr);
            break;
        }
    }

    // The value's bytes, or null when the record does not describe a value
    // inside these bytes.
    char* value(const DicomElement& e) {
        if (e.length == 0) return nullptr;
        if (e.length == kUndefinedLength || uint64_t{e.valueOffset} + e.length > m_size) {
            ++m_s.outOfFile;
            return nullptr;
        }
        return reinterpret_cast<char*>(m_bytes + e.valueOffset);
    }

    void blank(const DicomElement& e, const char* vr, uint32_t& counter) {
        char* v = value(e);
        if (v == nullptr) return;
        std::memset(v, fillFor(vr), e.length);
        ++counter;
    }

    void opaqueSequence(const DicomElement& e, uint32_t& counter) {
        char* v = value(e);
        if (v == nullptr) return;
        std::vector<BlankRange> ranges;
        std::string error;
        const SourceBytes bytes{m_bytes, m_size, -1, m_size};
        TailScan scan(bytes, ranges, error);
        if (!scan.blankItems(e.valueOffset, uint64_t{e.valueOffset} + e.length,
                             TailScan::Syntax{true, false})) {
            // Items that cannot be read are not left to be read by others.
            std::memset(v, 0, e.length);
            ++counter;
            return;
        }
        for (const BlankRange& r : ranges) {
            std::memset(m_bytes + r.offset, r.fill, r.length);
            ++counter;
        }
    }

    void dummy(const DicomElement& e, const char* vr) {
        if (vrIs(vr, "UI")) {
            replaceUid(e);
            return;
        }
        char* v = value(e);
        if (v == nullptr) return;
        if ((vrIs(vr, "DA") || vrIs(vr, "DT")) && !m_d.keepDates()) {
            shiftDate(e, vr);
            return;
        }
        const std::string text = dummyFor(vr, e.length);
        std::memcpy(v, text.data(), text.size());
        ++m_s.dummies;
    }

    void replaceUid(const DicomElement& e) {
        char* v = value(e);
        if (v == nullptr) return;
        // Each of several UIDs (separated by '\') gets its own replacement.
        size_t start = 0;
        bool any = false;
        while (start <= e.length) {
            size_t stop = start;
            while (stop < e.length && v[stop] != '\\')
                ++stop;
            size_t end = stop;
            while (end > start && (v[end - 1] == ' ' || v[end - 1] == '\0'))
                --end;
            if (end > start) {
                bool isShort = false;
                const std::string uid =
                    m_d.replacementUid(std::string_view(v + start, end - start), &isShort);
                std::memcpy(v + start, uid.data(), uid.size());
                any = true;
                if (isShort) ++m_s.shortUids;
            }
            start = stop + 1;
        }
        if (any) ++m_s.uids;
    }

    void shiftDate(const DicomElement& e, const char* vr) {
        char* v = value(e);
        if (v == nullptr || trimmed(std::string_view(v, e.length)).empty()) return;
        const bool ok = vrIs(vr, "DT") ? shiftDateTimeValue(v, e.length, m_days)
                                       : shiftDateValue(v, e.length, m_days);
        if (ok) {
            ++m_s.datesShifted;
        } else {
            // A date that cannot be moved is not left as it was.
            std::memset(v, ' ', e.length);
            ++m_s.datesBlanked;
        }
    }

    uint8_t* m_bytes;
    size_t m_size;
    const Deidentifier& m_d;
    int m_days;
    ProfileSummary& m_s;
};

const DicomElement* topLevel(const DicomFile& dataset, uint16_t group, uint16_t element) {
    for (const DicomElement& e : dataset.elements())
        if (e.group == group && e.element == element) return &e;
    return nullptr;
}

// Writes `text` (padded with spaces) over the value of `e` when it fits.
bool writeText(uint8_t* bytes, size_t size, const DicomElement* e, std::string_view text) {
    if (e == nullptr || e->length < text.size() || e->length == kUndefinedLength ||
        uint64_t{e->valueOffset} + e->length > size)
        return false;
    const std::string value = fitted(text, e->length);
    std::memcpy(bytes + e->valueOffset, value.data(), value.size());
    return true;
}

// The patient whose dates move together: the Patient ID, or the name when
// the ID is empty.
std::string patientOf(const DicomFile& dataset) {
    for (uint16_t element : {uint16_t{0x0020}, uint16_t{0x0010}}) {
        const DicomElement* e = topLevel(dataset, 0x0010, element);
        if (e == nullptr) continue;
        const std::string_view text = trimmed(std::string_view(e->text()));
        if (!text.empty())
            return std::string(element == 0x0020 ? "id:" : "name:") + std::string(text);
    }
    return {};
}

void markDeidentified(uint8_t* bytes, size_t size, const DicomFile& dataset, const Deidentifier& d,
                      ProfileSummary& s) {
    auto note = [&s](bool written, const char* name) {
        (written ? s.set : s.noRoom).emplace_back(name);
    };
    note(writeText(bytes, size, topLevel(dataset, 0x0012, 0x0062), "YES"),
         "Patient Identity Removed");
    const DicomElement* method = topLevel(dataset, 0x0012, 0x0063);
    const std::string_view methodText =
        d.keepDates() ? "BASIC PROFILE, DATES KEPT" : "BASIC PROFILE, DATES SHIFTED";
    const size_t shortest = std::string_view("BASIC PROFILE").size();
    note(method != nullptr && method->length >= shortest &&
             writeText(bytes, size, method,
                       methodText.substr(0, std::min<size_t>(methodText.size(), method->length))),
         "De-identification Method");
    note(writeText(bytes, size, topLevel(dataset, 0x0028, 0x0303),
                   d.keepDates() ? "UNMODIFIED" : "MODIFIED"),
         "Longitudinal Temporal Information Modified");
    // The pixels are not examined: a flag that says YES stays (and is
    // warned about), NO stays, and a flag with no usable value says YES.
    const DicomElement* burnedIn = topLevel(dataset, 0x0028, 0x0301);
    std::string flag(burnedIn != nullptr ? trimmed(std::string_view(burnedIn->text()))
                                         : std::string_view());
    for (char& c : flag)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (flag == "YES") {
        s.burnedIn = true;
    } else if (flag != "NO") {
        note(writeText(bytes, size, burnedIn, "YES"), "Burned In Annotation");
    }
}

void appendCount(std::string& out, uint32_t n, const char* one, const char* many) {
    if (n == 0) return;
    if (!out.empty()) out += ", ";
    out += std::to_string(n);
    out += ' ';
    out += n == 1 ? one : many;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += ", ";
        out += n;
    }
    return out;
}

} // namespace

bool SourceBytes::read(uint64_t offset, void* dst, size_t n) const {
    if (offset > size || n > size - offset) return false;
    auto* out = static_cast<uint8_t*>(dst);
    if (offset + n <= headSize) {
        std::memcpy(out, head + offset, n);
        return true;
    }
    if (fd < 0) return false;
    while (n > 0) {
        const ssize_t got = ::pread(fd, out, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        n -= static_cast<size_t>(got);
    }
    return true;
}

void applyBasicProfile(uint8_t* bytes, size_t size, const DicomFile& dataset,
                       const Deidentifier& deidentifier, ProfileSummary& summary) {
    const int days = deidentifier.keepDates() ? 0 : deidentifier.dayShift(patientOf(dataset));
    // The de-identification attributes are read before the walk changes anything.
    markDeidentified(bytes, size, dataset, deidentifier, summary);
    ProfileWalk walk(bytes, size, deidentifier, days, summary);
    const std::vector<DicomElement>& top = dataset.elements();
    walk.elements(top.data(), static_cast<int32_t>(top.size()), ProfileWalk::Mode::Clean, 0);
}

std::string profileSummaryText(const ProfileSummary& s) {
    std::string out;
    appendCount(out, s.blanked, "value blanked", "values blanked");
    appendCount(out, s.dummies, "dummy value", "dummy values");
    appendCount(out, s.uids, "UID replaced", "UIDs replaced");
    appendCount(out, s.shortUids, "UID too short for a safe replacement",
                "UIDs too short for a safe replacement");
    appendCount(out, s.datesShifted, "date shifted", "dates shifted");
    appendCount(out, s.datesBlanked, "unreadable date blanked", "unreadable dates blanked");
    appendCount(out, s.privates, "private value blanked", "private values blanked");
    appendCount(out, s.outOfFile, "value outside the file left alone",
                "values outside the file left alone");
    if (out.empty()) out = "nothing to change";
    if (!s.set.empty()) out += "; set " + joined(s.set);
    if (!s.noRoom.empty()) out += "; no room for " + joined(s.noRoom);
    if (s.burnedIn) out += "; Burned In Annotation is YES: the pixels were not cleaned";
    return out;
}

bool findTrailingBlanks(const SourceBytes& source, uint64_t start, bool implicitVr, bool bigEndian,
                        std::vector<BlankRange>& ranges, std::string& error) {
    TailScan scan(source, ranges, error, " after the pixel data");
    return scan.topLevel(start, TailScan::Syntax{implicitVr, bigEndian});
}

std::string explainUnreadable(const SourceBytes& source) {
    uint8_t magic[4];
    uint64_t pos = 0;
    TailScan::Syntax syntax{true, false};
    if (source.size >= 132 && source.read(128, magic, 4) && std::memcmp(magic, "DICM", 4) == 0) {
        // The meta group, explicit VR little endian, names the syntax.
        pos = 132;
        std::string transferSyntax;
        for (;;) {
            uint8_t h[12];
            if (pos + 8 > source.size || !source.read(pos, h, 8)) break;
            if ((h[0] | h[1] << 8) != 0x0002) break;
            const char vr[3] = {static_cast<char>(h[4]), static_cast<char>(h[5]), '\0'};
            uint64_t length = static_cast<uint64_t>(h[6] | h[7] << 8);
            uint64_t header = 8;
            if (isLongForm(vr)) {
                if (pos + 12 > source.size || !source.read(pos + 8, h + 8, 4))
                    return "the file meta group runs past the end";
                length = uint64_t{h[8]} | uint64_t{h[9]} << 8 | uint64_t{h[10]} << 16 |
                         uint64_t{h[11]} << 24;
                header = 12;
            }
            if (length > source.size - pos - header)
                return "a value of the file meta group runs past the end of the file at offset " +
                       std::to_string(pos);
            if ((h[2] | h[3] << 8) == 0x0010 && length < 80) {
                transferSyntax.resize(static_cast<size_t>(length));
                source.read(pos + header, transferSyntax.data(), transferSyntax.size());
                while (!transferSyntax.empty() &&
                       (transferSyntax.back() == '\0' || transferSyntax.back() == ' '))
                    transferSyntax.pop_back();
            }
            pos += header + length;
        }
        syntax = TailScan::Syntax{transferSyntax == "1.2.840.10008.1.2",
                                  transferSyntax == "1.2.840.10008.1.2.2"};
    } else if (source.size < 8 || !source.read(0, magic, 4) ||
               ((magic[0] | magic[1] << 8) > 0x0028 && (magic[2] | magic[3] << 8) > 0x0028)) {
        // A bare data set starts with a small group number.
        return "neither a DICOM preamble nor a data set at its start";
    }
    std::vector<BlankRange> ranges;
    std::string error;
    TailScan scan(source, ranges, error);
    if (scan.topLevel(pos, syntax)) return {};
    return error;
}

} // namespace veltor
