#include "image_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "dicom_file.h"
#include "frame_decoder.h"
#include "transfer_syntax.h"

namespace veltor {

namespace {

// "RGB" matches "RGB" and "RGB " (one trailing blank), nothing else.
bool photometricIs(const char* value, const char* name) {
    const size_t n = std::strlen(name);
    if (std::strncmp(value, name, n) != 0) return false;
    return value[n] == '\0' || (value[n] == ' ' && value[n + 1] == '\0');
}

// atoi without its undefined behaviour on overflow.
int32_t safeAtoi(const char* text) {
    const long long v = std::strtoll(text, nullptr, 10);
    return static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

// v x slope + intercept truncated toward zero, wrapped into 16 bits.
inline int16_t rescaleSample(double v, double slope, double intercept) {
    double s = v * slope + intercept;
    if (!(s > -9.0e15 && s < 9.0e15)) s = 0.0; // NaN or beyond any wrap of interest
    const auto wide = static_cast<int64_t>(s);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(wide)));
}

inline uint8_t clampByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(v);
}

int16_t clamp16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); }

std::string trimmedText(const char* text) {
    std::string s = text;
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

struct SampleRange {
    int32_t min = 0;
    int32_t max = 0;
};

SampleRange rangeOf(const int16_t* s, size_t count) {
    int32_t lo = INT32_MAX, hi = INT32_MIN;
    for (size_t i = 0; i < count; ++i) {
        lo = std::min<int32_t>(lo, s[i]);
        hi = std::max<int32_t>(hi, s[i]);
    }
    return {lo, hi};
}

// Isolated-maximum removal and MONOCHROME1 inversion of a 16-bit frame.
// Returns the frame's smallest and largest sample afterwards.
SampleRange correctOutliers(int16_t* s, size_t count, bool monochrome1) {
    // One pass for the correction's bounds and the true range; written
    // without branches so that it vectorises.
    int32_t max = -4096;
    int32_t min = 4096;
    int32_t trueMin = INT32_MAX, trueMax = INT32_MIN;
    for (size_t i = 0; i < count; ++i) {
        const int32_t v = s[i];
        max = std::max(max, v);
        min = std::min(min, (v >= -4095 && v <= 4095) ? v : 4096);
        trueMin = std::min(trueMin, v);
        trueMax = std::max(trueMax, v);
    }
    // The second pass depends on the order of the samples.
    int32_t second = -4096;
    int32_t third = -4096;
    for (size_t i = 0; i < count; ++i) {
        const int32_t v = s[i];
        if (v > second && v != max) second = v;
        if (v > third && v < second) third = v;
    }
    int32_t top = max;
    bool changed = false;
    if ((second - third + 100) < (max - second)) {
        for (size_t i = 0; i < count; ++i)
            if (s[i] == max) s[i] = static_cast<int16_t>(min);
        top = second;
        changed = true;
    }
    if (monochrome1) {
        for (size_t i = 0; i < count; ++i)
            s[i] = static_cast<int16_t>(top + min - s[i]);
        changed = true;
    }
    return changed ? rangeOf(s, count) : SampleRange{trueMin, trueMax};
}

// A 16-bit word of a value as the file stores it.
inline uint16_t word(const uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

const DicomElement* findIn(const DicomElement* records, int32_t count, uint16_t group, uint16_t element) {
    for (int32_t i = 0; i < count; ++i)
        if (records[i].group == group && records[i].element == element) return &records[i];
    return nullptr;
}

// A lookup table descriptor: entries (0 meaning 65536), first input value, bits.
struct Descriptor {
    int32_t entries = 0;
    int32_t first = 0;
    int32_t bits = 0;
};

bool readDescriptor(const DicomElement* e, bool bigEndian, bool signedFirst, Descriptor& d) {
    if (e == nullptr || e->value == nullptr || e->length < 6) return false;
    const uint16_t n = word(e->value, bigEndian);
    const uint16_t first = word(e->value + 2, bigEndian);
    d.entries = n == 0 ? 65536 : n;
    d.first = signedFirst ? static_cast<int16_t>(first) : first;
    d.bits = word(e->value + 4, bigEndian);
    return true;
}

// Expands segmented lookup-table data (discrete 0, linear 1 and indirect 2
// segments) onto `out`, to at most `limit` entries. Indirect segments copy
// segments found at a byte offset, without following further indirections.
void expandSegments(const uint8_t* data, size_t words, bool bigEndian, size_t limit, std::vector<uint16_t>& out,
                    bool allowIndirect = true, size_t maxSegments = SIZE_MAX) {
    size_t i = 0;
    for (size_t segment = 0; segment < maxSegments && i + 1 < words && out.size() < limit; ++segment) {
        const uint16_t opcode = word(data + 2 * i, bigEndian);
        const size_t length = word(data + 2 * i + 2, bigEndian);
        i += 2;
        if (opcode == 0) {
            for (size_t k = 0; k < length && i < words && out.size() < limit; ++k, ++i)
                out.push_back(word(data + 2 * i, bigEndian));
        } else if (opcode == 1) {
            if (i >= words) return;
            const double y1 = word(data + 2 * i, bigEndian);
            ++i;
            const double y0 = out.empty() ? y1 : out.back();
            for (size_t k = 1; k <= length && out.size() < limit; ++k)
                out.push_back(static_cast<uint16_t>(std::lround(y0 + (y1 - y0) * double(k) / double(length))));
        } else if (opcode == 2 && allowIndirect) {
            if (i + 1 >= words) return;
            const size_t offset = size_t(word(data + 2 * i, bigEndian)) | (size_t(word(data + 2 * i + 2, bigEndian)) << 16);
            i += 2;
            if (offset / 2 >= words) return;
            expandSegments(data + offset / 2 * 2, words - offset / 2, bigEndian, limit, out, false, length);
        } else {
            return;
        }
    }
}

// The entries of a table from its data: 16-bit words (bytes = 2 x entries),
// or 8-bit entries (bytes = entries), or segmented data.
bool readLutData(const DicomElement* data, bool bigEndian, const Descriptor& d, bool segmented, std::vector<uint16_t>& out) {
    out.clear();
    if (data == nullptr || data->value == nullptr || data->length == 0 || data->length == kUndefinedLength) return false;
    const size_t n = static_cast<size_t>(d.entries);
    if (segmented) {
        expandSegments(data->value, data->length / 2, bigEndian, n, out);
        if (out.empty()) return false;
        out.resize(n, out.back());
        return true;
    }
    if (data->length == 2 * n || (data->length == 2 * n + 1)) {
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = word(data->value + 2 * i, bigEndian);
        return true;
    }
    if (data->length == n || data->length == n + 1) {
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = data->value[i];
        return true;
    }
    return false;
}

// 8-bit output of a table entry.
inline uint8_t lutByte(uint16_t entry, int bits) {
    return bits > 8 ? static_cast<uint8_t>(entry >> 8) : static_cast<uint8_t>(std::min<uint16_t>(entry, 255));
}

} // namespace

bool ImageSetup::readAttributes() {
    DicomFile& f = m_file;
    f.m_frameCount = 1;
    f.m_rows = 0;
    f.m_columns = 0;
    f.m_samplesPerPixel = 1;
    f.m_codec = nullptr;
    std::strcpy(f.m_compression, "NONE");

    DicomElement syntax;
    if (f.findElementByTag(0x0002, 0x0010, syntax)) {
        const TransferSyntax* row = findTransferSyntax(syntax.text());
        if (row == nullptr)
            return fail(DicomError::UnknownCompression,
                        "transfer syntax " + trimmedUid(syntax.text()) + " is not supported");
        if (!row->supported) return fail(DicomError::UnknownCompression, std::string(row->name) + " is not supported");
        std::snprintf(f.m_compression, sizeof f.m_compression, "%s", row->compression);
        if (row->decoder != nullptr) f.m_codec = row->decoder();
    }

    bool slopeRead = false;
    for (const DicomElement& e : f.m_elements) {
        if (e.group == 0x0028) {
            switch (e.element) {
            case 0x0002: f.m_samplesPerPixel = static_cast<int16_t>(e.number); break;
            case 0x0004:
                std::strncpy(f.m_photometric, e.text(), sizeof f.m_photometric - 1);
                f.m_photometric[sizeof f.m_photometric - 1] = '\0';
                break;
            case 0x0006: f.m_planarConfiguration = static_cast<uint8_t>(e.number & 0xFF); break;
            case 0x0008:
                f.m_frameCount = f.m_implicitVr ? e.number : safeAtoi(e.text());
                break;
            // Rows, columns and bit depths are US: read them unsigned so that
            // images wider than 32767 keep their size.
            case 0x0010: f.m_rows = static_cast<uint16_t>(e.number); break;
            case 0x0011: f.m_columns = static_cast<uint16_t>(e.number); break;
            case 0x0100: f.m_bitsAllocated = static_cast<int16_t>(e.number); break;
            case 0x0101: f.m_bitsStored = static_cast<int16_t>(e.number); break;
            case 0x0102: f.m_highBit = static_cast<int16_t>(e.number); break;
            case 0x0103: f.m_pixelSigned = e.number == 1; break;
            // Windows beyond 16 bits are held at its limits rather than wrapped.
            case 0x1050: f.m_windowCenter = clamp16(parseIntegerString(e.text())); break;
            case 0x1051: f.m_windowWidth = clamp16(parseIntegerString(e.text())); break;
            case 0x1052: f.m_rescaleIntercept = parseDecimalString(e.text()); break;
            case 0x1053:
                f.m_rescaleSlope = parseDecimalString(e.text());
                if (f.m_rescaleSlope == 0.0) f.m_rescaleSlope = 1.0;
                slopeRead = true;
                break;
            case 0x1054:
                f.m_rescaleType = static_cast<int16_t>(parseIntegerString(e.text()));
                f.m_rescaleTypeText = trimmedText(e.text());
                break;
            default: break;
            }
        } else if (e.group == 0x0018 && e.element == 0x1063) {
            f.m_frameTime = parseDecimalString(e.text());
        } else if (e.group == 0x5200 && e.element == 0x9229) {
            const auto shared = functionalGroupWindows(e);
            if (!shared.empty()) f.m_sharedWindows = shared.front();
        } else if (e.group == 0x5200 && e.element == 0x9230) {
            f.m_frameWindows = functionalGroupWindows(e);
        }
    }
    f.m_windows = windowsIn(f.m_elements.data(), static_cast<int32_t>(f.m_elements.size()));
    f.m_rescaleNeeded = f.m_rescaleIntercept != 0.0 || (slopeRead && f.m_rescaleSlope != 1.0);

    if (f.m_bitsAllocated == 0 && f.m_bitsStored == 0 && f.m_highBit == 0) {
        f.m_bitsAllocated = 8;
        f.m_bitsStored = 8;
        f.m_highBit = 7;
    }
    if (f.m_bitsAllocated > 0 && (f.m_bitsStored < 1 || f.m_bitsStored > f.m_bitsAllocated)) {
        f.m_warnings.push_back("bits stored " + std::to_string(f.m_bitsStored) + " outside 1.." +
                               std::to_string(f.m_bitsAllocated) + ": taken as " + std::to_string(f.m_bitsAllocated));
        f.m_bitsStored = f.m_bitsAllocated;
    }
    if (f.m_photometric[0] == '\0') std::strcpy(f.m_photometric, "MONOCHROME2 ");

    const char* compression = f.m_compression;
    const bool lossyJpeg = std::strcmp(compression, "JPEG LOSSY") == 0;
    const bool jpeg2000 = std::strcmp(compression, "JPEG 2000") == 0 || std::strcmp(compression, "HTJ2K") == 0;
    const bool native = f.m_codec == nullptr;
    const char* p = f.m_photometric;
    const bool accepted =
        f.isMonochrome1() || f.isMonochrome2() || f.isRgb() || f.isYbrFull() || f.isPaletteColor() ||
        (f.isYbrFull422() && (native || lossyJpeg)) ||
        ((photometricIs(p, "YBR_PARTIAL_422") || photometricIs(p, "YBR_PARTIAL_420")) && lossyJpeg) ||
        ((photometricIs(p, "YBR_RCT") || photometricIs(p, "YBR_ICT")) && jpeg2000);
    if (!accepted) {
        std::string name = p;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return fail(DicomError::UnsupportedDicom, "photometric interpretation " + name +
                                                      (native ? std::string(" is not supported")
                                                              : " is not supported with " + std::string(compression)));
    }
    return true;
}

bool ImageSetup::checkLayout() {
    DicomFile& f = m_file;
    const bool colour = f.isRgb() || f.isYbrFull() || f.isYbrFull422() || photometricIs(f.m_photometric, "YBR_PARTIAL_422") ||
                        photometricIs(f.m_photometric, "YBR_PARTIAL_420") || photometricIs(f.m_photometric, "YBR_RCT") ||
                        photometricIs(f.m_photometric, "YBR_ICT");
    const int spp = f.m_samplesPerPixel;
    if ((colour && spp != 3) || (!colour && spp != 1)) {
        std::string name = f.m_photometric;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return fail(DicomError::UnsupportedDicom,
                    std::to_string(spp) + " samples per pixel do not fit photometric interpretation " + name);
    }
    if (f.m_bitsAllocated < 1 || f.m_bitsAllocated > 64)
        return fail(DicomError::UnsupportedDicom, std::to_string(f.m_bitsAllocated) + " bits allocated is not supported");
    return true;
}

bool ImageSetup::readPalette() {
    DicomFile& f = m_file;
    const DicomElement* channel[3] = {nullptr, nullptr, nullptr};
    const DicomElement* descriptor[3] = {nullptr, nullptr, nullptr};
    bool segmented[3] = {false, false, false};
    for (const DicomElement& e : f.m_elements) {
        if (e.group != 0x0028) continue;
        switch (e.element) {
        case 0x1101: case 0x1102: case 0x1103: descriptor[e.element - 0x1101] = &e; break;
        case 0x1201: case 0x1211: case 0x1221: channel[0] = &e; segmented[0] = e.element == 0x1221; break;
        case 0x1202: case 0x1212: case 0x1222: channel[1] = &e; segmented[1] = e.element == 0x1222; break;
        case 0x1203: case 0x1213: case 0x1223: channel[2] = &e; segmented[2] = e.element == 0x1223; break;
        default: break;
        }
    }
    const uint32_t length = channel[0] != nullptr && channel[0]->value != nullptr ? channel[0]->length : 0;
    if (length == 0 || length == kUndefinedLength) return fail(DicomError::OutOfMemory, "palette colour image without palette data");
    const bool anySegmented = segmented[0] || segmented[1] || segmented[2];
    std::unique_ptr<uint8_t[]>* targets[3] = {&f.m_paletteRed, &f.m_paletteGreen, &f.m_paletteBlue};
    for (int c = 0; c < 3; ++c) {
        if (channel[c] == nullptr || channel[c]->value == nullptr ||
            (channel[c]->length != length && !anySegmented) || channel[c]->length == kUndefinedLength)
            return fail(DicomError::CorruptedDicom, "palette data of the three colours differ in length");
        targets[c]->reset(new (std::nothrow) uint8_t[channel[c]->length]);
        if (!*targets[c]) return fail(DicomError::OutOfMemory);
        std::memcpy(targets[c]->get(), channel[c]->value, channel[c]->length);
    }
    f.m_paletteLength = static_cast<int32_t>(length);
    // The tables as the descriptors describe them; where a descriptor is
    // missing or does not fit its data, the byte-length rule of paletteTable
    // stands instead.
    for (int c = 0; c < 3; ++c) {
        Descriptor d;
        DicomFile::Lut& lut = f.m_paletteLut[c];
        lut = DicomFile::Lut{};
        if (!readDescriptor(descriptor[c], f.m_bigEndian, false, d)) {
            if (segmented[c]) return fail(DicomError::CorruptedDicom, "segmented palette without its descriptor");
            continue;
        }
        std::vector<uint16_t> entries;
        if (!readLutData(channel[c], f.m_bigEndian, d, segmented[c], entries)) {
            if (segmented[c]) return fail(DicomError::CorruptedDicom, "segmented palette data that cannot be read");
            continue;
        }
        lut.first = d.first;
        lut.bits = d.bits == 16 || *std::max_element(entries.begin(), entries.end()) > 255 ? 16 : 8;
        lut.entries = std::move(entries);
    }
    if (f.m_paletteLut[0].empty() || f.m_paletteLut[1].empty() || f.m_paletteLut[2].empty())
        for (DicomFile::Lut& lut : f.m_paletteLut) lut = DicomFile::Lut{};
    return true;
}

bool ImageSetup::checkFrames() {
    const DicomFile& f = m_file;
    if (f.m_frames.empty()) return fail(DicomError::CorruptedDicom, "no frames");
    const size_t need = f.m_decoded.frameBytes();
    // Short frames are refused rather than padded: a partial image shown as
    // complete would be misleading.
    for (const DicomFile::Frame& frame : f.m_frames)
        if (frame.data == nullptr || frame.size < need) return fail(DicomError::CorruptedDicom, "a frame is shorter than the image");
    return true;
}

// Three samples per pixel to R, G, B bytes: RGB as it is, YBR_FULL through
// the full-range formula, samples wider than 8 bits by their top 8 bits.
bool ImageSetup::convertColour() {
    DicomFile& f = m_file;
    const DecodedLayout& d = f.m_decoded;
    const size_t pixels = size_t(d.rows) * size_t(d.columns);
    const bool ybr = std::strncmp(d.photometric, "YBR", 3) == 0;
    const int shift = d.bytesPerSample == 2 ? std::max(0, std::min<int>(f.m_bitsStored, 16) - 8) : 0;
    bool ok = true;
    for (DicomFile::Frame& frame : f.m_frames) {
        if (!ybr && d.bytesPerSample == 1) {
            frame.size = pixels * 3;
            continue;
        }
        std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[pixels * 3]);
        if (!out) {
            ok = fail(DicomError::OutOfMemory);
            continue;
        }
        const uint8_t* in = frame.data.get();
        uint8_t* o = out.get();
        auto sample = [&](size_t i) -> int {
            if (d.bytesPerSample == 1) return in[i];
            const int v = in[2 * i] | (in[2 * i + 1] << 8);
            return std::min(255, v >> shift);
        };
        for (size_t i = 0; i < pixels; ++i) {
            if (ybr) {
                const double y = sample(3 * i), cb = sample(3 * i + 1), cr = sample(3 * i + 2);
                o[3 * i] = clampByte(y + 1.402 * (cr - 128.0));
                o[3 * i + 1] = clampByte(y - 0.34414 * (cb - 128.0) - 0.71414 * (cr - 128.0));
                o[3 * i + 2] = clampByte(y + 1.772 * (cb - 128.0));
            } else {
                o[3 * i] = static_cast<uint8_t>(sample(3 * i));
                o[3 * i + 1] = static_cast<uint8_t>(sample(3 * i + 1));
                o[3 * i + 2] = static_cast<uint8_t>(sample(3 * i + 2));
            }
        }
        frame.data = std::move(out);
        frame.size = pixels * 3;
    }
    return ok;
}

bool ImageSetup::convertPalette() {
    DicomFile& f = m_file;
    const DecodedLayout& d = f.m_decoded;
    const size_t pixels = size_t(d.rows) * size_t(d.columns);
    // One RGB triplet per possible sample value.
    const size_t values = d.bytesPerSample == 1 ? 256 : 65536;
    std::vector<uint8_t> table(values * 3);
    std::vector<uint8_t> legacy[3];
    const bool described = !f.m_paletteLut[0].empty();
    if (!described)
        for (int c = 0; c < 3; ++c) legacy[c] = f.paletteTable(c);
    for (size_t v = 0; v < values; ++v) {
        for (int c = 0; c < 3; ++c) {
            uint8_t out = 0;
            if (described) {
                const DicomFile::Lut& lut = f.m_paletteLut[c];
                const int64_t index = std::clamp<int64_t>(int64_t(v) - lut.first, 0, int64_t(lut.entries.size()) - 1);
                out = lutByte(lut.entries[size_t(index)], lut.bits);
            } else {
                out = legacy[c][std::min<size_t>(v, 255)];
            }
            table[3 * v + size_t(c)] = out;
        }
    }
    bool ok = true;
    for (DicomFile::Frame& frame : f.m_frames) {
        std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[pixels * 3]);
        if (!out) {
            ok = fail(DicomError::OutOfMemory);
            continue;
        }
        const uint8_t* in = frame.data.get();
        uint8_t* o = out.get();
        for (size_t i = 0; i < pixels; ++i) {
            const size_t v = d.bytesPerSample == 1 ? in[i] : size_t(in[2 * i] | (in[2 * i + 1] << 8));
            std::memcpy(o + 3 * i, table.data() + 3 * v, 3);
        }
        frame.data = std::move(out);
        frame.size = pixels * 3;
    }
    return ok;
}

// Samples of 32 or 64 bits (integers, float and double) to 16 bits: whole
// numbers that fit in 16 bits stay as they are; other data is mapped
// linearly, the smallest value of the image to -32768 and the largest to
// 32767 (all 0 when every value is the same).
bool ImageSetup::convertWide() {
    DicomFile& f = m_file;
    const DecodedLayout& d = f.m_decoded;
    const size_t pixels = size_t(d.rows) * size_t(d.columns);
    const double slope = f.m_rescaleSlope == 0.0 ? 1.0 : f.m_rescaleSlope;
    const double intercept = f.m_rescaleIntercept;
    const bool rescale = f.m_rescaleNeeded;
    auto valueAt = [&](const uint8_t* in, size_t i) -> double {
        double v = 0.0;
        if (d.floating && d.bytesPerSample == 4) {
            float x;
            std::memcpy(&x, in + 4 * i, 4);
            v = x;
        } else if (d.floating) {
            std::memcpy(&v, in + 8 * i, 8);
        } else if (d.bytesPerSample == 4) {
            uint32_t x;
            std::memcpy(&x, in + 4 * i, 4);
            v = f.m_pixelSigned ? double(static_cast<int32_t>(x)) : double(x);
        } else {
            uint64_t x;
            std::memcpy(&x, in + 8 * i, 8);
            v = f.m_pixelSigned ? double(static_cast<int64_t>(x)) : double(x);
        }
        if (rescale) v = v * slope + intercept;
        return std::isfinite(v) ? v : 0.0;
    };
    double lo = INFINITY, hi = -INFINITY;
    bool whole = true;
    for (const DicomFile::Frame& frame : f.m_frames) {
        for (size_t i = 0; i < pixels; ++i) {
            const double v = valueAt(frame.data.get(), i);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            whole = whole && v == std::trunc(v);
        }
    }
    const bool keep = whole && lo >= -32768.0 && hi <= 32767.0;
    const double scale = hi > lo ? 65535.0 / (hi - lo) : 0.0;
    const bool mono1 = f.isMonochrome1();
    bool ok = true;
    for (DicomFile::Frame& frame : f.m_frames) {
        std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[pixels * 2]);
        if (!out) {
            ok = fail(DicomError::OutOfMemory);
            continue;
        }
        auto* s = reinterpret_cast<int16_t*>(out.get());
        for (size_t i = 0; i < pixels; ++i) {
            const double v = valueAt(frame.data.get(), i);
            const double m = keep ? v : std::round((v - lo) * scale) - 32768.0;
            s[i] = static_cast<int16_t>(std::clamp(m, -32768.0, 32767.0));
        }
        const SampleRange range = rangeOf(s, pixels);
        frame.rangeKnown = true;
        frame.min = range.min;
        frame.max = range.max;
        frame.data = std::move(out);
        frame.size = pixels * 2;
    }
    f.m_bitsAllocated = 16;
    f.m_bitsStored = 16;
    f.m_highBit = 15;
    f.m_displayInverted = mono1;
    if (!keep) {
        // The samples no longer are the stored values: nothing to undo, and
        // the stored window would not fit them.
        f.m_rescaleNeeded = false;
        f.m_windowCenter = 0;
        f.m_windowWidth = 0;
    }
    return ok;
}

// Modality LUT Sequence: the first table maps the stored values when the
// file carries no rescale. Read here; applied by the 16-bit conversion after
// the stored bits were taken out of their words.
bool ImageSetup::readModalityLut(ModalityTable& table) {
    DicomFile& f = m_file;
    DicomElement e;
    if (f.m_rescaleNeeded || !f.findElementByTag(0x0028, 0x3000, e) || e.childCount == 0) return false;
    DicomElement slope;
    if (f.findElementByTag(0x0028, 0x1052, slope) || f.findElementByTag(0x0028, 0x1053, slope)) return false;
    Descriptor d;
    if (!readDescriptor(findIn(e.children, e.childCount, 0x0028, 0x3002), f.m_bigEndian, f.m_pixelSigned, d) ||
        !readLutData(findIn(e.children, e.childCount, 0x0028, 0x3006), f.m_bigEndian, d, false, table.entries))
        return false;
    table.first = d.first;
    return true;
}

// VOI LUT Sequence: its first table, used where the file has no window; its
// input range is the default window.
void ImageSetup::readVoiLut() {
    DicomFile& f = m_file;
    DicomElement e;
    if (!f.findElementByTag(0x0028, 0x3010, e) || e.childCount == 0) return;
    if (!f.m_windows.empty() || !f.m_sharedWindows.empty()) return;
    for (const auto& frame : f.m_frameWindows)
        if (!frame.empty()) return;
    DicomElement window;
    if (f.findElementByTag(0x0028, 0x1050, window) || f.findElementByTag(0x0028, 0x1051, window)) return;
    Descriptor d;
    if (!readDescriptor(findIn(e.children, e.childCount, 0x0028, 0x3002), f.m_bigEndian, f.m_pixelSigned, d)) return;
    f.m_windowCenter = static_cast<int16_t>(std::clamp<int64_t>(int64_t(d.first) + d.entries / 2, INT16_MIN, INT16_MAX));
    f.m_windowWidth = static_cast<int16_t>(std::clamp<int64_t>(d.entries, 1, INT16_MAX));
    VoiLut lut;
    if (!readLutData(findIn(e.children, e.childCount, 0x0028, 0x3006), f.m_bigEndian, d, false, lut.entries)) return;
    lut.first = d.first;
    lut.bits = d.bits;
    // A bit depth the entries cannot have (0, or above 16) is taken from
    // the largest entry.
    if (lut.bits < 1 || lut.bits > 16) {
        const uint16_t top = *std::max_element(lut.entries.begin(), lut.entries.end());
        lut.bits = 1;
        while (lut.bits < 16 && (uint32_t{1} << lut.bits) <= top) ++lut.bits;
    }
    const DicomElement* name = findIn(e.children, e.childCount, 0x0028, 0x3003);
    if (name != nullptr) lut.explanation = trimmedText(name->text());
    f.m_voiLut = std::move(lut);
}

// Where the stored bits of a sample lie in its word and how to read them:
// `bits` bits from bit `shift`, sign-extended from their top bit when the
// pixel representation is signed.
struct StoredBits {
    int shift = 0;
    uint32_t mask = 0xFFFF;
    bool extend = false;
    int32_t signBit = 0;
    int32_t value(uint32_t raw) const {
        const auto v = static_cast<int32_t>((raw >> shift) & mask);
        return extend ? (v ^ signBit) - signBit : v;
    }
};

StoredBits storedBitsOf(const DicomFile& f, bool pixelSigned, int wordBits, bool native) {
    StoredBits b;
    const int stored = std::clamp<int>(f.bitsStored(), 1, wordBits);
    // Codecs hand their samples over in the low bits; packed 12-bit words
    // too. Native words hold them up to the high bit.
    int shift = native && f.bitsAllocated() != 12 ? f.highBit() + 1 - stored : 0;
    if (shift < 0 || shift + stored > wordBits) shift = 0;
    b.shift = shift;
    b.mask = stored >= 32 ? 0xFFFFFFFFu : (uint32_t{1} << stored) - 1;
    b.extend = pixelSigned;
    b.signBit = int32_t{1} << (stored - 1);
    return b;
}

bool ImageSetup::convertFrames() {
    DicomFile& f = m_file;
    const DecodedLayout& d = f.m_decoded;
    if (d.samples == 3) {
        const bool ok = convertColour();
        f.m_bitsAllocated = 8;
        f.m_bitsStored = 8;
        f.m_highBit = 7;
        f.m_windowCenter = 128;
        f.m_windowWidth = 256;
        return ok;
    }
    if (f.isPaletteColor()) {
        const bool ok = convertPalette();
        f.m_bitsAllocated = 8;
        f.m_bitsStored = 8;
        f.m_highBit = 7;
        f.m_windowCenter = 128;
        f.m_windowWidth = 256;
        return ok;
    }
    readVoiLut();
    if (d.floating || d.bytesPerSample > 2) return convertWide();
    const bool oneBit = f.m_bitsAllocated == 1;
    ModalityTable modality;
    const bool modalityLut = !oneBit && readModalityLut(modality);
    const size_t pixels = size_t(f.m_rows) * size_t(f.m_columns);
    // Signed 8-bit samples have negative values: they need the 16-bit layout.
    const bool signed8 = d.bytesPerSample == 1 && !oneBit && f.m_pixelSigned;
    const bool to16 = d.bytesPerSample == 2 || f.m_rescaleNeeded || modalityLut || signed8;
    const double slope = f.m_rescaleSlope == 0.0 ? 1.0 : f.m_rescaleSlope;
    const double intercept = f.m_rescaleIntercept;
    const bool mono1 = f.isMonochrome1();
    const bool native = f.m_codec == nullptr;
    const StoredBits bits = storedBitsOf(f, f.m_pixelSigned, d.bytesPerSample == 2 ? 16 : 8, native);
    const bool maskBytes = !oneBit && d.bytesPerSample == 1 && (bits.shift != 0 || bits.mask != 0xFF);

    bool ok = true;
    for (DicomFile::Frame& frame : f.m_frames) {
        // 8-bit grey frames are already in their working layout, once the
        // bits outside bits stored are cleared.
        if (!to16 && !mono1 && !oneBit) {
            if (maskBytes) {
                uint8_t* p = frame.data.get();
                for (size_t i = 0; i < pixels; ++i) p[i] = static_cast<uint8_t>(bits.value(p[i]));
            }
            frame.size = pixels;
            continue;
        }
        const uint8_t* in = frame.data.get();
        std::unique_ptr<uint8_t[]> out;
        size_t outSize = 0;
        if (to16) {
            outSize = pixels * 2;
            // 16-bit samples are converted where they lie (each sample is read
            // before it is written) when the memory is aligned for them;
            // other layouts get a buffer of their own.
            const bool inPlace = d.bytesPerSample == 2 && frame.size >= outSize &&
                                 reinterpret_cast<uintptr_t>(frame.data.get()) % alignof(int16_t) == 0;
            if (!inPlace) {
                out.reset(new (std::nothrow) uint8_t[outSize]);
                if (!out) {
                    ok = fail(DicomError::OutOfMemory);
                    continue;
                }
            }
            auto* s = reinterpret_cast<int16_t*>(inPlace ? frame.data.get() : out.get());
            if (d.bytesPerSample == 1 && !modalityLut && !signed8) {
                const int scale = oneBit ? 255 : 1;
                for (size_t i = 0; i < pixels; ++i) s[i] = rescaleSample(bits.value(in[i]) * scale, slope, intercept);
                const SampleRange range = rangeOf(s, pixels);
                frame.rangeKnown = true;
                frame.min = range.min;
                frame.max = range.max;
            } else {
                const bool wide = d.bytesPerSample == 2;
                auto rawAt = [&](size_t i) -> uint32_t {
                    return wide ? uint32_t(in[2 * i] | (in[2 * i + 1] << 8)) : uint32_t(in[i]);
                };
                if (modalityLut) {
                    const std::vector<uint16_t>& e = modality.entries;
                    const int64_t last = int64_t(e.size()) - 1;
                    for (size_t i = 0; i < pixels; ++i) {
                        const int64_t index = std::clamp<int64_t>(int64_t(bits.value(rawAt(i))) - modality.first, 0, last);
                        s[i] = static_cast<int16_t>(e[size_t(index)]);
                    }
                } else if (!wide) {
                    for (size_t i = 0; i < pixels; ++i) s[i] = rescaleSample(bits.value(in[i]), slope, intercept);
                } else {
                    // A whole-number intercept with slope 1 (CT) is a plain
                    // addition modulo 2^16: the same result as the general
                    // formula, folded into the copy.
                    const bool integerRescale = f.m_rescaleNeeded && slope == 1.0 &&
                                                intercept == std::trunc(intercept) && std::fabs(intercept) < 1.0e9;
                    const auto add = static_cast<uint32_t>(integerRescale ? static_cast<int64_t>(intercept) : 0);
                    const bool generalRescale = f.m_rescaleNeeded && !integerRescale;
                    if (generalRescale) {
                        for (size_t i = 0; i < pixels; ++i) s[i] = rescaleSample(bits.value(rawAt(i)), slope, intercept);
                    } else {
                        for (size_t i = 0; i < pixels; ++i) {
                            const auto raw = static_cast<uint32_t>(in[2 * i] | (in[2 * i + 1] << 8));
                            s[i] = static_cast<int16_t>(static_cast<uint16_t>(uint32_t(bits.value(raw)) + add));
                        }
                    }
                }
                const SampleRange range = correctOutliers(s, pixels, false);
                frame.rangeKnown = true;
                frame.min = range.min;
                frame.max = range.max;
            }
        } else {
            outSize = pixels;
            out.reset(new (std::nothrow) uint8_t[outSize]);
            if (!out) {
                ok = fail(DicomError::OutOfMemory);
                continue;
            }
            uint8_t* o = out.get();
            if (oneBit) {
                for (size_t i = 0; i < pixels; ++i) o[i] = static_cast<uint8_t>(in[i] != 0 ? (mono1 ? 0 : 255) : (mono1 ? 255 : 0));
            } else {
                for (size_t i = 0; i < pixels; ++i) o[i] = static_cast<uint8_t>(255 - bits.value(in[i]));
            }
        }
        if (out) frame.data = std::move(out);
        frame.size = outSize;
    }
    if (modalityLut) {
        f.m_modalityLutApplied = true;
        f.m_warnings.push_back("the modality lookup table was applied");
    }
    if (to16) {
        // MONOCHROME1 samples keep their values; the display inverts them.
        f.m_displayInverted = mono1;
        if (d.bytesPerSample == 1) {
            f.m_bitsAllocated = 16;
            f.m_bitsStored = 16;
            f.m_highBit = 15;
        }
    } else {
        if (oneBit) {
            f.m_bitsAllocated = 8;
            f.m_bitsStored = 8;
            f.m_highBit = 7;
        }
        f.m_windowCenter = 128;
        f.m_windowWidth = 256;
    }
    return ok;
}

// ---------------------------------------------------------------------------
// DicomFile image accessors

bool DicomFile::isRgb() const { return photometricIs(m_photometric, "RGB"); }
bool DicomFile::isYbrFull() const { return photometricIs(m_photometric, "YBR_FULL"); }
bool DicomFile::isYbrFull422() const { return photometricIs(m_photometric, "YBR_FULL_422"); }
bool DicomFile::isPaletteColor() const { return photometricIs(m_photometric, "PALETTE COLOR"); }
bool DicomFile::isMonochrome1() const { return photometricIs(m_photometric, "MONOCHROME1"); }
bool DicomFile::isMonochrome2() const { return photometricIs(m_photometric, "MONOCHROME2"); }
bool DicomFile::isColour() const { return m_samplesPerPixel == 3 || isPaletteColor(); }

const uint8_t* DicomFile::frameBuffer(int32_t n) const {
    if (n < 1 || n > static_cast<int32_t>(m_frames.size())) return nullptr;
    return m_frames[static_cast<size_t>(n - 1)].data.get();
}

size_t DicomFile::frameBufferSize(int32_t n) const {
    if (n < 1 || n > static_cast<int32_t>(m_frames.size())) return 0;
    return m_frames[static_cast<size_t>(n - 1)].size;
}

const std::vector<VoiWindow>& DicomFile::windows(int32_t n) const {
    if (!m_windows.empty()) return m_windows;
    if (n >= 1 && size_t(n) <= m_frameWindows.size() && !m_frameWindows[size_t(n - 1)].empty())
        return m_frameWindows[size_t(n - 1)];
    return m_sharedWindows;
}

namespace {

int32_t roundedWindowValue(double v) {
    return truncateToInt32(v < 0.0 ? v - 0.5 : v + 0.5);
}

} // namespace

void DicomFile::initialWindow(int32_t n, bool exact, int32_t& center, int32_t& width) const {
    const std::vector<VoiWindow>& list = windows(n);
    if (exact) {
        if (!list.empty()) {
            center = roundedWindowValue(list.front().center);
            width = std::max(1, roundedWindowValue(list.front().width));
        } else if (!m_voiLut.empty()) {
            center = m_voiLut.center();
            width = m_voiLut.width();
        } else {
            center = width = 0;
        }
        return;
    }
    if (m_windows.empty() && !list.empty()) {
        center = roundedWindowValue(list.front().center);
        width = std::max(1, roundedWindowValue(list.front().width));
        return;
    }
    center = m_windowCenter;
    width = m_windowWidth;
}

std::vector<uint8_t> DicomFile::frame8(int32_t n) { return frame8(n, WindowChoice{}); }

bool DicomFile::frameRange(int32_t n, int32_t& min, int32_t& max) const {
    const size_t pixels = size_t(std::max(m_rows, 0)) * size_t(std::max(m_columns, 0));
    const uint8_t* in = frameBuffer(n);
    if (in == nullptr || pixels == 0 || frameBufferSize(n) < 2 * pixels) return false;
    const Frame& stored = m_frames[static_cast<size_t>(n - 1)];
    if (stored.rangeKnown) {
        min = stored.min;
        max = stored.max;
        return true;
    }
    const auto* s = reinterpret_cast<const int16_t*>(in);
    max = INT32_MIN;
    min = INT32_MAX;
    for (size_t i = 0; i < pixels; ++i) {
        max = std::max<int32_t>(max, s[i]);
        min = std::min<int32_t>(min, s[i]);
    }
    return true;
}

bool DicomFile::displayWindow(int32_t n, const WindowChoice& choice, DisplayWindow& out) {
    if (n < 1 || n > m_frameCount || (m_bitsAllocated != 12 && m_bitsAllocated != 16)) return false;
    int32_t min = 0, max = 0;
    if (!frameRange(n, min, max)) return false;
    const std::vector<VoiWindow>& own = windows(n);
    out = DisplayWindow{};
    if (choice.mode == WindowMode::Auto && usesVoiLut(n)) {
        // The VOI lookup table is the display the file asks for: applied
        // as it is, whatever range of samples its input covers.
        out.kind = DisplayWindow::Lookup;
        out.center = m_voiLut.center();
        out.width = m_voiLut.width();
    } else if (choice.mode == WindowMode::Auto) {
        int32_t center = 0, width = 0;
        initialWindow(n, false, center, width);
        const bool fileWindow = center == m_windowCenter && width == m_windowWidth;
        int32_t upper = center + width / 2;
        int32_t lower = center - width / 2;
        out.kind = DisplayWindow::Fitted;
        if (upper > 2 * max || upper < min || lower < min || lower > 2 * max || (upper == 0 && lower == 0)) {
            lower = min;
            upper = max;
            center = min + (max - min) / 2;
            width = max - min;
            // Later frames use this window too (when it was the file's).
            if (fileWindow) {
                m_windowCenter = static_cast<int16_t>(std::clamp<int32_t>(center, INT16_MIN, INT16_MAX));
                m_windowWidth = static_cast<int16_t>(std::clamp<int32_t>(width, INT16_MIN, INT16_MAX));
            }
        }
        out.center = center;
        out.width = width;
        out.lower = lower;
        out.upper = upper;
    } else if (choice.mode == WindowMode::Given || !own.empty()) {
        out.kind = DisplayWindow::Linear;
        out.center = choice.mode == WindowMode::Given ? choice.center : own.front().center;
        out.width = choice.mode == WindowMode::Given ? choice.width : own.front().width;
    } else if (!m_voiLut.empty()) {
        out.kind = DisplayWindow::Lookup;
        out.center = m_voiLut.center();
        out.width = m_voiLut.width();
    } else {
        // No window in the file: the frame's range.
        out.kind = DisplayWindow::Linear;
        out.width = double(max) - min + 1.0;
        out.center = min + out.width / 2.0;
    }
    return true;
}

std::vector<uint8_t> DicomFile::frame8(int32_t n, const WindowChoice& choice) {
    if (n < 1 || n > m_frameCount) return {};
    const size_t pixels = size_t(std::max(m_rows, 0)) * size_t(std::max(m_columns, 0));
    if (m_bitsAllocated == 8) {
        std::vector<uint8_t> out(isColour() ? 3 * pixels : pixels, 0);
        const uint8_t* in = frameBuffer(n);
        if (in != nullptr) std::memcpy(out.data(), in, std::min(out.size(), frameBufferSize(n)));
        // A grey 8-bit frame shows through a window only when one is asked
        // for: the file's (MONOCHROME1 frames hold 255 - stored value).
        const std::vector<VoiWindow>& own = windows(n);
        const bool windowed = !isColour() && in != nullptr &&
                              (choice.mode == WindowMode::Given || (choice.mode == WindowMode::File && !own.empty()));
        if (windowed) {
            const double c = choice.mode == WindowMode::Given ? choice.center : own.front().center;
            const double w = choice.mode == WindowMode::Given ? choice.width : own.front().width;
            const bool mono1 = isMonochrome1();
            uint8_t table[256];
            for (int v = 0; v < 256; ++v) {
                const uint8_t y = linearWindow(mono1 ? 255 - v : v, c, w);
                table[v] = mono1 ? uint8_t(255 - y) : y;
            }
            for (uint8_t& b : out) b = table[b];
        }
        return out;
    }
    DisplayWindow window;
    if (!displayWindow(n, choice, window)) return {};
    int32_t min = 0, max = 0;
    frameRange(n, min, max);
    const auto* s = reinterpret_cast<const int16_t*>(frameBuffer(n));
    // One table entry per value of the frame's range.
    std::vector<uint8_t> lut(size_t(max - min) + 1, 0);
    if (window.kind == DisplayWindow::Lookup) {
        for (int32_t v = min; v <= max; ++v) lut[size_t(v - min)] = m_voiLut.outputAt(v);
    } else if (window.kind == DisplayWindow::Linear) {
        for (int32_t v = min; v <= max; ++v) lut[size_t(v - min)] = linearWindow(v, window.center, window.width);
    } else if (window.upper != window.lower) {
        // Each entry computed exactly as the per-sample formula would.
        const double span = double(window.upper) - double(window.lower);
        for (int32_t v = min; v <= max; ++v) {
            const double x = (double(v) - double(window.lower)) / span * 255.0;
            lut[size_t(v - min)] = x < 0.0 ? 0 : (x > 255.0 ? 255 : static_cast<uint8_t>(x));
        }
    }
    if (m_displayInverted)
        for (uint8_t& b : lut) b = static_cast<uint8_t>(255 - b);
    std::vector<uint8_t> out(pixels);
    const uint8_t* table = lut.data() - min;
    for (size_t i = 0; i < pixels; ++i) out[i] = table[s[i]];
    return out;
}

std::vector<int16_t> DicomFile::frame16(int32_t n, bool unscale) const {
    if (n < 1 || n > m_frameCount || (m_bitsAllocated != 12 && m_bitsAllocated != 16)) return {};
    const size_t pixels = size_t(std::max(m_rows, 0)) * size_t(std::max(m_columns, 0));
    const uint8_t* in = frameBuffer(n);
    if (in == nullptr || frameBufferSize(n) < 2 * pixels) return {};
    std::vector<int16_t> out(pixels);
    std::memcpy(out.data(), in, 2 * pixels);
    if (unscale && m_rescaleNeeded) {
        const double slope = m_rescaleSlope == 0.0 ? 1.0 : m_rescaleSlope;
        for (int16_t& v : out) {
            const double stored = (double(v) - m_rescaleIntercept) / slope;
            v = static_cast<int16_t>(truncateToInt32(stored));
        }
    }
    return out;
}

std::vector<uint8_t> DicomFile::paletteTable(int channel) const {
    if (!isPaletteColor() || channel < 0 || channel > 2) return {};
    const uint8_t* data = channel == 0 ? m_paletteRed.get()
                          : channel == 1 ? m_paletteGreen.get()
                                         : m_paletteBlue.get();
    std::vector<uint8_t> table(256, 0);
    const Lut& lut = m_paletteLut[channel];
    if (!lut.empty()) {
        // The table the descriptor describes, for the sample values 0..255.
        for (int32_t v = 0; v < 256; ++v) {
            const int64_t index = std::clamp<int64_t>(int64_t(v) - lut.first, 0, int64_t(lut.entries.size()) - 1);
            table[size_t(v)] = lutByte(lut.entries[size_t(index)], lut.bits);
        }
        return table;
    }
    if (data == nullptr || m_paletteLength <= 0) return table;
    const size_t length = static_cast<size_t>(m_paletteLength);
    if (length == 256) {
        std::memcpy(table.data(), data, 256);
    } else if (length == 512) {
        for (size_t i = 0; i < 256; ++i) table[i] = data[2 * i + 1];
    } else if (length == 1024) {
        for (size_t i = 0; i < 256; ++i) table[i] = data[4 * i + 3];
    } else if (length < 256) {
        std::memcpy(table.data(), data, length);
    } else if (length < 512) {
        for (size_t i = 0; i < length / 2; ++i) table[i] = data[2 * i + 1];
    } else {
        // Longer tables give at most 256 entries; values past them stay 0.
        for (size_t i = 0; i < std::min<size_t>(length / 4, 256); ++i) table[i] = data[4 * i + 3];
    }
    return table;
}

double DicomFile::pixelAspectRatio() const {
    DicomElement e;
    if (!findElementByTag(0x0028, 0x0034, e) || e.value == nullptr) return 0.0;
    const char* text = e.text();
    const char* slash = std::strchr(text, '\\');
    if (slash == nullptr) return 0.0;
    const double a = parseDecimalString(text);
    const double b = parseDecimalString(slash + 1);
    if (a == 0.0 || b == 0.0) return 0.0;
    return a / b;
}

} // namespace veltor
