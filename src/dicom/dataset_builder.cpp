#include "dataset_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>

#include "dicom_dictionary.h"
#include "dicom_file.h"
#include "dicom_vr.h"
#include "imglib/imglib.h"

namespace veltor {

namespace {

constexpr char kSecondaryCaptureSopClass[] = "1.2.840.10008.5.1.4.1.1.7";
constexpr char kExplicitLittleEndian[] = "1.2.840.10008.1.2.1";
// Room for any value text the builder itself formats (a DS of a double).
constexpr size_t kTextRoom = 400;

// A DS value as stored: an integral number is written back as an integer with
// no fraction (0 as an empty text, the way a zero-precision conversion writes
// it); any other number keeps its text without trailing blanks, shortened to
// the 16 characters a DS value may have.
void rewriteDecimalString(const char* in, char* out) {
    const double x = std::atof(in);
    if (std::isfinite(x) && x == std::trunc(x) && std::fabs(x) < 1e15) {
        if (x == 0)
            out[0] = '\0';
        else
            std::snprintf(out, kTextRoom, "%.0f", x);
        return;
    }
    size_t n = std::strlen(in);
    while (n > 0 && in[n - 1] == ' ')
        --n;
    if (n <= 16 || !std::isfinite(x)) {
        n = std::min<size_t>(n, 16);
        std::memcpy(out, in, n);
        out[n] = '\0';
        return;
    }
    // Too long: the most precise %g form that fits.
    for (int precision = 15; precision > 0; --precision) {
        std::snprintf(out, kTextRoom, "%.*g", precision, x);
        if (std::strlen(out) <= 16)
            return;
    }
}

// B, G, R of colour-table entry `index`; indexes past the table take its last
// entry, so that a short table is never read beyond.
const uint8_t* tableEntry(const uint8_t* bitmap, const DibLayout& layout, uint32_t index) {
    const uint32_t last = layout.paletteEntries - 1;
    return bitmap + kDibHeaderSize + 4 * size_t(std::min(index, last));
}

// One row (counted from the top) of an uncompressed DIB of 8 bits or more,
// turned into R, G, B triplets (or, with `grey`, the 8-bit values as they are).
void convertRow(const uint8_t* bitmap, const DibLayout& layout, int32_t y, bool grey, uint8_t* out) {
    const uint8_t* row = bitmap + layout.pixelOffset + size_t(layout.height - 1 - y) * layout.stride;
    const int32_t w = layout.width;
    switch (layout.bitCount) {
    case 8:
        if (grey) {
            std::memcpy(out, row, size_t(w));
            return;
        }
        for (int32_t x = 0; x < w; ++x, out += 3) {
            const uint8_t* e = tableEntry(bitmap, layout, row[x]);
            out[0] = e[2];
            out[1] = e[1];
            out[2] = e[0];
        }
        return;
    case 16:
        // 5-5-5: each 5-bit channel shifted up to 8 bits.
        for (int32_t x = 0; x < w; ++x, row += 2, out += 3) {
            const unsigned v = unsigned(row[0]) | (unsigned(row[1]) << 8);
            out[0] = uint8_t(((v >> 10) & 0x1F) << 3);
            out[1] = uint8_t(((v >> 5) & 0x1F) << 3);
            out[2] = uint8_t((v & 0x1F) << 3);
        }
        return;
    default: { // 24 and 32: B, G, R (and an ignored byte)
        const int step = layout.bitCount / 8;
        for (int32_t x = 0; x < w; ++x, row += step, out += 3) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
        }
    }
    }
}

// The moment a file came into being: its birth time where the file system
// records one, else its last modification.
bool fileCreationTime(const char* path, std::tm& when) {
    time_t seconds = 0;
#ifdef STATX_BTIME
    struct statx sx {};
    if (::statx(AT_FDCWD, path, 0, STATX_BTIME | STATX_MTIME, &sx) == 0) {
        seconds = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
        return localtime_r(&seconds, &when) != nullptr;
    }
#endif
    struct stat st {};
    if (::stat(path, &st) != 0)
        return false;
    seconds = st.st_mtime;
    return localtime_r(&seconds, &when) != nullptr;
}

} // namespace

bool DataSetBuilder::fail(DicomError code) {
    m_file.m_status = code;
    return false;
}

bool DataSetBuilder::setElement(const DicomElement& record) {
    DicomElement stored = record;
    stored.children = nullptr;
    stored.childCount = 0;
    stored.valueOffset = 0;
    stored.uidName = nullptr;

    // Odd-length values are padded the way their VR is padded in a file. A
    // record held without its value bytes (pixel data) keeps its length.
    const uint8_t* value = record.value;
    uint32_t length = record.length;
    char text[kTextRoom + 2];
    if (value != nullptr) {
        const OddLengthRule rule = vrOddLengthRule(record.vr);
        if (rule == OddLengthRule::RewriteThenSpace && length % 2 == 1) {
            char in[kTextRoom];
            const size_t n = std::min<size_t>(length, kTextRoom - 1);
            std::memcpy(in, value, n);
            in[n] = '\0';
            rewriteDecimalString(in, text);
            length = static_cast<uint32_t>(std::strlen(text));
            value = reinterpret_cast<const uint8_t*>(text);
        }
        if (length % 2 == 1 && rule != OddLengthRule::Unchanged) {
            std::unique_ptr<uint8_t[]> padded(new (std::nothrow) uint8_t[size_t(length) + 1]);
            if (padded == nullptr)
                return fail(DicomError::OutOfMemory);
            std::memcpy(padded.get(), value, length);
            padded[length] = rule == OddLengthRule::PadNul ? 0 : ' ';
            ++length;
            if (rule == OddLengthRule::PadSpaceCut16 && length > 16)
                length = 16;
            stored.value = m_file.m_store.copyValue(padded.get(), length);
            if (stored.value == nullptr)
                return fail(DicomError::OutOfMemory);
        } else {
            stored.value = m_file.m_store.copyValue(value, length);
            if (stored.value == nullptr)
                return fail(DicomError::OutOfMemory);
        }
    }
    stored.length = length;

    stored.name[0] = '\0';
    lookupTagName(stored.group, stored.element, stored);
    if (m_file.m_implicitVr)
        refreshVr(stored);
    stored.number = 0;
    if (stored.value != nullptr) {
        if (length == 2)
            stored.number = static_cast<int16_t>(stored.value[0] | (stored.value[1] << 8));
        else if (length == 4)
            stored.number = static_cast<int32_t>(uint32_t(stored.value[0]) | (uint32_t(stored.value[1]) << 8) |
                                                 (uint32_t(stored.value[2]) << 16) | (uint32_t(stored.value[3]) << 24));
        if (m_file.m_implicitVr && (vrIs(stored.vr, "IS") || vrIs(stored.vr, "DS")))
            stored.number = parseIntegerString(stored.text());
        if (vrIs(stored.vr, "UI"))
            stored.uidName = lookupUidName(stored.text());
    }

    // Replace the record with this tag, or insert before the first larger tag.
    auto& elements = m_file.m_elements;
    const uint32_t key = (uint32_t(stored.group) << 16) | stored.element;
    auto at = std::find_if(elements.begin(), elements.end(), [key](const DicomElement& e) {
        return ((uint32_t(e.group) << 16) | e.element) >= key;
    });
    if (at != elements.end() && at->group == stored.group && at->element == stored.element) {
        *at = stored;
    } else {
        try {
            elements.insert(at, stored);
        } catch (const std::bad_alloc&) {
            return fail(DicomError::OutOfMemory);
        }
    }
    return stored.element == 0 || recomputeGroupLength(stored.group);
}

bool DataSetBuilder::recomputeGroupLength(uint16_t group) {
    uint32_t total = 0;
    for (const DicomElement& e : m_file.m_elements) {
        if (e.group != group || e.element == 0)
            continue;
        const bool longForm = vrIs(e.vr, "OB") || vrIs(e.vr, "OW");
        total += (longForm ? 12 : 8) + e.length;
    }
    uint8_t bytes[4] = {uint8_t(total), uint8_t(total >> 8), uint8_t(total >> 16), uint8_t(total >> 24)};
    return storeValue(group, 0x0000, "UL", bytes, 4);
}

bool DataSetBuilder::storeValue(uint16_t group, uint16_t element, const char* vr, const void* value,
                                uint32_t length) {
    DicomElement record;
    record.group = group;
    record.element = element;
    std::snprintf(record.vr, sizeof record.vr, "%s", vr);
    record.value = static_cast<const uint8_t*>(value);
    record.length = length;
    return setElement(record);
}

bool DataSetBuilder::storeText(uint16_t group, uint16_t element, const char* vr, const char* text) {
    return storeValue(group, element, vr, text, static_cast<uint32_t>(std::strlen(text)));
}

bool DataSetBuilder::storeUs(uint16_t group, uint16_t element, uint16_t value) {
    const uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
    return storeValue(group, element, "US", bytes, 2);
}

void DataSetBuilder::setImageAttributes(int32_t rows, int32_t columns, int16_t samples, int32_t frames) {
    DicomFile& f = m_file;
    f.m_implicitVr = true;
    f.m_bigEndian = false;
    f.m_hasMetaHeader = true;
    std::memset(f.m_preamble, 0, sizeof f.m_preamble);
    std::memcpy(f.m_magic, "DICM", 4);
    std::snprintf(f.m_compression, sizeof f.m_compression, "NONE");
    std::snprintf(f.m_photometric, sizeof f.m_photometric, "%s", samples == 3 ? "RGB " : "MONOCHROME2 ");
    f.m_rows = rows;
    f.m_columns = columns;
    f.m_samplesPerPixel = samples;
    f.m_frameCount = frames;
    f.m_bitsAllocated = 8;
    f.m_bitsStored = 8;
    f.m_highBit = 7;
    f.m_windowCenter = 128;
    f.m_windowWidth = 256;
    f.m_planarConfiguration = 0;
    f.m_frameSize = static_cast<uint32_t>(size_t(rows) * size_t(columns) * size_t(samples));
    // Built frames are their own decoded layout.
    f.m_hasPixelData = true;
    f.m_decoded = DecodedLayout{};
    f.m_decoded.rows = rows;
    f.m_decoded.columns = columns;
    f.m_decoded.samples = samples;
    f.m_decoded.bytesPerSample = 1;
    f.m_decoded.frames = frames;
    std::snprintf(f.m_decoded.photometric, sizeof f.m_decoded.photometric, "%s", samples == 3 ? "RGB" : "MONOCHROME2");
}

bool DataSetBuilder::storeCommonElements(const std::tm* when) {
    const DicomFile& f = m_file;
    const bool colour = f.m_samplesPerPixel == 3;
    char text[64];
    const uint8_t version[2] = {0x00, 0x01};
    bool ok = storeValue(0x0002, 0x0001, "OB", version, 2) &&
        storeValue(0x0002, 0x0002, "UI", kSecondaryCaptureSopClass, sizeof kSecondaryCaptureSopClass - 1) &&
        storeValue(0x0002, 0x0010, "UI", kExplicitLittleEndian, sizeof kExplicitLittleEndian - 1) &&
        storeText(0x0002, 0x0013, "SH", kImplementationVersionName) &&
        storeText(0x0008, 0x0008, "CS", "ORIGINAL\\PRIMARY ") &&
        storeValue(0x0008, 0x0016, "UI", kSecondaryCaptureSopClass, sizeof kSecondaryCaptureSopClass - 1) &&
        storeText(0x0008, 0x0070, "LO", kManufacturerName) &&
        storeUs(0x0028, 0x0002, uint16_t(f.m_samplesPerPixel)) &&
        storeText(0x0028, 0x0004, "CS", f.m_photometric) && (!colour || storeUs(0x0028, 0x0006, 0));
    if (!ok)
        return false;
    std::snprintf(text, sizeof text, "%d ", f.m_frameCount);
    // Rows and columns fit in 16 bits: larger images are refused before this point.
    ok = storeText(0x0028, 0x0008, "IS", text) && storeUs(0x0028, 0x0010, uint16_t(f.m_rows)) &&
        storeUs(0x0028, 0x0011, uint16_t(f.m_columns)) && storeUs(0x0028, 0x0100, 8) &&
        storeUs(0x0028, 0x0101, 8) && storeUs(0x0028, 0x0102, 7) && storeUs(0x0028, 0x0103, 0);
    if (!ok)
        return false;
    std::snprintf(text, sizeof text, "%d", f.m_windowCenter);
    ok = storeText(0x0028, 0x1050, "DS", text);
    std::snprintf(text, sizeof text, "%d", f.m_windowWidth);
    ok = ok && storeText(0x0028, 0x1051, "DS", text);
    // Pixel data: the frames are held by the DicomFile, the record only
    // describes them.
    const uint64_t pixelBytes = uint64_t(f.m_bitsStored / 8) * uint64_t(f.m_samplesPerPixel) * uint64_t(f.m_rows) *
        uint64_t(f.m_columns) * uint64_t(f.m_frameCount);
    ok = ok && storeValue(0x7FE0, 0x0010, "OB", nullptr, static_cast<uint32_t>(pixelBytes));
    if (!ok || when == nullptr)
        return ok;
    std::snprintf(text, sizeof text, "%04d:%02d:%02d", when->tm_year + 1900, when->tm_mon + 1, when->tm_mday);
    ok = storeText(0x0008, 0x0020, "DA", text);
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", when->tm_hour, when->tm_min, when->tm_sec);
    return ok && storeText(0x0008, 0x0030, "TM", text);
}

bool DataSetBuilder::buildFromBitmaps(const uint8_t* const* bitmaps, int count) {
    if (bitmaps == nullptr || count <= 0)
        return fail(DicomError::UnknownFormat);
    // Every bitmap is checked before anything is built; frames of different
    // sizes or kinds could not share one set of image attributes.
    DibLayout first;
    for (int i = 0; i < count; ++i) {
        DibLayout layout;
        if (bitmaps[i] == nullptr || !dibLayout(bitmaps[i], layout) || layout.compression != kDibRgb ||
            layout.bitCount < 8)
            return fail(DicomError::UnknownFormat);
        if (i == 0)
            first = layout;
        else if (layout.width != first.width || layout.height != first.height ||
                 (layout.bitCount == 8) != (first.bitCount == 8))
            return fail(DicomError::UnknownFormat);
    }
    const bool grey = first.bitCount == 8;
    const int16_t samples = grey ? 1 : 3;
    const size_t frameBytes = size_t(first.width) * size_t(first.height) * size_t(samples);
    if (first.height > 0xFFFF || first.width > 0xFFFF ||
        uint64_t(frameBytes) * uint64_t(count) > UINT32_MAX)
        return fail(DicomError::UnknownFormat);

    auto& frames = m_file.m_frames;
    frames.clear();
    try {
        frames.resize(size_t(count));
    } catch (const std::bad_alloc&) {
        return fail(DicomError::OutOfMemory);
    }
    for (int i = 0; i < count; ++i) {
        DibLayout layout;
        dibLayout(bitmaps[i], layout);
        auto& frame = frames[size_t(i)];
        frame.data.reset(new (std::nothrow) uint8_t[frameBytes]);
        if (frame.data == nullptr) {
            frames.clear();
            return fail(DicomError::OutOfMemory);
        }
        frame.size = frameBytes;
        for (int32_t y = 0; y < layout.height; ++y)
            convertRow(bitmaps[i], layout, y, grey, frame.data.get() + size_t(y) * size_t(layout.width) * samples);
    }
    setImageAttributes(first.height, first.width, samples, count);
    std::tm now {};
    const time_t seconds = std::time(nullptr);
    localtime_r(&seconds, &now);
    return storeCommonElements(&now);
}

bool DataSetBuilder::buildFromImage(const char* path) {
    uint8_t* bitmap = Imglib_ReadFile(path);
    if (bitmap == nullptr)
        return false;
    DibLayout layout;
    const DibHeader header = readDibHeader(bitmap);
    const bool accepted = header.bitCount >= 8 && header.compression == kDibRgb && dibLayout(bitmap, layout);
    if (!accepted || layout.width > 0xFFFF || layout.height > 0xFFFF) {
        Imglib_FreeBitmap(bitmap);
        return fail(DicomError::UnsupportedFile);
    }
    // Every raster image becomes one RGB frame, whatever its depth.
    const size_t frameBytes = size_t(layout.width) * size_t(layout.height) * 3;
    auto& frames = m_file.m_frames;
    frames.clear();
    try {
        frames.resize(1);
    } catch (const std::bad_alloc&) {
        Imglib_FreeBitmap(bitmap);
        return fail(DicomError::OutOfMemory);
    }
    frames[0].data.reset(new (std::nothrow) uint8_t[frameBytes]);
    if (frames[0].data == nullptr) {
        frames.clear();
        Imglib_FreeBitmap(bitmap);
        return fail(DicomError::OutOfMemory);
    }
    frames[0].size = frameBytes;
    for (int32_t y = 0; y < layout.height; ++y)
        convertRow(bitmap, layout, y, false, frames[0].data.get() + size_t(y) * size_t(layout.width) * 3);
    Imglib_FreeBitmap(bitmap);

    setImageAttributes(layout.height, layout.width, 3, 1);
    struct stat st {};
    if (::stat(path, &st) == 0 && st.st_size >= 0)
        m_file.m_fileSize = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(st.st_size), UINT32_MAX));
    // A header-only open carries no date and time.
    std::tm created {};
    const bool dated = !m_file.m_headerOnly && fileCreationTime(path, created);
    return storeCommonElements(dated ? &created : nullptr);
}

bool DataSetBuilder::setFrameTime(double ms) {
    if (!std::isfinite(ms))
        ms = 0;
    m_file.m_frameTime = ms;
    char text[kTextRoom];
    std::snprintf(text, sizeof text, "%.2f ", ms);
    return storeText(0x0018, 0x1063, "DS", text);
}

} // namespace veltor
