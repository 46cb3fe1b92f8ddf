// Encapsulated pixel data: the items after an undefined-length pixel data
// element (basic offset table, fragments, sequence delimiter), and which
// fragments make which frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dicom/frame_decoder.h"

namespace veltor {

struct EncapsulatedFragment {
    size_t offset = 0;     // first data byte, from the start of the walked bytes
    uint32_t length = 0;   // data bytes
    uint64_t itemOffset = 0; // the item tag, from the first fragment's item tag (what offset tables count)
};

struct EncapsulatedItems {
    std::vector<uint32_t> basicOffsets; // the basic offset table's entries (often none)
    std::vector<EncapsulatedFragment> fragments;
    size_t end = 0;         // bytes walked, the sequence delimiter included when present
    bool delimited = false; // false when the data ended before the sequence delimiter
};

// Walks the items from the first one (the basic offset table). `base` is the
// file offset of data[0], for the byte offsets named in refusals. Refuses
// items that are not items, lengths past the data and a missing offset table.
FrameDecodeStatus walkEncapsulatedItems(std::span<const uint8_t> data, uint64_t base, EncapsulatedItems& out);

// The fragments of one frame: `count` fragments from `first`.
struct FrameFragments {
    uint32_t first = 0;
    uint32_t count = 0;
};

// How the fragments make frames, in this order of trust: the extended offset
// table (when given: one 64-bit offset per frame), the basic offset table when
// it has entries, one fragment per frame when the counts agree, all fragments
// when there is one frame, else the codec's own frame starts. Tables whose
// offsets miss the fragments are passed over (their entry count still gives
// the number of frames, as the basic table always has). `frameCount` is the
// Number of Frames attribute; `data` the bytes walked by walkEncapsulatedItems.
// `how` names the rule that decided.
FrameDecodeStatus locateFrames(std::span<const uint8_t> data, const EncapsulatedItems& items,
                               std::span<const uint64_t> extendedOffsets, int32_t frameCount, const FrameDecoder& codec, std::vector<FrameFragments>& frames,
                               std::string* how = nullptr);

} // namespace veltor
