// DICOM RLE Lossless: decoding of one frame's fragment.
//
// A fragment starts with a 64-byte header of sixteen little-endian 32-bit
// numbers: the segment count (1..15) and the byte offset of each segment from
// the start of the fragment. Every segment is a PackBits stream that expands to
// one byte plane of the frame (for 8-bit samples: one plane per sample; for
// wider samples the most significant byte plane first). The planes are written
// one after another, so a three-sample frame comes out as three planes that the
// caller interleaves according to the planar configuration.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "dicom/frame_decoder.h"

namespace veltor {

constexpr size_t kRleHeaderSize = 64;
constexpr uint32_t kRleMaxSegments = 15;

// One PackBits control/data pair can expand to at most this many bytes per
// byte of input (a -128 control in the compatibility pass: one byte in, 127
// bytes out). A frame larger than its segments times this cannot be legitimate.
constexpr size_t kRleMaxExpansion = 127;

// Validates the fragment header against a frame of `frameSize` bytes without
// decoding: size, segment count (and `expectedSegments` unless 0), increasing
// offsets inside the fragment, a frame size that divides evenly into the
// segments and that the segments can expand to. Call it before allocating a
// frame for an untrusted fragment.
FrameDecodeStatus checkRleFragment(std::span<const uint8_t> fragment, size_t frameSize,
                                   uint32_t expectedSegments = 0);

// Decodes the fragment into `frame` (its size is the frame size), after the
// checks of checkRleFragment. Each segment is decoded by the PackBits rule
// (control n >= 0: copy n + 1 bytes; -127..-1: repeat the next byte 1 - n
// times; -128: nothing). Writers that used -128 as a run of 129 exist: a
// segment that does not come out at exactly its plane size is decoded a second
// time reading -128 as "repeat the next byte 129 times, advance the output by
// 127 and read that byte again as the next control". Runs are clamped to the
// plane; bytes the data never reaches are zero and make `complete` false.
FrameDecodeStatus decodeRleFrame(std::span<const uint8_t> fragment, std::span<uint8_t> frame,
                                 uint32_t expectedSegments = 0);

// One PackBits pass over `input` into `output` (exposed for tests and the
// benchmark). Returns the output position where the pass stopped: past
// output.size() when the last run overshoots, below it when the data ends
// first (the bytes from there on are not written), and exactly output.size()
// when the stream fits the plane.
size_t unpackBits(std::span<const uint8_t> input, std::span<uint8_t> output,
                  bool minus128IsRun);

} // namespace veltor
