// The document: one open image made of one or more DICOM files, with one
// ImageBuffer per frame built over the files' frame buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "document/document_ui.h"
#include "document/export_state.h"
#include "imaging/frame_history.h"
#include "imaging/image_buffer.h"
#include "settings/settings_store.h"
#include "settings/user_options.h"

namespace veltor {

constexpr const char* kDefaultErrorText = "Error: Unknown or Unsupported format!";
constexpr const char* kImagesDiffer = "Images differ in width and/or height    ";
constexpr double kDefaultFrameTime = 66.67;

class CKelvoDoc {
  public:
    CKelvoDoc(SettingsStore& settings, const UserOptions& options, DocumentUi& ui);
    ~CKelvoDoc();
    CKelvoDoc(const CKelvoDoc&) = delete;
    CKelvoDoc& operator=(const CKelvoDoc&) = delete;

    // Opens one file: load with the message window; on failure the error text
    // is shown for 1.5 seconds and the result is false (no document stays).
    bool openDocument(const std::string& path);
    // The load itself: header-only then full open, frames, after-load step,
    // aspect-ratio correction. Sets loadOk and errorText.
    bool load(const std::string& path);
    // Adds one file of a multi-file image; false (errorText set) when it fails.
    bool addFile(const std::string& path);
    // Runs after a document was built from several files or from bitmaps.
    void afterLoad();
    // A document made of many files ("Open all", "Open Selected", Reload):
    // every readable path adds its frames, in order, with the progress window;
    // unreadable files are skipped. False when no frame could be read.
    bool loadFromPaths(const std::vector<std::string>& paths, const std::string& title);
    // A document from packed bitmaps (a paste): a Secondary Capture data set
    // is built from them; "Error 1" (no data set), "Error 2" (no frames) or
    // "Error 9" (no frame objects) is shown on failure. A positive
    // `frameIntervalMicroseconds` sets the frame time.
    bool loadFromBitmaps(const std::vector<const uint8_t*>& bitmaps, double frameIntervalMicroseconds = 0.0);
    // "Sort File Frames": frame i becomes the frame that was at order[i]; the
    // order must be a permutation of the frame indexes. The per-frame
    // histories keep their positions, like the annotation lists.
    bool reorderFrames(const std::vector<int32_t>& order, int32_t current);
    // Index at load of the frame now at `index` (for the "Frame %04d" rows).
    int32_t loadIndexOfFrame(int32_t index) const;
    // Number (from 0) of the frame now at `index` within its own file; -1
    // outside the document.
    int32_t frameInFileOfFrame(int32_t index) const;
    void clearDocument();

    // The file at index, or the current file for -1 or an index past the end.
    DicomFile* fileAt(int32_t index);
    // The frame at index, or the current frame for -1 or an index past the end.
    ImageBuffer* frameAt(int32_t index);
    void setCurrentFrame(int32_t index);
    bool allFramesAlike() const;
    // The "&Apply to all" command.
    void toggleApplyToAll();
    // The paths a Reload rebuilds the document from.
    const std::vector<std::string>& sourcePaths() const { return m_sourcePaths; }
    void setSourcePaths(std::vector<std::string> paths) { m_sourcePaths = std::move(paths); }

    int32_t fileCount() const { return static_cast<int32_t>(m_files.size()); }
    int32_t frameCount() const { return static_cast<int32_t>(m_frames.size()); }
    int32_t currentFrame() const { return m_currentFrame; }
    int32_t currentFile() const { return m_currentFile; }
    // Index into the files of the file that frame `index` came from.
    int32_t frameFileIndex(int32_t index) const;
    bool loadOk() const { return m_loadOk; }
    const std::string& errorText() const { return m_errorText; }
    const std::string& title() const { return m_title; }
    void setTitle(std::string t) { m_title = std::move(t); }
    const std::string& pathName() const { return m_pathName; }
    const std::string& dateText() const { return m_dateText; }
    uint32_t fileSize() const { return m_fileSize; }
    bool applyToAll() const { return m_applyToAll; }
    void setApplyToAll(bool on) { m_applyToAll = on; }
    bool rulersOn() const { return m_rulersOn; }
    void setRulersOn(bool on) { m_rulersOn = on; }
    bool anonymizeExports() const { return m_anonymizeExports; }
    void setAnonymizeExports(bool on) { m_anonymizeExports = on; }
    int32_t regionTolerance() const { return m_regionTolerance; }
    double frameTime() const { return m_frameTime; }
    void setFrameTime(double ms) { m_frameTime = ms; }
    double pixelSpacingRow() const { return m_pixelSpacingRow; }
    double pixelSpacingColumn() const { return m_pixelSpacingColumn; }
    void setPixelSpacing(double row, double column) {
        m_pixelSpacingRow = row;
        m_pixelSpacingColumn = column;
    }
    double pixelSpacingRowAsRead() const { return m_spacingRowAsRead; }
    double pixelSpacingColumnAsRead() const { return m_spacingColumnAsRead; }
    double sliceThickness() const { return m_sliceThickness; }
    void setSliceThickness(double t) { m_sliceThickness = t; }
    double sliceThicknessAsRead() const { return m_sliceThicknessAsRead; }
    uint32_t annotationColor() const { return m_annotationColor; }
    uint32_t distanceColor() const { return m_distanceColor; }
    uint32_t angleColor() const { return m_angleColor; }
    // Colours of new annotations, lengths and angles (the palette's colour button).
    void setAnnotationColor(uint32_t c) { m_annotationColor = c; }
    void setDistanceColor(uint32_t c) { m_distanceColor = c; }
    void setAngleColor(uint32_t c) { m_angleColor = c; }
    // The settings the document was opened with ("UserInfo" lines...).
    const SettingsStore& settings() const { return m_settings; }
    float zoomFactor() const { return m_zoomFactor; }
    // Every view of the document shares this zoom; 20 % to 800 %.
    void setZoomFactor(float z) { m_zoomFactor = z != z ? 1.0f : z < 0.2f ? 0.2f : z > 8.0f ? 8.0f : z; }
    bool annotationsVisible() const { return m_annotationsVisible; }
    void setAnnotationsVisible(bool on) { m_annotationsVisible = on; }
    bool measurementsVisible() const { return m_measurementsVisible; }
    void setMeasurementsVisible(bool on) { m_measurementsVisible = on; }
    // Runs an image operation on the current frame, or on every frame when
    // "Apply to all" holds, with a history mark per frame changed; `progress`
    // hears of each frame of a multi-frame run. Returns the frames changed.
    int32_t runImageCommand(const FrameOperation& operation, const FrameProgress& progress = {});
    // Runs `operation` on every frame when `allFrames`, else on the current
    // frame, skipping frames without samples (and colour frames when
    // `greyOnly`); each frame it changes gets an image history entry. No
    // progress box: for window and palette changes. Returns the frames changed.
    int32_t editFrames(bool allFrames, const FrameOperation& operation, bool greyOnly = false);
    // Whether image commands act on every frame: "Apply to all" is on and the
    // frames are alike.
    bool commandsReachAllFrames() const { return m_applyToAll && allFramesAlike(); }
    // After a dialog that previewed its operation on the current frame was
    // accepted: marks the current frame and, when `allFrames` (taken from
    // commandsReachAllFrames() before the dialog opened), runs the operation
    // on every other frame. Returns the other frames changed.
    int32_t finishPreviewedCommand(const FrameOperation& operation, bool allFrames,
                                   const FrameProgress& progress = {});
    // Weighted grey conversion with the factors of the settings: every colour
    // frame with "Apply to all" (grey ones skipped), else the current frame
    // when it is colour. Returns the frames changed.
    int32_t convertToGreyWeighted();
    // The document's Undo and Redo over the frame histories.
    bool canUndo() const;
    bool canRedo() const;
    int32_t undo(const FrameProgress& progress = {});
    int32_t redo(const FrameProgress& progress = {});
    // The overlay side of undo, supplied by the overlay stores once they exist.
    void setOverlayUndo(OverlayUndo overlay) { m_overlayUndo = std::move(overlay); }

    // Export, print and video choices kept while the document is open.
    DocumentExportState& exportState() { return m_exportState; }

    FrameHistory& frameHistory() { return m_history; }
    const FrameHistory& frameHistory() const { return m_history; }

    // After the option "Keep the file's window" changed: every frame whose
    // window and image nobody has changed yet starts over with the window the
    // option now chooses (and resets to it). Returns the frames changed.
    int32_t applyFileWindowOption();

  private:
    // The two windows a new frame can start with: its automatic one, and the
    // file's window as stored (the automatic one when there is nothing to keep).
    struct StartWindows {
        WindowSetting automatic;
        WindowSetting kept;
    };
    struct FrameInfo {
        int32_t fileIndex = 0;
        std::string fileName;
        int32_t loadIndex = 0;
        StartWindows start;
        int32_t frameInFile = 0;
    };
    // Steps 2 to 7 of a load: file facts, both opens. Null on failure.
    std::unique_ptr<DicomFile> readFile(const std::string& path);
    // One ImageBuffer per frame of `file`; false (nothing kept) when any fails.
    // `starts` receives each frame's start windows.
    bool buildFrames(DicomFile& file, int32_t fileIndex, bool showProgress,
                     std::vector<std::unique_ptr<ImageBuffer>>& out, std::vector<StartWindows>& starts);
    void correctAspect(const DicomFile& file, std::vector<std::unique_ptr<ImageBuffer>>& frames);
    // Inversion, VOI lookup table and first window of a new frame n of `file`
    // (`voiTable` holds the file's table once made, shared by its frames).
    // Returns the frame's start windows.
    StartWindows setUpDisplay(const DicomFile& file, int32_t n, ImageBuffer& frame,
                              std::shared_ptr<const DisplayLut>& voiTable) const;

    SettingsStore& m_settings;
    const UserOptions& m_options;
    DocumentUi& m_ui;

    std::string m_dateText = "  ";
    uint32_t m_fileSize = 0;
    bool m_applyToAll = false;
    bool m_rulersOn = false;
    std::string m_title;
    std::string m_pathName;
    std::vector<std::string> m_sourcePaths;
    bool m_anonymizeExports = true;
    std::vector<std::unique_ptr<DicomFile>> m_files;
    // Declared after the files: frames wrap the files' buffers and are
    // destroyed first.
    std::vector<std::unique_ptr<ImageBuffer>> m_frames;
    std::vector<FrameInfo> m_frameInfo;
    bool m_loadOk = true;
    std::string m_errorText = kDefaultErrorText;
    int32_t m_regionTolerance = 10;
    double m_frameTime = kDefaultFrameTime;
    int32_t m_currentFrame = 0;
    int32_t m_currentFile = 0;
    double m_pixelSpacingRow = 0.0;
    double m_pixelSpacingColumn = 0.0;
    double m_spacingRowAsRead = 0.0;
    double m_spacingColumnAsRead = 0.0;
    double m_sliceThickness = 0.0;
    double m_sliceThicknessAsRead = 0.0;
    uint32_t m_annotationColor = 0;
    uint32_t m_distanceColor = 0;
    uint32_t m_angleColor = 0;
    float m_zoomFactor = 1.0f;
    bool m_annotationsVisible = true;
    bool m_measurementsVisible = true;
    FrameHistory m_history;
    OverlayUndo m_overlayUndo;
    DocumentExportState m_exportState;

    std::vector<ImageBuffer*> framePointers() const;
};

} // namespace veltor
