// One frame's pixels with undo levels, edit history, window, palette, selection
// and the display bitmap the view paints.
#pragma once

#include "imaging/image_rect.h"
#include "imaging/library_error.h"
#include "imaging/palettes.h"
#include "imaging/pixel_store.h"
#include "imaging/selection_region.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltor {

class ImageBuffer;
struct CustomMask;

// A lookup table from sample values to display bytes that stands in for the
// linear window while the frame's window is the table's equivalent window
// (`center`, `width`): samples first .. first + size - 1 map to `bytes`,
// those below or above to the first or last entry.
struct DisplayLut {
    int32_t first = 0;
    std::vector<uint8_t> bytes;
    int32_t center = 0;
    int32_t width = 0;
};

// A sample read back from a frame: R, G, B for colour, the grey value three
// times for grey frames.
struct PixelValue {
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;

    friend bool operator==(const PixelValue&, const PixelValue&) = default;
};

// Size and colour flag of a level an operation is about to write. Image16
// levels are always grey (colour 0).
struct LevelShape {
    int32_t width = 0;
    int32_t height = 0;
    int32_t colour = 0;
};

// How the samples of a pushed level start out.
enum class LevelStart {
    CopyPrevious,  // a copy of the previous level (same shape required)
    Uninitialised, // the operation writes every sample itself
};

// The one door through which image operations change pixels.
//
//     LevelEdit edit = beginEdit(LevelStart::CopyPrevious);
//     if (!edit) return 0;                       // lastError is set
//     const T* src = edit.sourceSamples<T>();    // previous level, read only
//     T* dst = edit.targetSamples<T>();          // new level
//     ... visit edit.scope(), only where edit.selected(x, y) ...
//     return edit.commit();                      // 1, or 0 with lastError
//
// Nothing is visible until commit(): it builds the display bitmap of the new
// level, then drops the redo levels, appends a Pixels history entry, makes the
// new level current and, when the size changed, replaces the selection by an
// empty one of the new size (removing Selection history entries). An edit that
// is destroyed without commit, or whose commit fails, leaves the buffer exactly
// as it was. Only one edit may be open at a time, and it must not outlive the
// buffer that opened it.
class LevelEdit {
public:
    LevelEdit() = default;
    LevelEdit(LevelEdit&& other) noexcept;
    LevelEdit& operator=(LevelEdit&& other) noexcept;
    LevelEdit(const LevelEdit&) = delete;
    LevelEdit& operator=(const LevelEdit&) = delete;
    ~LevelEdit();

    // False when the push failed (the buffer's lastError says why).
    explicit operator bool() const { return m_owner != nullptr; }

    // The current level, which the operation reads.
    const ImageLevel& source() const;
    // The new level's record: a copy of the source record with the new width,
    // height, colour and dataSize. An operation may change its other fields
    // (window, minimum, maximum) before commit; `pixels` must stay as it is.
    ImageLevel& target();
    const uint8_t* sourceBytes() const { return source().pixels; }
    uint8_t* targetBytes();
    // Typed samples: uint8_t for Image8, int16_t for Image16.
    template <typename T>
    const T* sourceSamples() const
    {
        return reinterpret_cast<const T*>(sourceBytes());
    }
    template <typename T>
    T* targetSamples()
    {
        return reinterpret_cast<T*>(targetBytes());
    }

    // The ApplyScope, right and bottom exclusive: the whole source level, or the
    // selection's bounding box when the selection is not empty.
    ImageRect scope() const { return m_scope; }
    // The selection mask (source width x height bytes), or null when the
    // selection is empty and every pixel of the scope counts as selected.
    const uint8_t* selectionMask() const { return m_mask; }
    // Selected(x, y) for (x, y) inside the source level.
    bool selected(int32_t x, int32_t y) const
    {
        return m_mask == nullptr || m_mask[static_cast<size_t>(y) * static_cast<size_t>(m_maskWidth) + x] != 0;
    }

    // Publishes the new level; 1 on success, 0 with lastError (the buffer is then
    // unchanged). The edit is closed either way.
    int commit();
    // Drops the new level; the buffer is unchanged.
    void abandon();

private:
    friend class ImageBuffer;
    ImageBuffer* m_owner = nullptr;
    ImageRect m_scope;
    const uint8_t* m_mask = nullptr;
    int32_t m_maskWidth = 0;
};

// One frame. Holds exactly one of the two stores (Image8 or Image16) once a
// construction succeeded; every operation on a buffer without a store returns 0
// (or an empty result).
class ImageBuffer {
public:
    ImageBuffer();
    ~ImageBuffer();
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    // ---- Construction. Each replaces any store the buffer had, creates level 0,
    // an empty selection of the image's size and the first display bitmap, and
    // returns 1; on failure 0 with lastError 1 (bad input), 2 (no memory) or 7
    // (unsupported bit count) and no store.

    // A packed device-independent bitmap (BITMAPINFOHEADER, colour table, bits):
    // 8 bits per pixel become 8-bit grey with the indexes taken as grey levels;
    // any other bit count is read as 24-bit B, G, R and becomes RGB (refused
    // when the bytes present are too few for that). Copied and owned.
    int createFromBitmap(std::span<const uint8_t> dib);
    // A packed bitmap of 1, 4, 8, 16 (5-5-5), 24 or 32 bits converted to grey or
    // RGB as its colour table and bit count say. Copied and owned.
    int createFromConvertedBitmap(std::span<const uint8_t> dib);
    // Raw 8-bit samples (colour 0 grey, 1 RGB), wrapped without copying: the
    // caller keeps `pixels` alive and unchanged for the life of the buffer.
    // dataSize is the number of bytes at `pixels` and must cover the image.
    int createFromRaw8(int32_t width, int32_t height, int32_t dataSize, int32_t colour, const uint8_t* pixels);
    // The same, copied and owned.
    int createFromCopy8(int32_t width, int32_t height, int32_t dataSize, int32_t colour, const uint8_t* pixels);
    // 16-bit samples wrapped without copying (width x height values). A window
    // of (0, 0) means none; see the level table for the minimum and maximum.
    int createFromSamples16(int32_t width, int32_t height, int32_t windowCenter, int32_t windowWidth,
                            const int16_t* samples);
    // 16-bit samples copied and owned; sampleFormat must be 16.
    int createFromCopy16(int32_t width, int32_t height, int32_t sampleFormat, int32_t windowCenter,
                         int32_t windowWidth, const int16_t* samples);

    // ---- Queries (of the current level).
    bool hasStore() const { return store() != nullptr; }
    Image8* image8() { return m_image8.get(); }
    const Image8* image8() const { return m_image8.get(); }
    Image16* image16() { return m_image16.get(); }
    const Image16* image16() const { return m_image16.get(); }
    int32_t width() const;
    int32_t height() const;
    bool isColour() const;
    int32_t minValue() const;
    int32_t maxValue() const;
    int32_t windowCenter() const;
    int32_t windowWidth() const;
    const uint8_t* pixels() const;
    // The current level's record, or null without a store.
    const ImageLevel* currentLevel() const;
    // The level the store was created with.
    const ImageLevel* firstLevel() const;
    int32_t currentLevelIndex() const;
    int32_t lastLevelIndex() const;
    // False for coordinates outside the image.
    bool sampleAt(int32_t x, int32_t y, PixelValue& value) const;
    // The value shown at (x, y), read back from the display bitmap: the display
    // byte three times for 8-bit bitmaps, R, G, B for 24-bit ones.
    bool displayedValueAt(int32_t x, int32_t y, PixelValue& value) const;
    const uint8_t* displayBitmap() const;
    size_t displayBitmapSize() const;
    const DisplayBitmap* display() const;
    SelectionRegion* selection();
    const SelectionRegion* selection() const;
    const EditHistory* history() const;
    const WindowList* windowList() const;
    const PaletteList* paletteList() const;
    // 0 .. 10 for the built-in tables, 11 for the custom slot; 7 without a store.
    int32_t paletteNumber() const;
    const PaletteTable* palette() const;
    LibraryError lastError() const;
    void setLastError(LibraryError code);

    // ---- Frame attributes.
    // Free text, cut to 515 characters (the source path of a frame of a
    // multi-file image).
    void setSourceText(std::string_view text);
    const std::string& sourceText() const { return m_sourceText; }
    int32_t initialPosition() const { return m_initialPosition; }
    void setInitialPosition(int32_t position) { m_initialPosition = position; }
    int32_t sourceIndex() const { return m_sourceIndex; }
    void setSourceIndex(int32_t index) { m_sourceIndex = index; }
    // Fill of geometric operations: Image8 a colour R + G x 256 + B x 65536
    // (grey frames use the low byte); Image16 a sample value, initially the
    // frame's minimum sample.
    int32_t background8() const { return m_background8; }
    void setBackground8(int32_t colour) { m_background8 = colour; }
    int32_t background16() const { return m_background16; }
    void setBackground16(int32_t value) { m_background16 = value; }

    // ---- Window. Records a Window entry; the centre is lowered to maxValue and
    // the width to (maxValue - minValue) x 2 + 1 when larger. The caller then
    // calls rebuildDisplay().
    int setWindow(int32_t center, int32_t width);
    // Shows a window without recording it (the live values of a drag; the
    // caller records the final one with setWindow), limited like setWindow.
    // The caller then calls rebuildDisplay().
    int showWindow(int32_t center, int32_t width);
    // Rebuilds the display bitmap from the current level (1, or 0 with code 2
    // keeping the old bitmap).
    int rebuildDisplay();

    // ---- Display of 16-bit grey frames, set after construction and before
    // any edit. Inverted: the display bytes are 255 minus the windowed value
    // (MONOCHROME1 frames, whose windows mean stored values).
    void setInvertedDisplay(bool inverted);
    bool invertedDisplay() const { return m_invertedDisplay; }
    // The table shown while the window is the table's own; null for none.
    void setDisplayLut(std::shared_ptr<const DisplayLut> lut);
    const DisplayLut* displayLut() const { return m_displayLut.get(); }
    // Replaces the window the store was created with (the reset window) and
    // that of every level, kept exactly; 0 once a window has been recorded.
    // Meant for frames nobody has edited yet (levels of the opening itself,
    // such as an aspect correction, take the new window too).
    int setInitialWindow(int32_t center, int32_t width);

    // ---- Palette. Numbers 0 .. 10 are the built-in tables; 11 + i is custom
    // palette i, whose colours the caller hands in (required for 11 and above),
    // copied into the frame's custom slot. The colour table of the display
    // bitmap follows at once. With `record` a Palette entry is recorded.
    int setPalette(int32_t number, bool record, const PaletteTable* customColours = nullptr);

    // ---- Undo and redo, walking the edit history. 1 or 0.
    int undo();
    int redo();
    int canUndo() const;
    int canRedo() const;

    // ---- Trials: copies of the levels (with samples), counters and history;
    // endTrial(true) puts them back, endTrial(false) drops them. 1 or 0.
    int beginTrial();
    int endTrial(bool restore);
    // The same for the history and the window list (and the current level's
    // window, so that a restored frame shows the window it had).
    int beginWindowTrial();
    int endWindowTrial(bool restore);

    // ---- Selection edits, recorded as Selection entries when they change the
    // region. Rectangles are inclusive. 1 when the region changed, else 0.
    int selectRectangle(ImageRect r);
    int unionSelection(ImageRect r);
    int differenceSelection(ImageRect r);
    int intersectSelection(ImageRect r);
    int invertSelection();
    int clearSelection(bool withHistory);

    // ---- The door for operations (see LevelEdit).
    // The ApplyScope for the current level, right and bottom exclusive.
    ImageRect applyScope() const;
    // Opens an edit of a level the same shape as the current one.
    LevelEdit beginEdit(LevelStart start);
    // Opens an edit of a level of another shape (geometric operations, colour
    // conversions); `start` must be Uninitialised unless the shape is unchanged.
    LevelEdit beginEdit(const LevelShape& shape, LevelStart start);

    // ---- Geometric transforms (geometric_transforms.cpp). Whole image; the
    // selection does not restrict them. 1 or 0.
    int rotate180();
    int rotate90Clockwise();
    int rotate90CounterClockwise();
    int flipHorizontal();
    int flipVertical();
    // angle in degrees; method 0 nearest, 1 bilinear, 2 cubic B-spline.
    int rotateClockwise(float angle, int32_t method);
    int rotateCounterClockwise(float angle, int32_t method);
    int resample(int32_t width, int32_t height, int32_t method);
    // right and bottom exclusive; callers keep the rectangle inside the image.
    int crop(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // anchor 0 .. 8 (row by row from the top-left); fill as background8/16.
    int resizeCanvas(int32_t width, int32_t height, int32_t anchor, int32_t fill);

    // ---- Intensity operations (intensity_operations.cpp). ApplyScope and
    // selected pixels unless noted. 1 or 0.
    int invert();
    int equalize(int32_t perChannel);
    int autoLevels();
    int brightnessContrast(int16_t brightness, int16_t contrast);
    int threshold(int32_t lower, int32_t upper, int32_t mode);
    int removeBurnedIn(int32_t useMaximum);
    int toGrey();
    int toGreyWeighted(float redFactor, float greenFactor, float blueFactor);
    int toColour();
    int fillValue(int32_t value);
    int fillColour(uint8_t red, uint8_t green, uint8_t blue);

    // ---- Neighbourhood filters (neighbourhood_filters.cpp). ApplyScope and
    // selected pixels; windowed filters keep a ring of their radius along the
    // scope. 1, or 0 without a pushed level for arguments out of range.
    int blur(int32_t mask);      // mask 1 .. 4
    int laplacian(int32_t mask); // 1 .. 4
    int sharpen(int32_t mask);   // 1 .. 4
    int sobel();
    int prewitt();
    int kirsch();
    // Window (2 radius + 1) square; refused when it does not fit the scope.
    int minimumFilter(int32_t radius);
    int medianFilter(int32_t radius);
    int maximumFilter(int32_t radius);
    int smooth(int32_t amount);                           // 0 .. 100 %
    int localAverage(int32_t threshold, int32_t mask);    // threshold >= 0, mask 0 .. 3
    int unsharp(int32_t amount, int32_t radius);          // whole image; amount >= 0 %, radius >= 1
    int edgeEnhance(int32_t amount);                      // 0 .. 100 %
    int dustAndScratches(int32_t radius, int32_t threshold);
    int geometricMean();
    int customMask(const CustomMask& masks);              // whole image, one level for all passes
    // Blur, weighted grey (colour frames), inverse, maximum, half turn and
    // unsharp filtering, recorded as one step.
    int enhancementChain(float redFactor, float greenFactor, float blueFactor);

    // ---- FFT filters (fft_filters.cpp). The frame, or the selection's
    // bounding box with only selected pixels written; the result spans the
    // input's range per channel. family 0 .. 3 (Butterworth, Chebyshev,
    // Elliptic, Bessel); shift 0 .. 0.99, 1 or more for none. Curves have
    // max(width, height) entries. 1, or 0 without a level for bad arguments.
    int fftLowPass(int32_t family, int32_t order, int32_t fco, double shift);
    int fftHighPass(int32_t family, int32_t order, int32_t fco, double shift);
    int fftBandPass(int32_t family, int32_t order, int32_t lfco, int32_t hfco, double shift);
    int fftBandReject(int32_t family, int32_t order, int32_t lfco, int32_t hfco, double shift);
    int fftInverse(int32_t order, int32_t fco, double shift);
    int fftCustom(std::span<const double> curve);

private:
    friend class LevelEdit;

    PixelStore* store();
    const PixelStore* store() const;
    void resetStore();
    // Installs level 0 and the rest of a new store; false with lastError set.
    bool installStore(bool sixteenBit, const ImageLevel& level, SampleBuffer owned);
    // Installs `level` over `data` (level.dataSize bytes), copied first when
    // `copy`; 1, or 0 with the error code set.
    int installLevel(bool sixteenBit, ImageLevel level, const uint8_t* data, bool copy);
    int installFrom8(int32_t width, int32_t height, int32_t dataSize, int32_t colour, const uint8_t* pixels,
                     bool copy);
    int installFrom16(int32_t width, int32_t height, int32_t windowCenter, int32_t windowWidth,
                      const int16_t* samples, bool copy);
    int installFromPackedBitmap(std::span<const uint8_t> dib, bool convert);
    // Builds the display of `level` into `bitmap`, reusing its memory when the
    // layout is unchanged; false (code 2) when memory cannot be had.
    bool buildDisplay(const ImageLevel& level, DisplayBitmap& bitmap);
    // Builds the first display if it was left for later; false when it cannot be.
    bool ensureDisplay() const;
    // Appends a history entry and drops the redo levels.
    void record(HistoryKind kind);
    void dropRedoLevels();
    // Replaces a selection whose size no longer matches the current level.
    void levelChangeCheck();
    int undoPixels();
    int redoPixels();
    void applyWindowPair();
    void applyPalette(int32_t number);
    int commitEdit(LevelEdit& edit);
    void abandonEdit(LevelEdit& edit);
    int finishSelectionEdit(bool changed);

    std::unique_ptr<Image8> m_image8;
    std::unique_ptr<Image16> m_image16;
    std::string m_sourceText;
    int32_t m_initialPosition = -1;
    int32_t m_sourceIndex = -1;
    int32_t m_background8 = 0;
    int32_t m_background16 = 0;
    // Error of a failed construction, when there is no store to keep it.
    LibraryError m_lastError = LibraryError::NoError;
    // The colours of the custom slot (palette number 11).
    PaletteTable m_customPalette{};
    // The level an open LevelEdit writes.
    bool m_editOpen = false;
    LevelSlot m_pending;
    // Lookup tables of the last display build, reused while the window and the
    // sample range stay the same (the window drag rebuilds many times).
    struct DisplayCache;
    std::unique_ptr<DisplayCache> m_displayCache;
    bool m_invertedDisplay = false;
    std::shared_ptr<const DisplayLut> m_displayLut;
};

} // namespace veltor
