#include "export_names.h"

#include <strings.h>

#include <cstdio>

namespace veltor {

namespace {

enum class SourceKind { Bmp, Jpeg, Other };

SourceKind sourceKind(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return SourceKind::Other;
    const char* ext = name.c_str() + dot;
    if (strcasecmp(ext, ".bmp") == 0) return SourceKind::Bmp;
    if (strcasecmp(ext, ".jpg") == 0 || strcasecmp(ext, ".jpe") == 0 ||
        strcasecmp(ext, ".jpeg") == 0)
        return SourceKind::Jpeg;
    return SourceKind::Other;
}

// Everything before the last "."; the whole name when that would be empty.
std::string withoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return name;
    return name.substr(0, dot);
}

std::string copyOf(const std::string& name) {
    return name.find("copy of ") != std::string::npos ? name : "copy of " + name;
}

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

const char* exportExtension(ExportFormat format) {
    switch (format) {
    case ExportFormat::Tiff:
        return ".tif";
    case ExportFormat::Jpeg:
        return ".jpg";
    case ExportFormat::Bmp:
        return ".bmp";
    case ExportFormat::Raw:
        return ".raw";
    }
    return "";
}

std::string defaultExportName(ExportFormat format, const std::string& name) {
    const SourceKind kind = sourceKind(name);
    const char* ext = exportExtension(format);
    if (kind == SourceKind::Other) return name + ext;
    if (format == ExportFormat::Jpeg && kind == SourceKind::Jpeg) return copyOf(name);
    if (format == ExportFormat::Bmp && kind == SourceKind::Bmp) return copyOf(name);
    return withoutExtension(name) + ext;
}

std::string defaultDocumentExportName(const std::string& documentName, const char* extension) {
    if (sourceKind(documentName) == SourceKind::Other) return documentName + extension;
    return withoutExtension(documentName) + extension;
}

std::string nameWithoutExtension(const std::string& name) { return withoutExtension(name); }

std::string exportFramesBaseName(const std::string& name) {
    return sourceKind(name) == SourceKind::Other ? name : withoutExtension(name);
}

std::string exportFrameFileName(const std::string& base, int32_t number, ExportFormat format) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "_%04d", static_cast<int>(number));
    return base + digits + exportExtension(format);
}

std::string exportPath(const std::string& directory, const std::string& fileName) {
    if (directory.empty() || directory.back() == '/') return directory + fileName;
    return directory + '/' + fileName;
}

std::string batchOutputBase(const std::string& outputDirectory, const std::string& sourcePath) {
    std::string name = lastComponent(sourcePath);
    for (char& c : name)
        if (c == '.') c = '_';
    return exportPath(outputDirectory, name);
}

std::string batchOutputName(const std::string& base, int32_t frameIndex, int32_t frameCount,
                            ExportFormat format) {
    if (frameCount <= 1) return base + exportExtension(format);
    return exportFrameFileName(base, frameIndex, format);
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace veltor
