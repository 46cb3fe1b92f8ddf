#include "image_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "dicom_file.h"

namespace veltor {

namespace {

struct TransferSyntaxRow {
    const char* uid;
    const char* compression;
};

const TransferSyntaxRow kCompressions[] = {
    {"1.2.840.10008.1.2", "NONE"},         {"1.2.840.10008.1.2.1", "NONE"},
    {"1.2.840.10008.1.2.2", "NONE"},       {"1.2.840.10008.1.20", "NONE"},
    {"1.2.840.10008.1.2.5", "RLE"},        {"1.2.840.10008.1.2.4.50", "JPEG LOSSY"},
    {"1.2.840.10008.1.2.4.51", "JPEG LOSSY"}, {"1.2.840.10008.1.2.4.52", "JPEG LOSSY"},
    {"1.2.840.10008.1.2.4.53", "JPEG LOSSY"}, {"1.2.840.10008.1.2.4.54", "JPEG LOSSY"},
    {"1.2.840.10008.1.2.4.55", "JPEG LOSSY"}, {"1.2.840.10008.1.2.4.56", "JPEG LOSSY"},
    {"1.2.840.10008.1.2.4.59", "JPEG LOSSY"}, {"1.2.840.10008.1.2.4.60", "JPEG LOSSY"},
    {"1.2.840.10008.1.2.4.61", "JPEG LOSSY"}, {"1.2.840.10008.1.2.4.62", "JPEG LOSSY"},
    {"1.2.840.10008.1.2.4.63", "JPEG LOSSY"}, {"1.2.840.10008.1.2.4.64", "JPEG LOSSY"},
    {"1.2.840.10008.1.2.4.57", "JPEG LOSSLESS"}, {"1.2.840.10008.1.2.4.58", "JPEG LOSSLESS"},
    {"1.2.840.10008.1.2.4.65", "JPEG LOSSLESS"}, {"1.2.840.10008.1.2.4.66", "JPEG LOSSLESS"},
    {"1.2.840.10008.1.2.4.70", "JPEG LOSSLESS"},
};

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

} // namespace

bool ImageSetup::readAttributes() {
    DicomFile& f = m_file;
    f.m_frameCount = 1;
    f.m_rows = 0;
    f.m_columns = 0;
    f.m_samplesPerPixel = 1;
    std::strcpy(f.m_compression, "NONE");

    DicomElement syntax;
    if (f.findElementByTag(0x0002, 0x0010, syntax)) {
        const char* uid = syntax.text();
        const char* found = nullptr;
        for (const TransferSyntaxRow& row : kCompressions) {
            if (std::strcmp(uid, row.uid) == 0) {
                found = row.compression;
                break;
            }
        }
        if (found == nullptr) return fail(DicomError::UnknownCompression);
        std::strcpy(f.m_compression, found);
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
            case 0x1050: f.m_windowCenter = static_cast<int16_t>(parseIntegerString(e.text())); break;
            case 0x1051: f.m_windowWidth = static_cast<int16_t>(parseIntegerString(e.text())); break;
            case 0x1052: f.m_rescaleIntercept = parseDecimalString(e.text()); break;
            case 0x1053:
                f.m_rescaleSlope = parseDecimalString(e.text());
                if (f.m_rescaleSlope == 0.0) f.m_rescaleSlope = 1.0;
                slopeRead = true;
                break;
            case 0x1054: f.m_rescaleType = static_cast<int16_t>(parseIntegerString(e.text())); break;
            default: break;
            }
        } else if (e.group == 0x0018 && e.element == 0x1063) {
            f.m_frameTime = parseDecimalString(e.text());
        }
    }
    f.m_rescaleNeeded = f.m_rescaleIntercept != 0.0 || (slopeRead && f.m_rescaleSlope != 1.0);

    if (f.m_bitsAllocated == 0 && f.m_bitsStored == 0 && f.m_highBit == 0) {
        f.m_bitsAllocated = 8;
        f.m_bitsStored = 8;
        f.m_highBit = 7;
    }
    if (f.m_photometric[0] == '\0') std::strcpy(f.m_photometric, "MONOCHROME2 ");

    // Unsupported interpretations fail without a code of their own.
    const bool accepted = f.isMonochrome1() || f.isMonochrome2() || f.isRgb() || f.isYbrFull() ||
                          f.isPaletteColor() ||
                          (f.isYbrFull422() && std::strcmp(f.m_compression, "JPEG LOSSY") == 0);
    return accepted;
}

bool ImageSetup::readPalette() {
    DicomFile& f = m_file;
    const DicomElement* channel[3] = {nullptr, nullptr, nullptr};
    for (const DicomElement& e : f.m_elements) {
        if (e.group != 0x0028) continue;
        switch (e.element) {
        case 0x1201: case 0x1211: case 0x1221: channel[0] = &e; break;
        case 0x1202: case 0x1212: case 0x1222: channel[1] = &e; break;
        case 0x1203: case 0x1213: case 0x1223: channel[2] = &e; break;
        default: break;
        }
    }
    const uint32_t length = channel[0] != nullptr && channel[0]->value != nullptr ? channel[0]->length : 0;
    if (length == 0 || length == kUndefinedLength) return fail(DicomError::OutOfMemory);
    std::unique_ptr<uint8_t[]>* targets[3] = {&f.m_paletteRed, &f.m_paletteGreen, &f.m_paletteBlue};
    for (int c = 0; c < 3; ++c) {
        if (channel[c] == nullptr || channel[c]->value == nullptr || channel[c]->length != length)
            return fail(DicomError::CorruptedDicom);
        targets[c]->reset(new (std::nothrow) uint8_t[length]);
        if (!*targets[c]) return fail(DicomError::OutOfMemory);
        std::memcpy(targets[c]->get(), channel[c]->value, length);
    }
    f.m_paletteLength = static_cast<int32_t>(length);
    return true;
}

uint64_t ImageSetup::requiredFrameBytes() const {
    const DicomFile& f = m_file;
    const uint64_t pixels = uint64_t(uint32_t(std::max(f.m_rows, 0))) * uint32_t(std::max(f.m_columns, 0));
    switch (f.m_bitsAllocated) {
    case 8:
        if (f.m_rescaleNeeded) return pixels;
        if (f.isRgb() || f.isYbrFull() || f.isYbrFull422() ) return 3 * pixels;
        return pixels;
    case 12: return (3 * pixels + 1) / 2;
    case 16: return 2 * pixels;
    default: {
        const int bits = std::max<int>(f.m_bitsAllocated, 0);
        const uint64_t samples = pixels * uint64_t(std::max<int>(f.m_samplesPerPixel, 0));
        return (samples * uint64_t(bits) + 7) / 8;
    }
    }
}

bool ImageSetup::checkFrames() {
    const DicomFile& f = m_file;
    if (f.m_frames.empty()) return fail(DicomError::CorruptedDicom);
    const uint64_t need = requiredFrameBytes();
    // Short frames are refused rather than padded: a partial image shown as
    // complete would be misleading.
    for (const DicomFile::Frame& frame : f.m_frames)
        if (frame.data == nullptr || frame.size < need) return fail(DicomError::CorruptedDicom);
    return true;
}

bool ImageSetup::convertFrames() {
    DicomFile& f = m_file;
    const size_t pixels = size_t(f.m_rows) * size_t(f.m_columns);
    const bool to16 = f.m_bitsAllocated != 8 || f.m_rescaleNeeded;
    const double slope = f.m_rescaleSlope == 0.0 ? 1.0 : f.m_rescaleSlope;
    const double intercept = f.m_rescaleIntercept;
    const bool mono1 = f.isMonochrome1();
    const bool compressedNone = std::strcmp(f.m_compression, "NONE") == 0;
    const bool rle = std::strcmp(f.m_compression, "RLE") == 0;
    // RLE stores each sample as its own segment, so decoded colour frames are
    // planes whatever the attribute says; decoded JPEG colour is interleaved RGB.
    const bool planar = rle || (compressedNone && f.m_planarConfiguration == 1);
    std::vector<uint8_t> table[3];
    if (!to16 && f.isPaletteColor())
        for (int c = 0; c < 3; ++c) table[c] = f.paletteTable(c);

    // 8-bit grey and interleaved colour frames are already in their working
    // layout: they are used as read.
    const bool interleavedColour =
        (f.isRgb() && !planar) || f.isYbrFull422() || (f.isYbrFull() && !compressedNone && !rle);
    const bool asRead = !to16 && !mono1 && (f.isMonochrome2() || interleavedColour);
    const size_t asReadSize = interleavedColour ? pixels * 3 : pixels;

    bool ok = true;
    for (DicomFile::Frame& frame : f.m_frames) {
        if (asRead) {
            frame.size = asReadSize;
            continue;
        }
        const uint8_t* in = frame.data.get();
        std::unique_ptr<uint8_t[]> out;
        size_t outSize = 0;
        if (to16) {
            if (f.m_bitsAllocated != 8 && f.m_bitsAllocated != 12 && f.m_bitsAllocated != 16) continue;
            outSize = pixels * 2;
            // 16-bit samples still in the file buffer are converted where they
            // lie (each sample is read before it is written); other layouts
            // get a buffer of their own.
            const bool inPlace = f.m_bitsAllocated == 16 && frame.data.borrowed() && frame.size >= outSize &&
                                 reinterpret_cast<uintptr_t>(frame.data.get()) % alignof(int16_t) == 0;
            if (!inPlace) {
                out.reset(new (std::nothrow) uint8_t[outSize]);
                if (!out) {
                    ok = fail(DicomError::OutOfMemory);
                    continue;
                }
            }
            auto* s = reinterpret_cast<int16_t*>(inPlace ? frame.data.get() : out.get());
            if (f.m_bitsAllocated == 8) {
                int32_t lo = INT32_MAX, hi = INT32_MIN;
                for (size_t i = 0; i < pixels; ++i) {
                    s[i] = rescaleSample(in[i], slope, intercept);
                    lo = std::min<int32_t>(lo, s[i]);
                    hi = std::max<int32_t>(hi, s[i]);
                }
                if (mono1)
                    for (size_t i = 0; i < pixels; ++i) s[i] = static_cast<int16_t>(hi + lo - s[i]);
            } else {
                // A whole-number intercept with slope 1 (CT) is a plain
                // addition modulo 2^16: the same result as the general
                // formula, folded into the copy.
                const bool integerRescale = f.m_rescaleNeeded && slope == 1.0 && intercept == std::trunc(intercept) &&
                                            std::fabs(intercept) < 1.0e9;
                const auto add = static_cast<uint16_t>(integerRescale ? static_cast<int64_t>(intercept) : 0);
                const bool generalRescale = f.m_rescaleNeeded && !integerRescale;
                if (f.m_bitsAllocated == 12) {
                    for (size_t i = 0, j = 0; i < pixels; i += 2, j += 3) {
                        const uint8_t b0 = in[j], b1 = in[j + 1];
                        s[i] = static_cast<int16_t>(b0 + 256 * (b1 % 16));
                        if (i + 1 < pixels) s[i + 1] = static_cast<int16_t>((b1 / 16) + 16 * in[j + 2]);
                    }
                    for (size_t i = 0; i < pixels; ++i)
                        s[i] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint16_t>(s[i]) + add));
                } else {
                    const uint16_t mask = f.m_bitsStored == 12 ? 0x0FFF : 0xFFFF;
                    if (f.m_bigEndian && compressedNone) {
                        for (size_t i = 0; i < pixels; ++i) {
                            const auto raw = static_cast<uint16_t>((in[2 * i] << 8) | in[2 * i + 1]);
                            s[i] = static_cast<int16_t>(static_cast<uint16_t>((raw & mask) + add));
                        }
                    } else {
                        for (size_t i = 0; i < pixels; ++i) {
                            const auto raw = static_cast<uint16_t>(in[2 * i] | (in[2 * i + 1] << 8));
                            s[i] = static_cast<int16_t>(static_cast<uint16_t>((raw & mask) + add));
                        }
                    }
                }
                if (generalRescale)
                    for (size_t i = 0; i < pixels; ++i) s[i] = rescaleSample(s[i], slope, intercept);
                const SampleRange range = correctOutliers(s, pixels, mono1);
                frame.rangeKnown = true;
                frame.min = range.min;
                frame.max = range.max;
            }
        } else {
            if (f.isRgb() || f.isYbrFull() || f.isYbrFull422() || f.isPaletteColor()) {
                outSize = pixels * 3;
            } else {
                outSize = pixels;
            }
            out.reset(new (std::nothrow) uint8_t[outSize]);
            if (!out) {
                ok = fail(DicomError::OutOfMemory);
                continue;
            }
            uint8_t* o = out.get();
            if (f.isRgb() || (f.isYbrFull() && !compressedNone && !rle) || f.isYbrFull422()) {
                if (planar && !f.isYbrFull422()) {
                    for (size_t i = 0; i < pixels; ++i) {
                        o[3 * i] = in[i];
                        o[3 * i + 1] = in[pixels + i];
                        o[3 * i + 2] = in[2 * pixels + i];
                    }
                } else {
                    std::memcpy(o, in, pixels * 3);
                }
            } else if (f.isYbrFull()) {
                for (size_t i = 0; i < pixels; ++i) {
                    double y, cb, cr;
                    if (planar) {
                        y = in[i];
                        cb = in[pixels + i];
                        cr = in[2 * pixels + i];
                    } else {
                        y = in[3 * i];
                        cb = in[3 * i + 1];
                        cr = in[3 * i + 2];
                    }
                    o[3 * i] = clampByte(y + 1.402 * (cr - 128.0));
                    o[3 * i + 1] = clampByte(y - 0.34414 * (cb - 128.0) - 0.71414 * (cr - 128.0));
                    o[3 * i + 2] = clampByte(y + 1.772 * (cb - 128.0));
                }
            } else if (f.isPaletteColor()) {
                for (size_t i = 0; i < pixels; ++i) {
                    o[3 * i] = table[0][in[i]];
                    o[3 * i + 1] = table[1][in[i]];
                    o[3 * i + 2] = table[2][in[i]];
                }
            } else if (mono1) {
                for (size_t i = 0; i < pixels; ++i) o[i] = static_cast<uint8_t>(255 - in[i]);
            } else {
                std::memcpy(o, in, pixels);
            }
        }
        if (out) frame.data = std::move(out);
        frame.size = outSize;
    }
    if (to16) {
        if (f.m_bitsAllocated == 8) {
            f.m_bitsAllocated = 16;
            f.m_bitsStored = 16;
            f.m_highBit = 15;
        }
    } else {
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

const uint8_t* DicomFile::frameBuffer(int32_t n) const {
    if (n < 1 || n > static_cast<int32_t>(m_frames.size())) return nullptr;
    return m_frames[static_cast<size_t>(n - 1)].data.get();
}

size_t DicomFile::frameBufferSize(int32_t n) const {
    if (n < 1 || n > static_cast<int32_t>(m_frames.size())) return 0;
    return m_frames[static_cast<size_t>(n - 1)].size;
}

std::vector<uint8_t> DicomFile::frame8(int32_t n) {
    if (n < 1 || n > m_frameCount) return {};
    const size_t pixels = size_t(std::max(m_rows, 0)) * size_t(std::max(m_columns, 0));
    if (m_bitsAllocated == 8) {
        const bool colour = isRgb() || isYbrFull() || isYbrFull422() || isPaletteColor();
        std::vector<uint8_t> out(colour ? 3 * pixels : pixels, 0);
        const uint8_t* in = frameBuffer(n);
        if (in != nullptr) std::memcpy(out.data(), in, std::min(out.size(), frameBufferSize(n)));
        return out;
    }
    if (m_bitsAllocated != 12 && m_bitsAllocated != 16) return {};
    const uint8_t* in = frameBuffer(n);
    if (in == nullptr || frameBufferSize(n) < 2 * pixels) return {};
    const auto* s = reinterpret_cast<const int16_t*>(in);
    if (pixels == 0) return {};
    const Frame& stored = m_frames[static_cast<size_t>(n - 1)];
    int32_t max = INT32_MIN, min = INT32_MAX;
    if (stored.rangeKnown) {
        min = stored.min;
        max = stored.max;
    } else {
        for (size_t i = 0; i < pixels; ++i) {
            max = std::max<int32_t>(max, s[i]);
            min = std::min<int32_t>(min, s[i]);
        }
    }
    int32_t upper = m_windowCenter + m_windowWidth / 2;
    int32_t lower = m_windowCenter - m_windowWidth / 2;
    if (upper > 2 * max || upper < min || lower < min || lower > 2 * max || (upper == 0 && lower == 0)) {
        lower = min;
        upper = max;
        m_windowCenter = static_cast<int16_t>(min + (max - min) / 2);
        m_windowWidth = static_cast<int16_t>(max - min);
    }
    std::vector<uint8_t> out(pixels, 0);
    if (upper == lower) return out;
    // One table entry per value of the frame's range, each computed exactly as
    // the per-sample formula would.
    const double span = double(upper) - double(lower);
    std::vector<uint8_t> lut(size_t(max - min) + 1);
    for (int32_t v = min; v <= max; ++v) {
        const double x = (double(v) - double(lower)) / span * 255.0;
        lut[size_t(v - min)] = x < 0.0 ? 0 : (x > 255.0 ? 255 : static_cast<uint8_t>(x));
    }
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
