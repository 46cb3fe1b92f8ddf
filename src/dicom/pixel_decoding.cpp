#include "pixel_decoding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "dicom_file.h"
#include "encapsulated_pixel_data.h"
#include "frame_decoder.h"

namespace veltor {

namespace {

// No single decoded frame may be larger than this (a 16384 x 16384 RGB frame
// of 16-bit samples is 1.5 GiB): beyond it the attributes are taken as false.
constexpr uint64_t kMaxFrameBytes = uint64_t{1} << 31;
// A compressed frame must be at least 1/kMaxExpansion of its decoded size
// once that is beyond kExpansionFloor bytes: no codec of ours expands real
// data further, while a crafted one could ask for gigabytes from a few bytes.
constexpr uint64_t kMaxExpansion = 4096;
constexpr uint64_t kExpansionFloor = uint64_t{32} << 20;
// Partly decoded frames are kept with a warning each, up to this many.
constexpr size_t kMaxFrameWarnings = 10;

std::string trimmed(const char* text) {
    std::string s = text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string frameName(size_t i) { return "frame " + std::to_string(i + 1); }

} // namespace

bool PixelDecoding::fail(DicomError code, std::string reason) {
    if (m_error == DicomError::NoError) {
        m_error = code;
        m_reason = std::move(reason);
    }
    return false;
}

bool PixelDecoding::checkFrameCount() {
    const DicomFile& f = m_file;
    if (f.m_rows <= 0 || f.m_columns <= 0)
        return fail(DicomError::CorruptedDicom, "the image has " + std::to_string(f.m_rows) + " rows and " +
                                                    std::to_string(f.m_columns) + " columns");
    if (f.m_frameCount <= 0)
        return fail(DicomError::CorruptedDicom, "Number of Frames is " + std::to_string(f.m_frameCount));
    return true;
}

uint64_t PixelDecoding::nativeBytesNeeded(PixelDataKind kind) {
    const DicomFile& f = m_file;
    if (!checkFrameCount()) return 0;
    const uint64_t pixels = uint64_t(f.m_rows) * uint64_t(f.m_columns);
    const uint64_t samples = pixels * uint64_t(std::max<int16_t>(f.m_samplesPerPixel, 1));
    const uint64_t frames = uint64_t(f.m_frameCount);
    if (kind != PixelDataKind::Integer) return samples * (kind == PixelDataKind::Float ? 4 : 8) * frames;
    switch (f.m_bitsAllocated) {
    case 1: return (samples * frames + 7) / 8;
    case 12: return (3 * pixels + 1) / 2 * frames;
    case 8:
        if (f.isYbrFull422()) return uint64_t(f.m_rows) * ((uint64_t(f.m_columns) + 1) / 2 * 4) * frames;
        return samples * frames;
    case 16: case 32: case 64: return samples * uint64_t(f.m_bitsAllocated / 8) * frames;
    default:
        fail(DicomError::UnsupportedDicom,
             std::to_string(f.m_bitsAllocated) + " bits allocated is not supported (1, 8, 12, 16, 32 or 64)");
        return 0;
    }
}

bool PixelDecoding::decodeNative(uint8_t* value, uint32_t length, PixelDataKind kind) {
    DicomFile& f = m_file;
    const uint64_t needed = nativeBytesNeeded(kind);
    if (needed == 0) return fail(DicomError::CorruptedDicom, "the image has no samples");
    const size_t frames = static_cast<size_t>(f.m_frameCount);
    const size_t spp = static_cast<size_t>(std::max<int16_t>(f.m_samplesPerPixel, 1));
    const size_t pixels = size_t(f.m_rows) * size_t(f.m_columns);
    const int bits = kind == PixelDataKind::Float ? 32 : kind == PixelDataKind::Double ? 64 : f.m_bitsAllocated;
    if (length < needed)
        return fail(DicomError::CorruptedDicom, "pixel data of " + std::to_string(length) + " bytes is shorter than the " +
                                                    std::to_string(needed) + " bytes of " + std::to_string(frames) +
                                                    (frames == 1 ? " frame" : " frames"));
    DecodedLayout& d = f.m_decoded;
    d = DecodedLayout{};
    d.rows = f.m_rows;
    d.columns = f.m_columns;
    d.samples = static_cast<int32_t>(spp);
    d.frames = static_cast<int32_t>(frames);
    d.floating = kind != PixelDataKind::Integer;
    std::snprintf(d.photometric, sizeof d.photometric, "%s", trimmed(f.m_photometric).c_str());
    f.m_frames.clear();
    f.m_frames.resize(frames);

    if (bits == 1) {
        // Bits of consecutive frames follow one another without padding;
        // the first pixel is the least significant bit.
        d.bytesPerSample = 1;
        const uint64_t frameBits = uint64_t(pixels) * spp;
        f.m_frameSize = static_cast<uint32_t>((frameBits + 7) / 8);
        for (size_t i = 0; i < frames; ++i) {
            std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[frameBits]);
            if (!out) return fail(DicomError::OutOfMemory, "no memory for " + frameName(i));
            const uint64_t start = i * frameBits;
            for (uint64_t k = 0; k < frameBits; ++k) {
                const uint64_t b = start + k;
                out[k] = static_cast<uint8_t>((value[b >> 3] >> (b & 7)) & 1);
            }
            f.m_frames[i].data = std::move(out);
            f.m_frames[i].size = frameBits;
        }
        return true;
    }

    const uint32_t frameSize = length / static_cast<uint32_t>(frames);
    f.m_frameSize = frameSize;
    if (bits == 12) {
        // Packed: three bytes hold two samples.
        if (spp != 1) return fail(DicomError::UnsupportedDicom, "packed 12-bit data of more than one sample per pixel");
        d.bytesPerSample = 2;
        for (size_t i = 0; i < frames; ++i) {
            const uint8_t* in = value + i * size_t{frameSize};
            std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[pixels * 2]);
            if (!out) return fail(DicomError::OutOfMemory, "no memory for " + frameName(i));
            for (size_t p = 0, j = 0; p < pixels; p += 2, j += 3) {
                const uint16_t s0 = static_cast<uint16_t>(in[j] + 256 * (in[j + 1] % 16));
                out[2 * p] = static_cast<uint8_t>(s0);
                out[2 * p + 1] = static_cast<uint8_t>(s0 >> 8);
                if (p + 1 < pixels) {
                    const uint16_t s1 = static_cast<uint16_t>((in[j + 1] / 16) + 16 * in[j + 2]);
                    out[2 * p + 2] = static_cast<uint8_t>(s1);
                    out[2 * p + 3] = static_cast<uint8_t>(s1 >> 8);
                }
            }
            f.m_frames[i].data = std::move(out);
            f.m_frames[i].size = pixels * 2;
        }
        return true;
    }

    const size_t bytes = static_cast<size_t>(bits / 8);
    d.bytesPerSample = static_cast<int32_t>(bytes);
    const size_t outSize = pixels * spp * bytes;
    const bool ybr422 = kind == PixelDataKind::Integer && bits == 8 && f.isYbrFull422();
    const bool planar = spp > 1 && f.m_planarConfiguration == 1 && !ybr422;
    const bool swap = f.m_bigEndian && bytes > 1;
    if (ybr422) std::snprintf(d.photometric, sizeof d.photometric, "YBR_FULL");
    for (size_t i = 0; i < frames; ++i) {
        uint8_t* in = value + i * size_t{frameSize};
        if (swap) {
            for (size_t k = 0; k < outSize; k += bytes) std::reverse(in + k, in + k + bytes);
        }
        if (!ybr422 && !planar) {
            f.m_frames[i].data.borrow(in);
            f.m_frames[i].size = frameSize;
            m_borrowed = true;
            continue;
        }
        std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[outSize]);
        if (!out) return fail(DicomError::OutOfMemory, "no memory for " + frameName(i));
        uint8_t* o = out.get();
        if (ybr422) {
            // Y0 Y1 Cb Cr for each pair of pixels of a row; a last odd pixel
            // takes the pair's chroma.
            const size_t columns = size_t(f.m_columns);
            const uint8_t* row = in;
            for (size_t y = 0; y < size_t(f.m_rows); ++y) {
                for (size_t x = 0; x < columns; x += 2) {
                    const uint8_t* pair = row + x * 2;
                    uint8_t* px = o + (y * columns + x) * 3;
                    px[0] = pair[0];
                    px[1] = pair[2];
                    px[2] = pair[3];
                    if (x + 1 < columns) {
                        px[3] = pair[1];
                        px[4] = pair[2];
                        px[5] = pair[3];
                    }
                }
                row += (columns + 1) / 2 * 4;
            }
        } else {
            for (size_t p = 0; p < pixels; ++p)
                for (size_t c = 0; c < spp; ++c)
                    std::memcpy(o + (p * spp + c) * bytes, in + (c * pixels + p) * bytes, bytes);
        }
        f.m_frames[i].data = std::move(out);
        f.m_frames[i].size = outSize;
    }
    return true;
}

bool PixelDecoding::decodeEncapsulated(std::span<const uint8_t> items, uint64_t base,
                                       std::span<const uint64_t> extendedOffsets) {
    DicomFile& f = m_file;
    const FrameDecoder& codec = *f.m_codec;
    if (!checkFrameCount()) return false;
    FrameGeometry g;
    g.rows = static_cast<uint32_t>(f.m_rows);
    g.columns = static_cast<uint32_t>(f.m_columns);
    g.samplesPerPixel = static_cast<uint32_t>(std::max<int16_t>(f.m_samplesPerPixel, 1));
    g.bitsAllocated = static_cast<uint32_t>(std::max<int16_t>(f.m_bitsAllocated, 0));
    g.bitsStored = static_cast<uint32_t>(std::max<int16_t>(f.m_bitsStored, 0));
    g.isSigned = f.m_pixelSigned;
    FrameDecodeStatus status = codec.checkImage(g, f.m_photometric);
    if (!status.ok()) return fail(status.error, status.message);
    const uint64_t frameBytes = decodedFrameBytes(g);
    if (frameBytes == 0 || frameBytes > kMaxFrameBytes)
        return fail(DicomError::CorruptedDicom, "a frame of " + std::to_string(frameBytes) + " bytes is not supported");

    EncapsulatedItems walked;
    status = walkEncapsulatedItems(items, base, walked);
    if (!status.ok()) return fail(status.error, status.message);
    std::vector<FrameFragments> frames;
    status = locateFrames(items, walked, extendedOffsets, f.m_frameCount, codec, frames);
    if (!status.ok()) return fail(status.error, status.message);

    f.m_frames.clear();
    f.m_frames.resize(frames.size());
    std::vector<uint8_t> joined;
    size_t warnings = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        std::span<const uint8_t> stream;
        const EncapsulatedFragment& first = walked.fragments[frames[i].first];
        if (frames[i].count == 1) {
            stream = items.subspan(first.offset, first.length);
        } else {
            joined.clear();
            for (uint32_t k = 0; k < frames[i].count; ++k) {
                const EncapsulatedFragment& fr = walked.fragments[frames[i].first + k];
                joined.insert(joined.end(), items.begin() + static_cast<std::ptrdiff_t>(fr.offset),
                              items.begin() + static_cast<std::ptrdiff_t>(fr.offset + fr.length));
            }
            stream = joined;
        }
        if (frameBytes > kExpansionFloor && frameBytes / kMaxExpansion > stream.size())
            return fail(DicomError::CorruptedDicom, frameName(i) + " of " + std::to_string(stream.size()) +
                                                        " bytes cannot expand to " + std::to_string(frameBytes) + " bytes");
        status = codec.checkFrame(stream, g);
        if (!status.ok()) return fail(status.error, frameName(i) + ": " + status.message);
        const bool cleared = !codec.writesWholeFrames();
        std::unique_ptr<uint8_t[]> out(cleared ? new (std::nothrow) uint8_t[frameBytes]()
                                               : new (std::nothrow) uint8_t[frameBytes]);
        if (!out) return fail(DicomError::OutOfMemory, "no memory for " + frameName(i));
        status = codec.decodeFrame(stream, g, std::span<uint8_t>(out.get(), frameBytes));
        if (!cleared && status.ok() && !status.complete) {
            out.reset(new (std::nothrow) uint8_t[frameBytes]());
            if (!out) return fail(DicomError::OutOfMemory, "no memory for " + frameName(i));
            status = codec.decodeFrame(stream, g, std::span<uint8_t>(out.get(), frameBytes));
        }
        if (!status.ok()) return fail(status.error, frameName(i) + ": " + status.message);
        if (!status.complete && warnings++ < kMaxFrameWarnings)
            f.m_warnings.push_back(frameName(i) + " is incomplete" + (status.message.empty() ? "" : ": " + status.message));
        f.m_frames[i].data = std::move(out);
        f.m_frames[i].size = frameBytes;
    }
    f.m_frameCount = static_cast<int32_t>(frames.size());
    f.m_frameSize = static_cast<uint32_t>(frameBytes);

    DecodedLayout& d = f.m_decoded;
    d = DecodedLayout{};
    d.rows = f.m_rows;
    d.columns = f.m_columns;
    d.samples = static_cast<int32_t>(g.samplesPerPixel);
    d.bytesPerSample = static_cast<int32_t>(decodedSampleBytes(g.bitsAllocated));
    d.frames = f.m_frameCount;
    const bool rgb = g.samplesPerPixel == 3 && codec.colour(f.m_photometric) == DecodedColour::Rgb;
    std::snprintf(d.photometric, sizeof d.photometric, "%s", rgb ? "RGB" : trimmed(f.m_photometric).c_str());
    return true;
}

} // namespace veltor
