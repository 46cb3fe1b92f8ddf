// File names of exported frames: the name offered for a single frame, the
// numbered names of the Export frames dialog, and the output names of batch
// conversion.
#pragma once

#include <cstdint>
#include <string>

#include "frame_export.h"

namespace veltor {

// ".tif", ".jpg", ".bmp" or ".raw".
const char* exportExtension(ExportFormat format);

// The name offered for the single export of a document named `documentName`
// (its file name, extension included). The source's own extension, compared
// without regard to case, decides: a BMP or JPEG source exported to its own
// format is offered "copy of " + name (unchanged when it already contains
// "copy of "); a BMP or JPEG source otherwise loses its extension; any other
// source keeps its whole name (image.dcm gives image.dcm.tif).
std::string defaultExportName(ExportFormat format, const std::string& documentName);

// The name offered for a page or video of the document ("image.dcm.html",
// "photo.avi" for photo.jpg): `extension` after the name without its
// extension for BMP and JPEG sources, after the whole name otherwise.
std::string defaultDocumentExportName(const std::string& documentName, const char* extension);
// The name without its extension (the whole name when nothing precedes the dot).
std::string nameWithoutExtension(const std::string& name);

// The base of the numbered names of the Export frames dialog: the name
// without its extension for BMP and JPEG sources, else the name unchanged.
std::string exportFramesBaseName(const std::string& documentName);

// base + "_%04d" + extension: frame 3 of scan.dcm in TIFF is scan.dcm_0003.tif;
// numbers of five digits and more are written whole.
std::string exportFrameFileName(const std::string& base, int32_t number, ExportFormat format);

// directory + "/" + name, the separator added only when missing.
std::string exportPath(const std::string& directory, const std::string& fileName);

// The output name base of batch conversion: the output directory followed by
// the source's file name with every "." replaced by "_" (scan.a.dcm gives
// scan_a_dcm).
std::string batchOutputBase(const std::string& outputDirectory, const std::string& sourcePath);

// The file of frame `frameIndex` (from 0) of a file of `frameCount` frames:
// base + extension for a single frame, base + "_%04d" + extension otherwise.
std::string batchOutputName(const std::string& base, int32_t frameIndex, int32_t frameCount,
                            ExportFormat format);

// The directory part of a path ("." when it has none, "/" for a file in the root).
std::string directoryOf(const std::string& path);

} // namespace veltor
