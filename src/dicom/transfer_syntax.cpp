#include "transfer_syntax.h"

#include <cstring>

#include "frame_decoder.h"

namespace veltor {

namespace {

const FrameDecoder* rle() { return &rleFrameDecoder(); }
const FrameDecoder* lossy() { return &lossyJpegFrameDecoder(); }
const FrameDecoder* lossless() { return &losslessJpegFrameDecoder(); }
const FrameDecoder* jpegLs() { return &jpegLsFrameDecoder(); }
const FrameDecoder* jpeg2000() { return &jpeg2000FrameDecoder(); }

using E = DataSetEncoding;
constexpr E kEl = E::ExplicitLittle;

const TransferSyntax kSyntaxes[] = {
    {"1.2.840.10008.1.2", "Implicit VR Little Endian", "NONE", E::ImplicitLittle, nullptr, true},
    {"1.2.840.10008.1.2.1", "Explicit VR Little Endian", "NONE", kEl, nullptr, true},
    {"1.2.840.10008.1.2.2", "Explicit VR Big Endian", "NONE", E::ExplicitBig, nullptr, true},
    {"1.2.840.10008.1.20", "Papyrus 3 Implicit VR Little Endian", "NONE", E::ImplicitLittle, nullptr, true},
    {"1.2.840.10008.1.2.1.99", "Deflated Explicit VR Little Endian", "DEFLATE", E::DeflatedExplicitLittle, nullptr,
     true},
    {"1.2.840.10008.1.2.5", "RLE Lossless", "RLE", kEl, rle, true},
    {"1.2.840.10008.1.2.4.50", "JPEG Baseline", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.51", "JPEG Extended", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.52", "JPEG Extended (Process 3 & 5)", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.53", "JPEG Spectral Selection (Process 6 & 8)", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.54", "JPEG Spectral Selection (Process 7 & 9)", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.55", "JPEG Full Progression (Process 10 & 12)", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.56", "JPEG Full Progression (Process 11 & 13)", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.57", "JPEG Lossless (Process 14)", "JPEG LOSSLESS", kEl, lossless, true},
    {"1.2.840.10008.1.2.4.58", "JPEG Lossless (Process 15)", "JPEG LOSSLESS", kEl, lossless, true},
    {"1.2.840.10008.1.2.4.59", "JPEG Extended Hierarchical (Process 16 & 18)", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.60", "JPEG Extended Hierarchical (Process 17 & 19)", "JPEG LOSSY", kEl, lossy, true},
    {"1.2.840.10008.1.2.4.61", "JPEG Spectral Selection Hierarchical (Process 20 & 22)", "JPEG LOSSY", kEl, lossy,
     true},
    {"1.2.840.10008.1.2.4.62", "JPEG Spectral Selection Hierarchical (Process 21 & 23)", "JPEG LOSSY", kEl, lossy,
     true},
    {"1.2.840.10008.1.2.4.63", "JPEG Full Progression Hierarchical (Process 24 & 26)", "JPEG LOSSY", kEl, lossy,
     true},
    {"1.2.840.10008.1.2.4.64", "JPEG Full Progression Hierarchical (Process 25 & 27)", "JPEG LOSSY", kEl, lossy,
     true},
    {"1.2.840.10008.1.2.4.65", "JPEG Lossless Hierarchical (Process 28)", "JPEG LOSSLESS", kEl, lossless, true},
    {"1.2.840.10008.1.2.4.66", "JPEG Lossless Hierarchical (Process 29)", "JPEG LOSSLESS", kEl, lossless, true},
    {"1.2.840.10008.1.2.4.70", "JPEG Lossless SV1", "JPEG LOSSLESS", kEl, lossless, true},
    {"1.2.840.10008.1.2.4.80", "JPEG-LS Lossless", "JPEG-LS", kEl, jpegLs, true},
    {"1.2.840.10008.1.2.4.81", "JPEG-LS Near-Lossless", "JPEG-LS", kEl, jpegLs, true},
    {"1.2.840.10008.1.2.4.90", "JPEG 2000 Lossless", "JPEG 2000", kEl, jpeg2000, true},
    {"1.2.840.10008.1.2.4.91", "JPEG 2000", "JPEG 2000", kEl, jpeg2000, true},
    {"1.2.840.10008.1.2.4.92", "JPEG 2000 Part 2 Multi-component Lossless", "JPEG 2000", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.93", "JPEG 2000 Part 2 Multi-component", "JPEG 2000", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.94", "JPIP Referenced", "JPIP", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.95", "JPIP Referenced Deflate", "JPIP", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.100", "MPEG2 Main Profile", "MPEG2", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.101", "MPEG2 High Profile", "MPEG2", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.102", "MPEG-4 AVC/H.264 High Profile", "MPEG-4", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.103", "MPEG-4 AVC/H.264 BD-compatible High Profile", "MPEG-4", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.104", "MPEG-4 AVC/H.264 High Profile For 2D Video", "MPEG-4", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.105", "MPEG-4 AVC/H.264 High Profile For 3D Video", "MPEG-4", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.106", "MPEG-4 AVC/H.264 Stereo High Profile", "MPEG-4", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.107", "HEVC/H.265 Main Profile", "HEVC", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.108", "HEVC/H.265 Main 10 Profile", "HEVC", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.110", "JPEG XL Lossless", "JPEG XL", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.111", "JPEG XL JPEG Recompression", "JPEG XL", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.112", "JPEG XL", "JPEG XL", kEl, nullptr, false},
    {"1.2.840.10008.1.2.4.201", "High-Throughput JPEG 2000 Lossless", "HTJ2K", kEl, jpeg2000, true},
    {"1.2.840.10008.1.2.4.202", "High-Throughput JPEG 2000 RPCL Lossless", "HTJ2K", kEl, jpeg2000, true},
    {"1.2.840.10008.1.2.4.203", "High-Throughput JPEG 2000", "HTJ2K", kEl, jpeg2000, true},
    {"1.2.840.10008.1.2.6.1", "RFC 2557 MIME Encapsulation", "MIME", kEl, nullptr, false},
    {"1.2.840.10008.1.2.6.2", "XML Encoding", "XML", kEl, nullptr, false},
    {"1.2.840.10008.1.2.7.1", "SMPTE ST 2110-20 Uncompressed Progressive Active Video", "SMPTE", kEl, nullptr, false},
    {"1.2.840.10008.1.2.7.2", "SMPTE ST 2110-20 Uncompressed Interlaced Active Video", "SMPTE", kEl, nullptr, false},
    {"1.2.840.10008.1.2.7.3", "SMPTE ST 2110-30 PCM Digital Audio", "SMPTE", kEl, nullptr, false},
};

} // namespace

std::string trimmedUid(const char* uid) {
    std::string s = uid != nullptr ? uid : "";
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

const TransferSyntax* findTransferSyntax(const char* uid) {
    const std::string wanted = trimmedUid(uid);
    for (const TransferSyntax& row : kSyntaxes)
        if (wanted == row.uid) return &row;
    return nullptr;
}

} // namespace veltor
