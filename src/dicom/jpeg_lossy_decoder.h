// Lossy JPEG (baseline and extended sequential, and the progressive processes)
// through libjpeg: libjpeg-turbo for 8-bit samples, the IJG library built for
// 12-bit samples (shipped with GDCM) for 12-bit samples.
//
// The libraries run with their default output settings: a three-component
// YCbCr stream comes out as RGB, one component as grey. Their errors return to
// the caller instead of ending the program, warnings are counted and a stream
// that keeps warning is abandoned, and the header's geometry is checked before
// any sample buffer is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "dicom/frame_decoder.h"

namespace veltor {

// A stream that produces more warnings than this (each one a piece of corrupt
// data the library papered over) is treated as an error.
constexpr int kJpegMaxWarnings = 100;

// A progressive stream with more scans than this is refused: each scan costs a
// pass over the whole coefficient buffer, so crafted streams of tiny scans
// would otherwise take minutes.
constexpr int kJpegMaxScans = 500;

// No frame may hold more samples than this (rows x columns x components):
// 2^28, e.g. 16384 x 16384 grey; beyond any single DICOM frame in practice.
constexpr uint64_t kJpegMaxSamples = uint64_t{1} << 28;

// Reads the stream's header without decompressing and checks it as
// decodeJpegFrame does: the library (by `expected.bitsStored`), geometry
// against `expected`, and the sample budget: kJpegMaxSamples, and for
// Huffman-coded sequential streams the number of 8x8 blocks the fragment's
// size can describe at all. Call it before allocating the frame of an
// untrusted fragment.
FrameDecodeStatus checkJpegFrame(std::span<const uint8_t> fragment, const FrameGeometry& expected);

// Decodes `fragment` into `frame`. `expected.bitsStored` chooses the library
// (8 or 12; anything else is UnsupportedDicom). The stream's rows, columns and
// output components must equal `expected`'s rows, columns and samples per pixel
// (CorruptedDicom otherwise, before decompression starts), and the header must
// pass the sample budget of checkJpegFrame. Rows are written
// top to bottom, each columns x samples samples: bytes for 8-bit data, little-
// endian 16-bit samples for 12-bit data; `frame` must hold them all and keeps
// any bytes after them. A library error stops the decoding with CorruptedDicom
// and the library's message; rows decoded before it stay in `frame`.
FrameDecodeStatus decodeJpegFrame(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                                  std::span<uint8_t> frame);

namespace detail {
// The two library builds, one per translation unit.
FrameDecodeStatus decodeJpeg8(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                              std::span<uint8_t> frame);
FrameDecodeStatus decodeJpeg12(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                               std::span<uint8_t> frame);
FrameDecodeStatus checkJpeg8(std::span<const uint8_t> fragment, const FrameGeometry& expected);
FrameDecodeStatus checkJpeg12(std::span<const uint8_t> fragment, const FrameGeometry& expected);
} // namespace detail

} // namespace veltor
