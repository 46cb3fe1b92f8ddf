// Encapsulated pixel data: walking the items, telling which fragments make
// which frame, and the RLE codec's byte planes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dicom/encapsulated_pixel_data.h"
#include "dicom/frame_decoder.h"
#include "dicom_bytes.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

// Items as they follow the pixel data header: the basic offset table (its
// entries), then each fragment, then the sequence delimiter.
std::vector<uint8_t> items(const std::vector<uint32_t>& table, const std::vector<std::string>& fragments,
                           bool delimited = true) {
    DicomBytes b;
    b.item(static_cast<uint32_t>(table.size() * 4));
    for (uint32_t o : table) b.u32(o);
    for (const std::string& f : fragments) b.item(static_cast<uint32_t>(f.size())).raw(f);
    if (delimited) b.sequenceEnd();
    return b.bytes();
}

std::vector<FrameFragments> locate(const std::vector<uint8_t>& data, int32_t frameCount,
                                   const FrameDecoder& codec, std::string* how = nullptr,
                                   std::vector<uint64_t> extended = {}, FrameDecodeStatus* status = nullptr) {
    EncapsulatedItems walked;
    const FrameDecodeStatus w = walkEncapsulatedItems(data, 1000, walked);
    EXPECT_TRUE(w.ok()) << w.message;
    std::vector<FrameFragments> frames;
    const FrameDecodeStatus s = locateFrames(data, walked, extended, frameCount, codec, frames, how);
    if (status != nullptr) *status = s;
    return frames;
}

std::string jpeg(const std::string& body) { return std::string("\xFF\xD8", 2) + body; }

} // namespace

TEST(EncapsulatedItems, WalkAndItsRefusals) {
    EncapsulatedItems walked;
    std::vector<uint8_t> data = items({0, 12}, {"abcd", "efgh"});
    ASSERT_TRUE(walkEncapsulatedItems(data, 0, walked).ok());
    EXPECT_EQ(walked.basicOffsets, (std::vector<uint32_t>{0, 12}));
    ASSERT_EQ(walked.fragments.size(), 2u);
    EXPECT_EQ(walked.fragments[1].itemOffset, 12u);
    EXPECT_EQ(std::string(data.begin() + long(walked.fragments[1].offset), data.begin() + long(walked.fragments[1].offset) + 4), "efgh");
    EXPECT_TRUE(walked.delimited);

    // The data ending without a delimiter keeps the fragments.
    data = items({}, {"abcd"}, false);
    ASSERT_TRUE(walkEncapsulatedItems(data, 0, walked).ok());
    EXPECT_FALSE(walked.delimited);
    EXPECT_EQ(walked.fragments.size(), 1u);

    // Something that is not an item, named with its file offset.
    data = items({}, {"abcd"}, false);
    data.insert(data.end(), {0x08, 0x00, 0x60, 0x00, 0, 0, 0, 0});
    FrameDecodeStatus s = walkEncapsulatedItems(data, 5000, walked);
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.message, "fragment item expected at byte " + std::to_string(5000 + 8 + 12));

    // A fragment (or offset table) longer than the data.
    data = items({}, {"abcd"});
    data[8 + 4] = 0xF0;
    EXPECT_NE(walkEncapsulatedItems(data, 0, walked).message.find("runs past the pixel data"), std::string::npos);
    data = items({0}, {"abcd"});
    data[4] = 0xFF;
    EXPECT_NE(walkEncapsulatedItems(data, 0, walked).message.find("offset table runs past"), std::string::npos);
    data = {0xFE, 0xFF, 0x00, 0xE0};
    EXPECT_FALSE(walkEncapsulatedItems(data, 0, walked).ok());
}

TEST(EncapsulatedItems, FramesFromTablesCountsAndCodestreams) {
    const FrameDecoder& jpegCodec = lossyJpegFrameDecoder();
    const FrameDecoder& rle = rleFrameDecoder();
    std::string how;
    // The basic table: frame 1 is two fragments (8 + 4 and 8 + 4 bytes).
    auto frames = locate(items({0, 24}, {jpeg("ab"), "cdef", jpeg("gh")}), 2, rle, &how);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].count, 2u);
    EXPECT_EQ(frames[1].first, 2u);
    EXPECT_EQ(how, "basic offset table");

    // The extended table wins over the basic one.
    frames = locate(items({0, 24}, {jpeg("ab"), "cdef", jpeg("gh")}), 2, rle, &how, {0, 12});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].count, 2u);
    EXPECT_EQ(how, "extended offset table");

    // Tables that miss the fragments (or overflow) are passed over; their
    // entry count still says how many frames there are.
    frames = locate(items({0, 7}, {"ab", "cd"}), 5, rle, &how);
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(how, "one fragment per frame");
    frames = locate(items({}, {"ab", "cd"}), 2, rle, &how, {0, 0xFFFFFFFFFFFFFFF0ull});
    EXPECT_EQ(how, "one fragment per frame");

    // No table: one frame takes every fragment.
    frames = locate(items({}, {"ab", "cd", "ef"}), 1, rle, &how);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].count, 3u);

    // No table, more fragments than frames: the codestream starts decide.
    frames = locate(items({}, {jpeg("a"), "bc", "de", jpeg("f"), "gh"}), 2, jpegCodec, &how);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].count, 3u);
    EXPECT_EQ(frames[1].first, 3u);
    EXPECT_EQ(frames[1].count, 2u);
    EXPECT_EQ(how, "codestream starts");
    // ... and extra frames beyond the count are left out.
    frames = locate(items({}, {jpeg("a"), jpeg("b"), "cd", jpeg("e")}), 2, jpegCodec);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].count, 2u);

    // A codec without visible starts takes the first fragments, one per frame.
    frames = locate(items({}, {"ab", "cd", "ef"}), 2, rle, &how);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(how, "first fragments");

    // Too few frames to be found is refused, with the counts.
    FrameDecodeStatus status;
    frames = locate(items({}, {jpeg("a"), "b", "c"}), 4, jpegCodec, nullptr, {}, &status);
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(status.message, "pixel data holds 3 fragments (1 frames found) for 4 frames");
    frames = locate(items({}, {"ab"}), 2, rle, nullptr, {}, &status);
    EXPECT_FALSE(status.ok());
}

TEST(RleCodec, BytePlanesBecomeLittleEndianInterleavedSamples) {
    // Literal PackBits runs: one segment per byte plane, most significant first.
    auto fragment = [](const std::vector<std::string>& planes) {
        std::string header(64, '\0');
        std::string body;
        header[0] = static_cast<char>(planes.size());
        for (size_t i = 0; i < planes.size(); ++i) {
            const uint32_t offset = static_cast<uint32_t>(64 + body.size());
            std::memcpy(&header[4 + 4 * i], &offset, 4);
            body += static_cast<char>(planes[i].size() - 1);
            body += planes[i];
        }
        const std::string all = header + body;
        return std::vector<uint8_t>(all.begin(), all.end());
    };
    const FrameDecoder& rle = rleFrameDecoder();
    FrameGeometry g;
    g.rows = 1;
    g.columns = 2;
    g.bitsAllocated = g.bitsStored = 16;
    std::vector<uint8_t> out(decodedFrameBytes(g));
    auto stream = fragment({"\x12\x34", "\x56\x78"});
    ASSERT_TRUE(rle.checkFrame(stream, g).ok());
    ASSERT_TRUE(rle.decodeFrame(stream, g, out).ok());
    EXPECT_EQ(out, (std::vector<uint8_t>{0x56, 0x12, 0x78, 0x34}));

    g.bitsAllocated = g.bitsStored = 32;
    out.assign(decodedFrameBytes(g), 0);
    stream = fragment({"\x01\x02", "\x03\x04", "\x05\x06", "\x07\x08"});
    ASSERT_TRUE(rle.decodeFrame(stream, g, out).ok());
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 5, 3, 1, 8, 6, 4, 2}));

    g.bitsAllocated = g.bitsStored = 8;
    g.samplesPerPixel = 3;
    out.assign(decodedFrameBytes(g), 0);
    stream = fragment({"RR", "GG", "BB"});
    ASSERT_TRUE(rle.decodeFrame(stream, g, out).ok());
    EXPECT_EQ(std::string(out.begin(), out.end()), "RGBRGB");

    // The segment count must be the image's.
    stream = fragment({"RRGGBB"});
    EXPECT_FALSE(rle.checkFrame(stream, g).ok());
    g.bitsAllocated = 12;
    EXPECT_FALSE(rle.checkImage(g, "RGB").ok());
}
