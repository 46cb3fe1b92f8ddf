// AviWriter: one video stream in a RIFF AVI file, uncompressed (8 bits with
// a colour table, or 24 bits) or Motion JPEG. Frames are packed bitmaps,
// collected in memory and written at finish(): stream header, format, one
// key-frame sample per frame and the index that players seek with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veltor {

enum class AviCodec { Uncompressed, MotionJpeg };

// The messages of a failed video export.
inline constexpr char kAviCreateError[] = "I can not create file";
inline constexpr char kAviDiskFullError[] = "There is not enough space on disk!";

enum class AviStatus {
    Ok,
    NotOpen,        // finish without a successful open
    NoFrames,
    NotEnoughSpace, // the free space is below what the frames need; nothing written
    TooLarge,       // the file would pass the 4 GiB a RIFF file can describe
    WriteFailed,    // writing failed; the partial file was removed
};

class AviWriter {
  public:
    // Frames per second (at least 1), the codec and its JPEG quality 1..100.
    explicit AviWriter(int32_t rate, AviCodec codec = AviCodec::Uncompressed, int jpegQuality = 90);
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates the file (under a temporary name beside `path`, renamed over it
    // when finished). False with `systemError()` when it cannot be created.
    bool open(const std::string& path);
    // Takes a copy of a packed 8- or 24-bit bitmap. The first frame fixes
    // width, height, colours used and bits per pixel; a later frame that
    // differs in any of them, or a bitmap that is not one, is refused (0).
    int addFrame(const uint8_t* bitmap, size_t size);
    // Checks the free space, writes everything and closes the file; 1 when
    // every frame was written.
    int finish();

    AviStatus status() const { return m_status; }
    int systemError() const { return m_systemError; }
    size_t frameCount() const { return m_frames.size(); }
    // The bytes the file needs (known once frames are added).
    uint64_t bytesNeeded() const;

  private:
    struct Format {
        int32_t width = 0;
        int32_t height = 0;
        uint16_t bitCount = 0;
        uint32_t clrUsed = 0;
        bool operator==(const Format&) const = default;
    };
    void release();

    int32_t m_rate;
    AviCodec m_codec;
    int m_quality;
    Format m_format;
    std::vector<uint8_t> m_formatBytes; // BITMAPINFOHEADER and colour table of the first frame
    std::vector<std::vector<uint8_t>> m_frames; // pixel rows, or JPEG streams
    struct Impl;
    Impl* m_file = nullptr;
    std::string m_path;
    AviStatus m_status = AviStatus::NotOpen;
    int m_systemError = 0;
};

// Free bytes for an unprivileged user in the folder of `path`, or -1 when
// it cannot be told.
int64_t freeSpaceFor(const std::string& path);

} // namespace veltor
