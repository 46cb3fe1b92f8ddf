// Lossless JPEG (ITU-T T.81 processes 14 and 15, Huffman coded, with the
// predictors of Table H.1) for the JPEG Lossless transfer syntaxes.
//
// One frame's fragment is decoded in memory. Only the first scan is read and
// only the first component of each pixel is kept: with 8 bits stored the low
// byte of every decoded value (one byte per pixel), otherwise the decoded value
// as a little-endian 16-bit sample. The point transform of the scan is read but
// not applied: samples are written as the entropy data gives them.
//
// Diagnostics go to `errorStream` (stderr by default, nullptr for silence)
// with the wording of the classic lossless JPEG codecs, so that logs of files
// that fail to decode read the same on every installation.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "dicom/frame_decoder.h"

namespace veltor {

// What a lossless JPEG stream's frame and scan headers say.
struct LosslessJpegHeader {
    int precision = 0;       // P, 2..16
    uint32_t height = 0;
    uint32_t width = 0;
    int frameComponents = 0; // Nf
    int scanComponents = 0;  // Ns of the first scan
    int predictor = 0;       // PSV, the scan's Ss byte
    int pointTransform = 0;  // Pt, low four bits of Ah/Al
    uint32_t restartInterval = 0; // in pixels, 0 without DRI
};

// Every sample of a lossless JPEG scan costs at least one bit (a one-bit code
// for a zero difference): a fragment of N bytes describes at most 8N samples.
// Callers can refuse larger frames before allocating them.
constexpr uint64_t kLosslessJpegMaxSamplesPerByte = 8;

// Bytes per output sample: 1 with 8 bits stored, 2 otherwise.
constexpr uint32_t losslessSampleBytes(uint32_t bitsStored) { return bitsStored == 8 ? 1 : 2; }

// Decodes `fragment` into `frame`. `expected` gives the rows, columns and
// samples per pixel that the stream's frame header must match, and the bits
// stored (8, 12 or 16) that choose the output layout; `frame` must hold at
// least rows x columns output samples and keeps its remaining bytes. On
// failure the error is UnsupportedDicom (or CorruptedDicom when the stream
// disagrees with `expected`) and the message is the diagnostic that ended the
// decoding; rows decoded before the failure stay in `frame`. A stream that
// reaches EOI before any scan succeeds with `complete` false and leaves
// `frame` as it was. Warnings (stray markers, bad Huffman codes, an undefined
// predictor) are printed, at most 20 per frame, and do not stop decoding.
// `header`, when given, receives what the headers said.
// With `allComponents`, every component of the scan is written, interleaved
// per pixel (the scan must then hold every component of the frame).
FrameDecodeStatus decodeLosslessFrame(std::span<const uint8_t> fragment,
                                      const FrameGeometry& expected, std::span<uint8_t> frame,
                                      std::FILE* errorStream = stderr,
                                      LosslessJpegHeader* header = nullptr, bool allComponents = false);

} // namespace veltor
