#include "kelvo_doc.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "dicom/dataset_builder.h"
#include "settings/settings_keys.h"

namespace veltor {

namespace {

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return "";
    return path.substr(0, slash + 1);
}

// Spacing values outside this range are taken as 1 mm.
double saneSpacing(double v) { return v < 0.00001 || v > 100000.0 || !std::isfinite(v) ? 1.0 : v; }

bool isColourFrame(const DicomFile& f) { return f.isColour(); }

} // namespace

CKelvoDoc::CKelvoDoc(SettingsStore& settings, const UserOptions& options, DocumentUi& ui)
    : m_settings(settings), m_options(options), m_ui(ui) {}

CKelvoDoc::~CKelvoDoc() { clearDocument(); }

void CKelvoDoc::clearDocument() {
    m_frames.clear(); // before the files whose buffers they wrap
    m_frameInfo.clear();
    m_files.clear();
    m_history.resize(0);
    m_sourcePaths.clear();
    m_currentFrame = 0;
    m_currentFile = 0;
}

bool CKelvoDoc::openDocument(const std::string& path) {
    m_ui.showLoadMessage("");
    const bool ok = load(path);
    if (!ok) {
        m_ui.showLoadFailure(m_errorText);
        clearDocument();
        return false;
    }
    m_ui.setCurrentFolder(folderOf(path));
    m_rulersOn = m_options.rulersOn();
    m_ui.closeLoadMessage();
    return true;
}

std::unique_ptr<DicomFile> CKelvoDoc::readFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        m_fileSize = static_cast<uint32_t>(std::min<long long>(st.st_size, UINT32_MAX));
        // Linux keeps no creation date in stat; the modification date is the
        // closest the file system offers.
        std::tm tm {};
        const time_t t = st.st_mtime;
        if (localtime_r(&t, &tm) != nullptr) {
            char date[32];
            std::snprintf(date, sizeof date, "%04d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
            m_dateText = date;
        }
    } else {
        m_fileSize = 0;
    }
    m_pathName = path;
    const std::string folder = folderOf(path);
    if (!folder.empty()) {
        m_ui.setCurrentFolder(folder);
        settings::setCurrentWorkingDirectory(m_settings, folder);
    }

    char message[kErrorMessageSlot];
    // The message of the code, and the reason in words on a second line.
    auto failure = [&](const DicomFile& f) {
        f.errorMessage(message, sizeof message);
        m_errorText = message;
        if (!f.errorReason().empty()) m_errorText += "\n" + f.errorReason();
        m_loadOk = false;
    };
    {
        DicomFile header;
        if (!header.openFile(path.c_str(), true)) {
            failure(header);
            return nullptr;
        }
    }
    auto file = std::make_unique<DicomFile>();
    if (!file->openFile(path.c_str(), false)) {
        failure(*file);
        return nullptr;
    }
    file->setFilePath(fileNameOf(path).c_str());
    // An object without pixel data (a report, a presentation state) is a
    // document of its header alone.
    if (!file->hasPixelData()) return file;
    if (file->frameCount() <= 0) {
        m_loadOk = false;
        return nullptr;
    }
    return file;
}

bool CKelvoDoc::buildFrames(DicomFile& file, int32_t fileIndex, bool showProgress,
                            std::vector<std::unique_ptr<ImageBuffer>>& out, std::vector<StartWindows>& starts) {
    const int32_t count = file.frameCount();
    if (count == 0 && !file.hasPixelData()) return true;
    const int32_t width = file.columns();
    const int32_t height = file.rows();
    const int bits = file.bitsAllocated();
    if (bits != 8 && bits != 12 && bits != 16) return false;
    if (showProgress) m_ui.beginProgress("Please wait...", count - 1);
    std::vector<std::unique_ptr<ImageBuffer>> built;
    std::vector<StartWindows> windows;
    std::shared_ptr<const DisplayLut> voiTable;
    bool ok = true;
    for (int32_t n = 1; n <= count && ok; ++n) {
        auto frame = std::make_unique<ImageBuffer>();
        const uint8_t* pixels = file.frameBuffer(n);
        const size_t size = file.frameBufferSize(n);
        int result = 0;
        StartWindows start;
        if (pixels != nullptr) {
            if (bits == 8) {
                const int32_t colour = isColourFrame(file) ? 1 : 0;
                const size_t need = size_t(width) * size_t(height) * (colour ? 3 : 1);
                if (size >= need)
                    result = frame->createFromRaw8(width, height, static_cast<int32_t>(need), colour, pixels);
            } else if (size >= size_t(width) * size_t(height) * 2) {
                int32_t center = 0, windowWidth = 0;
                file.initialWindow(n, false, center, windowWidth);
                result = frame->createFromSamples16(width, height, center, windowWidth,
                                                    reinterpret_cast<const int16_t*>(pixels));
            }
            if (result == 1) start = setUpDisplay(file, n, *frame, voiTable);
        }
        ok = result == 1 && frame->hasStore();
        if (ok) {
            frame->setSourceText(file.filePath());
            built.push_back(std::move(frame));
            windows.push_back(start);
        }
        if (showProgress) m_ui.stepProgress(n - 1);
    }
    if (showProgress) m_ui.endProgress();
    if (!ok) return false;
    m_regionTolerance = bits == 8 ? 10 : 100;
    for (auto& f : built) out.push_back(std::move(f));
    starts.insert(starts.end(), windows.begin(), windows.end());
    (void)fileIndex;
    return true;
}

CKelvoDoc::StartWindows CKelvoDoc::setUpDisplay(const DicomFile& file, int32_t n, ImageBuffer& frame,
                                                std::shared_ptr<const DisplayLut>& voiTable) const {
    StartWindows start;
    start.automatic = {frame.windowCenter(), frame.windowWidth()};
    start.kept = start.automatic;
    int32_t center = 0, width = 0;
    if (file.bitsAllocated() == 8) {
        // 8-bit grey frames can keep their file's window; MONOCHROME1 frames
        // hold 255 - stored value, so the window turns too.
        if (!file.isColour() && !file.windows(n).empty()) {
            file.initialWindow(n, true, center, width);
            if (file.isMonochrome1()) center = 255 - center;
            start.kept = {center, width};
        }
    } else {
        frame.setInvertedDisplay(file.displayInverted());
        if (file.usesVoiLut(n)) {
            // The VOI lookup table is shown from the start, standing for its
            // equivalent window (which the tools then change like any other).
            if (!voiTable) {
                const VoiLut& voi = file.voiLut();
                auto lut = std::make_shared<DisplayLut>();
                lut->first = voi.first;
                lut->center = voi.center();
                lut->width = voi.width();
                lut->bytes.resize(voi.entries.size());
                for (size_t i = 0; i < voi.entries.size(); ++i)
                    lut->bytes[i] = voi.outputAt(voi.first + static_cast<int32_t>(i));
                voiTable = std::move(lut);
            }
            frame.setDisplayLut(voiTable);
            start.automatic = {voiTable->center, voiTable->width};
            start.kept = start.automatic;
        } else {
            file.initialWindow(n, true, center, width);
            if (center != 0 || width != 0) start.kept = {center, width};
        }
    }
    const WindowSetting chosen = m_options.keepFileWindow() ? start.kept : start.automatic;
    if (chosen != WindowSetting{frame.windowCenter(), frame.windowWidth()})
        frame.setInitialWindow(chosen.center, chosen.width);
    return start;
}

int32_t CKelvoDoc::applyFileWindowOption() {
    const bool keep = m_options.keepFileWindow();
    int32_t changed = 0;
    for (size_t i = 0; i < m_frames.size() && i < m_frameInfo.size(); ++i) {
        ImageBuffer* frame = m_frames[i].get();
        if (frame == nullptr || !frame->hasStore()) continue;
        // A frame the user windowed, filtered or recoloured keeps its window.
        const FrameHistory::Frame* marks = m_history.frame(static_cast<int32_t>(i));
        if (marks != nullptr && std::find(marks->entries.begin(), marks->entries.end(), FrameEditKind::Image) !=
                                    marks->entries.end())
            continue;
        const StartWindows& start = m_frameInfo[i].start;
        const WindowSetting chosen = keep ? start.kept : start.automatic;
        const ImageLevel* first = frame->firstLevel();
        if (first == nullptr || chosen == WindowSetting{first->windowCenter, first->windowWidth}) continue;
        if (frame->setInitialWindow(chosen.center, chosen.width) == 1) ++changed;
    }
    if (changed > 0) m_ui.redrawViews();
    return changed;
}

void CKelvoDoc::correctAspect(const DicomFile& file, std::vector<std::unique_ptr<ImageBuffer>>& frames) {
    if (!m_options.aspectRatio()) return;
    const double ratio = file.pixelAspectRatio();
    if (ratio == 0.0 || !std::isfinite(ratio)) return;
    for (auto& frame : frames) {
        const double h = frame->height() * ratio + 0.5;
        // A ratio that would make a frame empty or absurdly tall is ignored.
        if (h < 1.0 || h > 65535.0) continue;
        frame->resample(frame->width(), static_cast<int32_t>(h), 1);
    }
}

bool CKelvoDoc::load(const std::string& path) {
    clearDocument();
    m_loadOk = true;
    m_errorText = kDefaultErrorText;
    m_sourcePaths = {path};
    std::unique_ptr<DicomFile> file = readFile(path);
    if (!file) return false;
    std::vector<std::unique_ptr<ImageBuffer>> frames;
    std::vector<StartWindows> starts;
    if (!buildFrames(*file, 0, false, frames, starts)) {
        m_loadOk = false;
        return false;
    }
    m_files.push_back(std::move(file));
    for (size_t i = 0; i < frames.size(); ++i) m_frameInfo.push_back({0, fileNameOf(path), int32_t(i), starts[i], int32_t(i)});
    m_frames = std::move(frames);
    afterLoad();
    // Resampled after the after-load step, as the spacing is read from the
    // file as stored.
    std::vector<std::unique_ptr<ImageBuffer>>& all = m_frames;
    correctAspect(*m_files.front(), all);
    m_title = fileNameOf(path);
    return true;
}

bool CKelvoDoc::addFile(const std::string& path) {
    std::unique_ptr<DicomFile> file = readFile(path);
    if (!file) return false;
    // Objects without pixel data add nothing to an image of many files.
    if (!file->hasPixelData()) return false;
    const int32_t fileIndex = fileCount();
    std::vector<std::unique_ptr<ImageBuffer>> frames;
    std::vector<StartWindows> starts;
    if (!buildFrames(*file, fileIndex, false, frames, starts)) {
        m_loadOk = false;
        return false;
    }
    correctAspect(*file, frames);
    for (size_t i = 0; i < frames.size(); ++i)
        m_frameInfo.push_back({fileIndex, fileNameOf(path), int32_t(m_frameInfo.size()), starts[i], int32_t(i)});
    for (auto& f : frames) m_frames.push_back(std::move(f));
    m_files.push_back(std::move(file));
    m_history.resize(frameCount());
    m_currentFrame = 0;
    return true;
}

bool CKelvoDoc::loadFromPaths(const std::vector<std::string>& paths, const std::string& title) {
    clearDocument();
    m_loadOk = true;
    m_errorText = kDefaultErrorText;
    m_sourcePaths = paths;
    m_ui.beginProgress("Please wait...", static_cast<int>(paths.size()) - 1);
    m_ui.setWaitCursor(true);
    for (size_t i = 0; i < paths.size() && !m_ui.progressCancelled(); ++i) {
        addFile(paths[i]); // an unreadable file leaves its frames out
        m_ui.stepProgress(static_cast<int>(i));
        m_ui.processEvents();
    }
    m_ui.setWaitCursor(false);
    m_ui.endProgress();
    afterLoad();
    m_title = title;
    m_loadOk = frameCount() > 0;
    return m_loadOk;
}

bool CKelvoDoc::loadFromBitmaps(const std::vector<const uint8_t*>& bitmaps, double frameIntervalMicroseconds) {
    clearDocument();
    m_loadOk = false;
    m_ui.showLoadMessage("Creating Dicom file...");
    auto file = std::make_unique<DicomFile>();
    DataSetBuilder builder(*file);
    const bool built = !bitmaps.empty() && builder.buildFromBitmaps(bitmaps.data(), static_cast<int>(bitmaps.size()));
    m_ui.closeLoadMessage();
    if (!built) {
        m_ui.messageBox("Error 1", MessageIcon::Error);
        return false;
    }
    if (file->frameCount() <= 0) {
        m_ui.messageBox("Error 2", MessageIcon::Error);
        return false;
    }
    std::vector<std::unique_ptr<ImageBuffer>> frames;
    std::vector<StartWindows> starts;
    if (!buildFrames(*file, 0, true, frames, starts)) {
        m_ui.messageBox("Error 9", MessageIcon::Error);
        return false;
    }
    if (frameIntervalMicroseconds > 0.0) builder.setFrameTime(frameIntervalMicroseconds * 0.001);
    for (size_t i = 0; i < frames.size(); ++i) m_frameInfo.push_back({0, "", int32_t(i), starts[i], int32_t(i)});
    m_frames = std::move(frames);
    m_files.push_back(std::move(file));
    m_currentFrame = 0;
    afterLoad();
    DicomElement e;
    m_dateText = m_files.front()->findElementByTag(0x0008, 0x0020, e) ? e.text() : "";
    m_fileSize = m_files.front()->findElementByTag(0x7FE0, 0x0000, e) ? static_cast<uint32_t>(e.number) : 0;
    m_loadOk = true;
    return true;
}

bool CKelvoDoc::reorderFrames(const std::vector<int32_t>& order, int32_t current) {
    if (order.size() != m_frames.size()) return false;
    std::vector<bool> seen(order.size(), false);
    for (int32_t i : order) {
        if (i < 0 || i >= frameCount() || seen[size_t(i)]) return false;
        seen[size_t(i)] = true;
    }
    std::vector<std::unique_ptr<ImageBuffer>> frames(order.size());
    std::vector<FrameInfo> info(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        frames[i] = std::move(m_frames[size_t(order[i])]);
        info[i] = std::move(m_frameInfo[size_t(order[i])]);
    }
    m_frames = std::move(frames);
    m_frameInfo = std::move(info);
    if (current >= 0 && current < frameCount()) m_currentFrame = current;
    m_ui.redrawViews();
    return true;
}

int32_t CKelvoDoc::loadIndexOfFrame(int32_t index) const {
    if (index < 0 || index >= frameCount()) return -1;
    return m_frameInfo[size_t(index)].loadIndex;
}

int32_t CKelvoDoc::frameInFileOfFrame(int32_t index) const {
    if (index < 0 || index >= frameCount()) return -1;
    return m_frameInfo[size_t(index)].frameInFile;
}

void CKelvoDoc::afterLoad() {
    m_currentFile = 0;
    m_currentFrame = 0;
    DicomFile* file = fileAt(-1);
    if (file == nullptr) {
        m_pixelSpacingRow = m_pixelSpacingColumn = 1.0;
        m_spacingRowAsRead = m_spacingColumnAsRead = 1.0;
        m_sliceThickness = m_sliceThicknessAsRead = 10.0;
    } else {
        DicomElement e;
        if (file->findElementByTag(0x0028, 0x0030, e)) {
            const std::string text = e.text();
            const size_t slash = text.find('\\');
            const std::string row = slash == std::string::npos ? text : text.substr(0, slash);
            const std::string column = slash == std::string::npos ? text : text.substr(slash + 1);
            m_pixelSpacingRow = saneSpacing(std::atof(row.c_str()));
            m_pixelSpacingColumn = saneSpacing(std::atof(column.c_str()));
            m_spacingRowAsRead = m_pixelSpacingRow;
            m_spacingColumnAsRead = m_pixelSpacingColumn;
        }
        if (file->findElementByTag(0x0018, 0x0050, e)) {
            const double t = std::atof(e.text());
            m_sliceThickness = std::isfinite(t) ? t : 0.0;
            m_sliceThicknessAsRead = m_sliceThickness;
        }
    }
    m_history.resize(0);
    m_history.resize(frameCount());
    m_annotationColor = m_options.annotationColor();
    m_distanceColor = m_options.distanceColor();
    m_angleColor = m_options.angleColor();
    m_anonymizeExports = m_options.anonExports();
    m_rulersOn = m_options.rulersOn();
    if (file == nullptr) {
        m_frameTime = 100.0;
    } else if (file->frameTime() != 0.0 && std::isfinite(file->frameTime()) && file->frameTime() > 0.0) {
        m_frameTime = file->frameTime();
    }
}

DicomFile* CKelvoDoc::fileAt(int32_t index) {
    if (m_files.empty()) return nullptr;
    if (index < 0 || index >= fileCount()) index = m_currentFile;
    if (index < 0 || index >= fileCount()) return nullptr;
    return m_files[size_t(index)].get();
}

ImageBuffer* CKelvoDoc::frameAt(int32_t index) {
    if (m_frames.empty()) return nullptr;
    if (index < 0 || index >= frameCount()) index = m_currentFrame;
    if (index < 0 || index >= frameCount()) return nullptr;
    return m_frames[size_t(index)].get();
}

int32_t CKelvoDoc::frameFileIndex(int32_t index) const {
    if (index < 0 || index >= frameCount()) return -1;
    return m_frameInfo[size_t(index)].fileIndex;
}

void CKelvoDoc::setCurrentFrame(int32_t index) {
    if (index < 0 || index >= frameCount()) return;
    m_currentFrame = index;
    m_ui.redrawViews();
}

bool CKelvoDoc::allFramesAlike() const {
    if (m_frames.size() <= 1) return false;
    const ImageBuffer& first = *m_frames.front();
    for (const auto& f : m_frames) {
        if (f->width() != first.width() || f->height() != first.height() ||
            f->isColour() != first.isColour())
            return false;
    }
    return true;
}

std::vector<ImageBuffer*> CKelvoDoc::framePointers() const {
    std::vector<ImageBuffer*> frames;
    frames.reserve(m_frames.size());
    for (const auto& f : m_frames) frames.push_back(f.get());
    return frames;
}

int32_t CKelvoDoc::runImageCommand(const FrameOperation& operation, const FrameProgress& progress) {
    const std::vector<ImageBuffer*> frames = framePointers();
    const int32_t changed = runOnFrames(frames, m_currentFrame, m_applyToAll, m_history, operation, progress);
    m_ui.redrawViews();
    return changed;
}

int32_t CKelvoDoc::editFrames(bool allFrames, const FrameOperation& operation, bool greyOnly) {
    int32_t changed = 0;
    const int32_t first = allFrames ? 0 : m_currentFrame;
    const int32_t last = allFrames ? frameCount() - 1 : std::min(m_currentFrame, frameCount() - 1);
    for (int32_t i = first; i <= last; ++i) {
        ImageBuffer* frame = m_frames[size_t(i)].get();
        if (frame == nullptr || !frame->hasStore() || (greyOnly && frame->isColour())) continue;
        if (operation(*frame) == 1) {
            m_history.appendMark(i, FrameEditKind::Image);
            m_history.syncWithImage(i, *frame);
            ++changed;
        }
    }
    return changed;
}

int32_t CKelvoDoc::finishPreviewedCommand(const FrameOperation& operation, bool allFrames,
                                          const FrameProgress& progress) {
    const std::vector<ImageBuffer*> frames = framePointers();
    const int32_t changed = runOnOtherFrames(frames, m_currentFrame, allFrames, m_history, operation, progress);
    m_ui.redrawViews();
    return changed;
}

int32_t CKelvoDoc::convertToGreyWeighted() {
    const settings::GreyFactors f = settings::greyFactors(m_settings);
    const std::vector<ImageBuffer*> frames = framePointers();
    const int32_t changed = runOnColourFrames(frames, m_currentFrame, m_applyToAll, m_history, [&](ImageBuffer& frame) {
        return frame.toGreyWeighted(float(f.red), float(f.green), float(f.blue));
    });
    m_ui.redrawViews();
    return changed;
}

bool CKelvoDoc::canUndo() const {
    const ImageBuffer* frame = m_currentFrame < frameCount() ? m_frames[size_t(m_currentFrame)].get() : nullptr;
    return frame != nullptr && m_history.canUndo(m_currentFrame, *frame, m_overlayUndo);
}

bool CKelvoDoc::canRedo() const {
    const ImageBuffer* frame = m_currentFrame < frameCount() ? m_frames[size_t(m_currentFrame)].get() : nullptr;
    return frame != nullptr && m_history.canRedo(m_currentFrame, *frame, m_overlayUndo);
}

int32_t CKelvoDoc::undo(const FrameProgress& progress) {
    const std::vector<ImageBuffer*> frames = framePointers();
    const int32_t n = undoFrames(frames, m_currentFrame, m_applyToAll, m_history, m_overlayUndo, progress);
    m_ui.redrawViews();
    return n;
}

int32_t CKelvoDoc::redo(const FrameProgress& progress) {
    const std::vector<ImageBuffer*> frames = framePointers();
    const int32_t n = redoFrames(frames, m_currentFrame, m_applyToAll, m_history, m_overlayUndo, progress);
    m_ui.redrawViews();
    return n;
}

void CKelvoDoc::toggleApplyToAll() {
    if (allFramesAlike()) {
        m_applyToAll = !m_applyToAll;
    } else if (frameCount() > 1) {
        if (!m_applyToAll)
            m_ui.messageBox(kImagesDiffer, MessageIcon::Warning);
        else
            m_applyToAll = false;
    }
}

} // namespace veltor
