// The two pixel stores of a frame and the records they keep: undo levels, the
// edit history and the window and palette lists.
#pragma once

#include "imaging/display_bitmap.h"
#include "imaging/library_error.h"
#include "imaging/palettes.h"
#include "imaging/selection_region.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace veltor {

// One undo level; the same record serves both stores.
//            Image8                        Image16
// colour     0 grey, 1 RGB                 0
// isSigned   0                             1 when the minimum sample is negative
// dataSize   width x height (x 3 for RGB)  width x height x 2
// maxValue   255                           largest sample, ignoring 32767
// minValue   0                             smallest sample, ignoring -32768
// window     128 / 256                     see the 16-bit constructions
// Samples are top-down rows without padding; RGB samples are R, G, B;
// Image16 samples are native int16_t.
struct ImageLevel {
    int32_t colour = 0;
    int32_t isSigned = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t dataSize = 0;
    int32_t maxValue = 0;
    int32_t minValue = 0;
    int32_t windowCenter = 0;
    int32_t windowWidth = 0;
    // Never written through once the level is in the array: operations write
    // only the level they push, so level 0 may be the caller's read-only buffer.
    const uint8_t* pixels = nullptr;

    int32_t channels() const { return colour != 0 ? 3 : 1; }
    const int16_t* samples16() const { return reinterpret_cast<const int16_t*>(pixels); }
};

// Owned sample storage, allocated without throwing. The memory comes from
// operator new, so it is suitably aligned for int16_t samples.
class SampleBuffer {
public:
    SampleBuffer() = default;
    // An empty buffer when `bytes` cannot be allocated.
    static SampleBuffer allocate(size_t bytes);

    explicit operator bool() const { return m_data != nullptr; }
    uint8_t* data() const { return m_data.get(); }
    size_t size() const { return m_size; }

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, Free> m_data;
    size_t m_size = 0;
};

// A level record with its samples; `owned` is empty for a level-0 buffer that
// belongs to the caller (level.pixels then points into the caller's memory).
struct LevelSlot {
    ImageLevel level;
    SampleBuffer owned;
};

enum class HistoryKind : int32_t {
    Pixels = 0,     // a new level was pushed
    Window = 1,     // window centre/width changed
    Selection = 2,  // the selection changed (the SelectionRegion keeps its own snapshots)
    Palette = 3,    // the palette changed
};

// The ordered edits that undo and redo walk. Entries before `position` are done,
// entries from `position` on can be redone.
struct EditHistory {
    std::vector<HistoryKind> entries;
    int32_t position = 0;

    int32_t length() const { return static_cast<int32_t>(entries.size()); }
    // Drops the entries after the position, appends `kind`, moves past it.
    void append(HistoryKind kind)
    {
        entries.resize(static_cast<size_t>(position));
        entries.push_back(kind);
        position = length();
    }
};

struct WindowSetting {
    int32_t center = 0;
    int32_t width = 0;

    friend bool operator==(const WindowSetting&, const WindowSetting&) = default;
};

// Windows applied to the frame, for undo of window changes. `current` is
// 1-based: pairs[current - 1] is the window in force; count = pairs.size().
struct WindowList {
    std::vector<WindowSetting> pairs;
    int32_t current = 1;
};

// Palettes applied to the frame with history. `current` counts the entries in
// force: 0 means the default grey ramp, otherwise numbers[current - 1].
struct PaletteList {
    std::vector<int32_t> numbers;
    int32_t current = 0;
};

// State shared by both stores. Levels 0 .. lastLevel() live in `levels`;
// currentLevel indexes the one shown.
struct PixelStore {
    DisplayBitmap display;
    // The first display is built when it is first asked for: a long cine
    // opens without building a bitmap for every frame.
    bool displayPending = false;
    PaletteTable palette{};           // the colours in force (custom palettes copied in)
    int32_t paletteNumber = kGreyscalePalette;
    ImageLevel first;                 // the level the store was created with
    std::vector<LevelSlot> levels;
    int32_t currentLevel = 0;
    LibraryError lastError = LibraryError::NoError;
    std::unique_ptr<SelectionRegion> selection;
    EditHistory history;
    WindowList windowList;
    PaletteList paletteList;
    bool ownsFirstLevel = true;

    // Copies taken by beginTrial / beginWindowTrial.
    struct Trial {
        std::vector<LevelSlot> levels;
        int32_t currentLevel = 0;
        EditHistory history;
        std::unique_ptr<SelectionRegion> selection;
    };
    struct WindowTrial {
        EditHistory history;
        WindowList windowList;
        WindowSetting levelWindow;
    };
    std::optional<Trial> trial;
    std::optional<WindowTrial> windowTrial;

    int32_t lastLevel() const { return static_cast<int32_t>(levels.size()) - 1; }
    const ImageLevel& current() const { return levels[static_cast<size_t>(currentLevel)].level; }
    ImageLevel& current() { return levels[static_cast<size_t>(currentLevel)].level; }
};

// 8-bit grey or 24-bit RGB samples; clamping range 0 .. 255.
struct Image8 : PixelStore {};
// 16-bit signed grey samples; clamping range the level's minValue .. maxValue.
struct Image16 : PixelStore {};

} // namespace veltor
