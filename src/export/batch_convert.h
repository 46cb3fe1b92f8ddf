// Converting whole DICOM files to image files: every frame of each file,
// converted as stored (no zoom, palette or overlays), 16-bit frames through
// the window held in the file. Used by Batch Convert (outputs beside each
// source) and Export selected files (outputs into one export directory).
// Nothing here shows anything: outcomes go to callbacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dicom/dicom_error.h"
#include "dicom/voi.h"
#include "anonymize_options.h"
#include "frame_export.h"

namespace veltor {

class DicomFile;

// The two commands differ only in their BMP writer: Batch Convert hands BMP
// files to imglib like JPEG files, Export selected files uses the own layout.
enum class ConvertCommand { BatchConvert, ExportSelectedFiles };

struct ConvertOptions {
    ExportFormat format = ExportFormat::Tiff;
    ConvertCommand command = ConvertCommand::ExportSelectedFiles;
    int jpegQuality = 75; // imglib's default; batch conversion has no setting of its own
    // The window of grey frames: Auto (the file's, or the frame's range when
    // it does not fit), File (exactly as stored) or a given one.
    WindowChoice window;
    // HTML instead of `format`: a page with the header and the frames as JPEG
    // files in a folder beside it; the header's identifying values empty
    // while `anonymizeExports` holds.
    bool html = false;
    bool anonymizeExports = true;
    AnonymizeOptions anonymize;
};

// The frame image of frame n (from 1) of a fully opened file: 8 bits
// allocated with a colour photometric interpretation gives R, G, B; 8 bits
// monochrome gives grey; 12 and 16 bits give grey windowed with the file's
// window (which an unusable window replaces for the later frames). False for
// other depths, an empty image or a frame without pixels.
bool makeFrameImage(DicomFile& file, int32_t n, PackedPixels& image, const WindowChoice& window = {});
// The same image without a copy where there is one already: 8-bit frames are
// viewed in the file's converted buffer (valid while `file` lives); windowed
// frames are made into `storage`, which the view then points into.
bool frameImageView(DicomFile& file, int32_t n, std::vector<uint8_t>& storage, PixelView& view,
                    const WindowChoice& window = {});

// Every callback is optional.
struct ConvertCallbacks {
    // The target exists: true replaces it, false skips that frame. Without
    // this callback existing targets are replaced without a look.
    std::function<bool(const std::string& target)> confirmOverwrite;
    // An image file was written.
    std::function<void(const std::string& target)> written;
    // An image file could not be written ("File creation error"); the run goes on.
    std::function<void(const std::string& target, const ExportResult& result)> writeFailed;
    // After each file with the count done and the total; false ends the run
    // after the file in hand.
    std::function<bool(size_t done, size_t total)> progress;
};

// Why a file gave no images.
enum class ConvertFailure {
    None,
    NotParsed,        // the full open failed; `dicomStatus` says why
    UnsupportedImage, // no frames, or a depth other than 8, 12 or 16 bits
    NoPixelData,      // an object without pixels (a report, a presentation state): skipped
    Declined,         // an HTML page exists and was not to be replaced
};

struct ConvertReport {
    ConvertFailure failure = ConvertFailure::None;
    DicomError dicomStatus = DicomError::NoError;
    std::string reason; // why the open failed, in words (may be empty)
    int32_t frames = 0;
    size_t written = 0;
    size_t failed = 0;  // images that could not be written
    size_t skipped = 0; // existing targets kept
    // The conversion succeeds for every file that parsed; the log lists those.
    bool converted() const { return failure == ConvertFailure::None; }
};

// A short English reason for a file that gave no images.
std::string convertFailureText(const ConvertReport& report);

// Converts one file into `outputDirectory`, one image per frame, named by
// batchOutputName.
ConvertReport convertFile(const std::string& sourcePath, const std::string& outputDirectory,
                          const ConvertOptions& options, const ConvertCallbacks& callbacks);

struct ConvertRunResult {
    bool cancelled = false;
    size_t converted = 0; // files that parsed
    size_t notConverted = 0;
    size_t written = 0; // image files
    size_t failed = 0;  // image files that could not be written
    size_t skipped = 0;
    // The "Exported files:" log: each converted source path and "\r\n".
    std::string log;
};

// Converts `files` in order: into `outputDirectory`, or beside each source
// when it is empty. `report` (optional) hears of every file with its outcome.
ConvertRunResult convertFiles(
    const std::vector<std::string>& files, const std::string& outputDirectory,
    const ConvertOptions& options, const ConvertCallbacks& callbacks,
    const std::function<void(const std::string& source, const ConvertReport& report)>& report = {});

} // namespace veltor
