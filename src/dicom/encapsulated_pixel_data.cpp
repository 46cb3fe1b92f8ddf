#include "encapsulated_pixel_data.h"

#include <algorithm>

namespace veltor {

namespace {

constexpr uint16_t kItemGroup = 0xFFFE;
constexpr uint16_t kItem = 0xE000;
constexpr uint16_t kSequenceDelimitation = 0xE0DD;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

FrameDecodeStatus corrupt(uint64_t at, const std::string& what) {
    return frameRefusal(DicomError::CorruptedDicom, what + " at byte " + std::to_string(at));
}

// Maps table offsets to the fragments whose item tags they name. False when
// an offset names no fragment or the offsets do not increase.
template <typename T>
bool framesFromOffsets(const std::vector<EncapsulatedFragment>& fragments, std::span<const T> offsets,
                       std::vector<FrameFragments>& frames) {
    frames.clear();
    size_t next = 0;
    for (size_t i = 0; i < offsets.size(); ++i) {
        const uint64_t offset = offsets[i];
        while (next < fragments.size() && fragments[next].itemOffset < offset) ++next;
        if (next >= fragments.size() || fragments[next].itemOffset != offset ||
            (!frames.empty() && frames.back().first >= next)) {
            frames.clear();
            return false;
        }
        frames.push_back({static_cast<uint32_t>(next), 0});
        ++next;
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        const size_t end = i + 1 < frames.size() ? frames[i + 1].first : fragments.size();
        frames[i].count = static_cast<uint32_t>(end - frames[i].first);
    }
    return !frames.empty();
}

} // namespace

FrameDecodeStatus walkEncapsulatedItems(std::span<const uint8_t> data, uint64_t base, EncapsulatedItems& out) {
    out = EncapsulatedItems{};
    const uint8_t* p = data.data();
    const size_t size = data.size();
    if (size < 8 || le16(p) != kItemGroup || le16(p + 2) != kItem)
        return corrupt(base, "encapsulated pixel data without its offset table item");
    const uint32_t tableLength = le32(p + 4);
    if (tableLength > size - 8) return corrupt(base, "offset table runs past the pixel data");
    out.basicOffsets.resize(tableLength / 4);
    for (size_t i = 0; i < out.basicOffsets.size(); ++i) out.basicOffsets[i] = le32(p + 8 + 4 * i);
    size_t pos = 8 + size_t{tableLength};
    const size_t first = pos;
    for (;;) {
        if (size - pos < 8) {
            // The data ended without a sequence delimiter: the fragments so far stand.
            out.end = size;
            return {};
        }
        const uint16_t group = le16(p + pos);
        const uint16_t element = le16(p + pos + 2);
        if (group == kItemGroup && element == kSequenceDelimitation) {
            out.end = pos + 8;
            out.delimited = true;
            return {};
        }
        if (group != kItemGroup || element != kItem)
            return corrupt(base + pos, "fragment item expected");
        const uint32_t length = le32(p + pos + 4);
        if (length > size - pos - 8) return corrupt(base + pos, "fragment of " + std::to_string(length) + " bytes runs past the pixel data");
        out.fragments.push_back({pos + 8, length, pos - first});
        pos += 8 + size_t{length};
    }
}

FrameDecodeStatus locateFrames(std::span<const uint8_t> data, const EncapsulatedItems& items,
                               std::span<const uint64_t> extendedOffsets, int32_t frameCount, const FrameDecoder& codec, std::vector<FrameFragments>& frames,
                               std::string* how) {
    auto say = [&](const char* rule) {
        if (how != nullptr) *how = rule;
    };
    frames.clear();
    const std::vector<EncapsulatedFragment>& fragments = items.fragments;
    if (fragments.empty()) return frameRefusal(DicomError::CorruptedDicom, "encapsulated pixel data without fragments");
    if (!extendedOffsets.empty() && framesFromOffsets(fragments, extendedOffsets, frames)) {
        say("extended offset table");
        return {};
    }
    if (!items.basicOffsets.empty() &&
        framesFromOffsets(fragments, std::span<const uint32_t>(items.basicOffsets), frames)) {
        say("basic offset table");
        return {};
    }
    // The number of frames: a table's entry count, else the attribute.
    size_t wanted = !extendedOffsets.empty()    ? extendedOffsets.size()
                    : !items.basicOffsets.empty() ? items.basicOffsets.size()
                                                  : static_cast<size_t>(std::max(frameCount, 1));
    if (fragments.size() == wanted) {
        for (size_t i = 0; i < wanted; ++i) frames.push_back({static_cast<uint32_t>(i), 1});
        say("one fragment per frame");
        return {};
    }
    if (wanted == 1) {
        frames.push_back({0, static_cast<uint32_t>(fragments.size())});
        say("all fragments one frame");
        return {};
    }
    // The codec's own frame starts: a frame begins at each fragment that
    // opens a codestream.
    for (size_t i = 0; i < fragments.size(); ++i) {
        const auto fragment = data.subspan(fragments[i].offset, fragments[i].length);
        if (i == 0 || codec.startsFrame(fragment)) {
            if (frames.size() == wanted) break;
            frames.push_back({static_cast<uint32_t>(i), 0});
        }
        ++frames.back().count;
    }
    if (frames.size() == wanted) {
        say("codestream starts");
        return {};
    }
    // A codec without recognisable starts: the first fragments, one per frame.
    if (fragments.size() > wanted && frames.size() < 2) {
        frames.clear();
        for (size_t i = 0; i < wanted; ++i) frames.push_back({static_cast<uint32_t>(i), 1});
        say("first fragments");
        return {};
    }
    const size_t found = frames.size();
    frames.clear();
    return frameRefusal(DicomError::CorruptedDicom,
                        "pixel data holds " + std::to_string(fragments.size()) + " fragments (" +
                            std::to_string(found) + " frames found) for " + std::to_string(wanted) + " frames");
}

} // namespace veltor
