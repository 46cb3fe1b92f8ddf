#include "batch_convert.h"

#include <sys/stat.h>

#include "dicom/dicom_file.h"
#include "export_names.h"
#include "html_page.h"

namespace veltor {

namespace {

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isColour(const DicomFile& file) { return file.isColour(); }

ExportResult writeImage(const std::string& target, const PixelView& image,
                        const ConvertOptions& options) {
    switch (options.format) {
    case ExportFormat::Tiff:
        return writeTiffImage(target.c_str(), image);
    case ExportFormat::Raw:
        return writeRawImage(target.c_str(), image);
    case ExportFormat::Bmp:
    case ExportFormat::Jpeg: {
        const std::vector<uint8_t> bitmap = makeExportBitmap(image);
        if (bitmap.empty()) {
            ExportResult result;
            result.status = ExportStatus::BadImage;
            return result;
        }
        if (options.format == ExportFormat::Bmp &&
            options.command == ConvertCommand::ExportSelectedFiles)
            return writeBmpBitmap(target.c_str(), bitmap.data(), bitmap.size());
        return writeLibraryBitmap(target.c_str(), bitmap.data(), bitmap.size(),
                                  options.jpegQuality);
    }
    }
    ExportResult unknown;
    unknown.status = ExportStatus::BadImage;
    return unknown;
}

} // namespace

bool frameImageView(DicomFile& file, int32_t n, std::vector<uint8_t>& storage, PixelView& view,
                    const WindowChoice& window) {
    const int bits = file.bitsAllocated();
    if (bits != 8 && bits != 12 && bits != 16) return false;
    if (file.rows() <= 0 || file.columns() <= 0) return false;
    const int samples = bits == 8 && isColour(file) ? 3 : 1;
    const uint64_t expected = uint64_t(file.rows()) * uint64_t(file.columns()) * uint64_t(samples);
    view = {file.columns(), file.rows(), samples, nullptr, static_cast<size_t>(expected)};
    // An 8-bit frame's converted buffer already is the image: grey bytes or
    // R, G, B triplets, rows top to bottom.
    // A chosen window applies to grey 8-bit frames too.
    const bool windowed8 = samples == 1 && window.mode != WindowMode::Auto;
    const uint8_t* converted = bits == 8 && !windowed8 ? file.frameBuffer(n) : nullptr;
    if (converted != nullptr && file.frameBufferSize(n) >= expected) {
        view.bytes = converted;
        return true;
    }
    storage = file.frame8(n, window);
    if (storage.size() != expected) return false;
    view.bytes = storage.data();
    return true;
}

bool makeFrameImage(DicomFile& file, int32_t n, PackedPixels& image, const WindowChoice& window) {
    std::vector<uint8_t> storage;
    PixelView view;
    if (!frameImageView(file, n, storage, view, window)) return false;
    image.width = view.width;
    image.height = view.height;
    image.samples = view.samples;
    if (view.bytes == storage.data())
        image.bytes = std::move(storage);
    else
        image.bytes.assign(view.bytes, view.bytes + view.size);
    return true;
}

std::string convertFailureText(const ConvertReport& report) {
    switch (report.failure) {
    case ConvertFailure::None:
        return "converted";
    case ConvertFailure::NotParsed: {
        std::string text = dicomErrorText(report.dicomStatus);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (text.empty()) text = "cannot be read";
        if (!report.reason.empty()) text += ": " + report.reason;
        return text;
    }
    case ConvertFailure::UnsupportedImage:
        return "no frames of 8, 12 or 16 bits to convert";
    case ConvertFailure::NoPixelData:
        return "no pixel data";
    case ConvertFailure::Declined:
        return "the page exists and was kept";
    }
    return {};
}

ConvertReport convertFile(const std::string& sourcePath, const std::string& outputDirectory,
                          const ConvertOptions& options, const ConvertCallbacks& callbacks) {
    ConvertReport report;
    DicomFile file;
    if (!file.openFile(sourcePath.c_str(), false)) {
        report.failure = ConvertFailure::NotParsed;
        report.dicomStatus = file.status();
        report.reason = file.errorReason();
        return report;
    }
    if (!file.hasPixelData()) {
        report.failure = ConvertFailure::NoPixelData;
        return report;
    }
    const int32_t frames = file.frameCount();
    const int bits = file.bitsAllocated();
    if (frames < 1 || (bits != 8 && bits != 12 && bits != 16) || file.rows() <= 0 ||
        file.columns() <= 0) {
        report.failure = ConvertFailure::UnsupportedImage;
        return report;
    }
    report.frames = frames;
    if (options.html) {
        const std::string page = batchHtmlPagePath(outputDirectory, sourcePath);
        if (callbacks.confirmOverwrite && pathExists(page) && !callbacks.confirmOverwrite(page)) {
            ++report.skipped;
            report.failure = ConvertFailure::Declined;
            return report;
        }
        const BatchHtmlResult html =
            writeBatchHtml(file, sourcePath, outputDirectory, options.anonymizeExports, options.anonymize,
                           options.jpegQuality);
        if (html.page.ok()) {
            ++report.written;
            if (callbacks.written) callbacks.written(page);
        } else {
            ++report.failed;
            if (callbacks.writeFailed) callbacks.writeFailed(page, html.page);
        }
        report.written += html.imagesWritten;
        report.failed += html.imagesFailed;
        return report;
    }
    const std::string base = batchOutputBase(outputDirectory, sourcePath);
    std::vector<uint8_t> storage;
    PixelView image;
    for (int32_t i = 0; i < frames; ++i) {
        const std::string target = batchOutputName(base, i, frames, options.format);
        if (callbacks.confirmOverwrite && pathExists(target) &&
            !callbacks.confirmOverwrite(target)) {
            ++report.skipped;
            continue;
        }
        ExportResult result;
        if (!frameImageView(file, i + 1, storage, image, options.window))
            result.status = ExportStatus::BadImage;
        else
            result = writeImage(target, image, options);
        if (result.ok()) {
            ++report.written;
            if (callbacks.written) callbacks.written(target);
        } else {
            ++report.failed;
            if (callbacks.writeFailed) callbacks.writeFailed(target, result);
        }
    }
    return report;
}

ConvertRunResult convertFiles(
    const std::vector<std::string>& files, const std::string& outputDirectory,
    const ConvertOptions& options, const ConvertCallbacks& callbacks,
    const std::function<void(const std::string& source, const ConvertReport& report)>& report) {
    ConvertRunResult run;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string& source = files[i];
        const std::string directory =
            outputDirectory.empty() ? directoryOf(source) : outputDirectory;
        const ConvertReport r = convertFile(source, directory, options, callbacks);
        if (r.converted()) {
            ++run.converted;
            run.log += source;
            run.log += "\r\n";
        } else {
            ++run.notConverted;
        }
        run.written += r.written;
        run.failed += r.failed;
        run.skipped += r.skipped;
        if (report) report(source, r);
        if (callbacks.progress && !callbacks.progress(i + 1, files.size()) &&
            i + 1 < files.size()) {
            run.cancelled = true;
            break;
        }
    }
    return run;
}

} // namespace veltor
