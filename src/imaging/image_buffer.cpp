#include "imaging/image_buffer.h"

#include "imaging/display_cache.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace veltor {

namespace {

// Level counters are 16-bit in the stored layout: at most 65535 levels above 0.
constexpr int32_t kMaxLevel = 65535;

} // namespace

// ---- SampleBuffer

SampleBuffer SampleBuffer::allocate(size_t bytes)
{
    SampleBuffer buffer;
    void* p = ::operator new[](bytes == 0 ? 1 : bytes, std::nothrow);
    if (p != nullptr) {
        buffer.m_data.reset(static_cast<uint8_t*>(p));
        buffer.m_size = bytes;
    }
    return buffer;
}

void SampleBuffer::Free::operator()(uint8_t* p) const
{
    ::operator delete[](p);
}

// ---- LevelEdit

LevelEdit::LevelEdit(LevelEdit&& other) noexcept
    : m_owner(std::exchange(other.m_owner, nullptr))
    , m_scope(other.m_scope)
    , m_mask(other.m_mask)
    , m_maskWidth(other.m_maskWidth)
{
}

LevelEdit& LevelEdit::operator=(LevelEdit&& other) noexcept
{
    if (this != &other) {
        abandon();
        m_owner = std::exchange(other.m_owner, nullptr);
        m_scope = other.m_scope;
        m_mask = other.m_mask;
        m_maskWidth = other.m_maskWidth;
    }
    return *this;
}

LevelEdit::~LevelEdit()
{
    abandon();
}

const ImageLevel& LevelEdit::source() const
{
    return m_owner->store()->current();
}

ImageLevel& LevelEdit::target()
{
    return m_owner->m_pending.level;
}

uint8_t* LevelEdit::targetBytes()
{
    return m_owner->m_pending.owned.data();
}

int LevelEdit::commit()
{
    if (m_owner == nullptr)
        return 0;
    ImageBuffer* owner = std::exchange(m_owner, nullptr);
    return owner->commitEdit(*this);
}

void LevelEdit::abandon()
{
    if (m_owner != nullptr) {
        ImageBuffer* owner = std::exchange(m_owner, nullptr);
        owner->abandonEdit(*this);
    }
}

// ---- ImageBuffer: lifetime and queries

ImageBuffer::ImageBuffer() = default;
ImageBuffer::~ImageBuffer() = default;

PixelStore* ImageBuffer::store()
{
    if (m_image8)
        return m_image8.get();
    return m_image16.get();
}

const PixelStore* ImageBuffer::store() const
{
    if (m_image8)
        return m_image8.get();
    return m_image16.get();
}

void ImageBuffer::resetStore()
{
    m_image8.reset();
    m_image16.reset();
    m_pending = LevelSlot{};
    m_editOpen = false;
    m_displayCache.reset();
    m_invertedDisplay = false;
    m_displayLut.reset();
}

bool ImageBuffer::installStore(bool sixteenBit, const ImageLevel& level, SampleBuffer owned)
{
    resetStore();
    if (sixteenBit)
        m_image16.reset(new (std::nothrow) Image16);
    else
        m_image8.reset(new (std::nothrow) Image8);
    PixelStore* s = store();
    if (s == nullptr) {
        m_lastError = LibraryError::MemoryAllocation;
        return false;
    }
    s->ownsFirstLevel = static_cast<bool>(owned);
    s->first = level;
    s->levels.clear();
    s->levels.push_back(LevelSlot{level, std::move(owned)});
    s->currentLevel = 0;
    s->selection = std::make_unique<SelectionRegion>(level.width, level.height);
    s->windowList.pairs = {WindowSetting{level.windowCenter, level.windowWidth}};
    s->windowList.current = 1;
    s->palette = builtinPalette(kGreyscalePalette);
    s->paletteNumber = kGreyscalePalette;
    s->displayPending = true;
    if (sixteenBit)
        m_background16 = level.minValue;
    m_lastError = LibraryError::NoError;
    return true;
}

int32_t ImageBuffer::width() const
{
    return hasStore() ? store()->current().width : 0;
}

int32_t ImageBuffer::height() const
{
    return hasStore() ? store()->current().height : 0;
}

bool ImageBuffer::isColour() const
{
    return hasStore() && store()->current().colour != 0;
}

int32_t ImageBuffer::minValue() const
{
    return hasStore() ? store()->current().minValue : 0;
}

int32_t ImageBuffer::maxValue() const
{
    return hasStore() ? store()->current().maxValue : 0;
}

int32_t ImageBuffer::windowCenter() const
{
    return hasStore() ? store()->current().windowCenter : 0;
}

int32_t ImageBuffer::windowWidth() const
{
    return hasStore() ? store()->current().windowWidth : 0;
}

const uint8_t* ImageBuffer::pixels() const
{
    return hasStore() ? store()->current().pixels : nullptr;
}

const ImageLevel* ImageBuffer::currentLevel() const
{
    return hasStore() ? &store()->current() : nullptr;
}

const ImageLevel* ImageBuffer::firstLevel() const
{
    return hasStore() ? &store()->first : nullptr;
}

int32_t ImageBuffer::currentLevelIndex() const
{
    return hasStore() ? store()->currentLevel : 0;
}

int32_t ImageBuffer::lastLevelIndex() const
{
    return hasStore() ? store()->lastLevel() : 0;
}

bool ImageBuffer::sampleAt(int32_t x, int32_t y, PixelValue& value) const
{
    const ImageLevel* level = currentLevel();
    if (level == nullptr || x < 0 || y < 0 || x >= level->width || y >= level->height)
        return false;
    const size_t index = static_cast<size_t>(y) * static_cast<size_t>(level->width) + static_cast<size_t>(x);
    if (m_image16) {
        const int32_t v = level->samples16()[index];
        value = {v, v, v};
    } else if (level->colour != 0) {
        const uint8_t* p = level->pixels + index * 3;
        value = {p[0], p[1], p[2]};
    } else {
        const int32_t v = level->pixels[index];
        value = {v, v, v};
    }
    return true;
}

bool ImageBuffer::displayedValueAt(int32_t x, int32_t y, PixelValue& value) const
{
    const DisplayBitmap* bitmap = display();
    if (bitmap == nullptr || bitmap->empty() || x < 0 || y < 0 || x >= bitmap->width() || y >= bitmap->height())
        return false;
    const uint8_t* row = bitmap->imageRow(y);
    if (bitmap->bitsPerPixel() == 24) {
        const uint8_t* p = row + static_cast<size_t>(x) * 3;
        value = {p[2], p[1], p[0]};
    } else {
        const int32_t v = row[x];
        value = {v, v, v};
    }
    return true;
}

bool ImageBuffer::ensureDisplay() const
{
    const PixelStore* s = store();
    if (s == nullptr)
        return false;
    if (!s->displayPending)
        return true;
    // Building the display is not a change of the frame.
    auto* self = const_cast<ImageBuffer*>(this);
    PixelStore* w = self->store();
    if (!self->buildDisplay(w->current(), w->display)) {
        w->lastError = LibraryError::MemoryAllocation;
        return false;
    }
    return true;
}

const uint8_t* ImageBuffer::displayBitmap() const
{
    return ensureDisplay() ? store()->display.data() : nullptr;
}

size_t ImageBuffer::displayBitmapSize() const
{
    return ensureDisplay() ? store()->display.size() : 0;
}

const DisplayBitmap* ImageBuffer::display() const
{
    ensureDisplay();
    return hasStore() ? &store()->display : nullptr;
}

SelectionRegion* ImageBuffer::selection()
{
    return hasStore() ? store()->selection.get() : nullptr;
}

const SelectionRegion* ImageBuffer::selection() const
{
    return hasStore() ? store()->selection.get() : nullptr;
}

const EditHistory* ImageBuffer::history() const
{
    return hasStore() ? &store()->history : nullptr;
}

const WindowList* ImageBuffer::windowList() const
{
    return hasStore() ? &store()->windowList : nullptr;
}

const PaletteList* ImageBuffer::paletteList() const
{
    return hasStore() ? &store()->paletteList : nullptr;
}

int32_t ImageBuffer::paletteNumber() const
{
    return hasStore() ? store()->paletteNumber : kGreyscalePalette;
}

const PaletteTable* ImageBuffer::palette() const
{
    return hasStore() ? &store()->palette : nullptr;
}

LibraryError ImageBuffer::lastError() const
{
    return hasStore() ? store()->lastError : m_lastError;
}

void ImageBuffer::setLastError(LibraryError code)
{
    if (PixelStore* s = store())
        s->lastError = code;
    else
        m_lastError = code;
}

void ImageBuffer::setSourceText(std::string_view text)
{
    constexpr size_t kMaxSourceText = 515;
    m_sourceText.assign(text.substr(0, std::min(text.size(), kMaxSourceText)));
}

// ---- Window and palette

int ImageBuffer::showWindow(int32_t center, int32_t width)
{
    PixelStore* s = store();
    if (s == nullptr)
        return 0;
    ImageLevel& level = s->current();
    const int64_t maxWidth = (static_cast<int64_t>(level.maxValue) - level.minValue) * 2 + 1;
    level.windowCenter = center > level.maxValue ? level.maxValue : center;
    level.windowWidth = width > maxWidth ? static_cast<int32_t>(maxWidth) : width;
    return 1;
}

int ImageBuffer::setWindow(int32_t center, int32_t width)
{
    PixelStore* s = store();
    if (s == nullptr)
        return 0;
    record(HistoryKind::Window);
    ImageLevel& level = s->current();
    const int64_t maxWidth = (static_cast<int64_t>(level.maxValue) - level.minValue) * 2 + 1;
    if (center > level.maxValue)
        center = level.maxValue;
    if (width > maxWidth)
        width = static_cast<int32_t>(maxWidth);
    level.windowCenter = center;
    level.windowWidth = width;
    WindowList& list = s->windowList;
    list.pairs.resize(static_cast<size_t>(list.current));
    list.pairs.push_back({center, width});
    list.current = static_cast<int32_t>(list.pairs.size());
    return 1;
}

void ImageBuffer::setInvertedDisplay(bool inverted)
{
    if (m_invertedDisplay == inverted)
        return;
    m_invertedDisplay = inverted;
    if (m_displayCache)
        m_displayCache->valid16 = false;
    if (PixelStore* s = store())
        s->displayPending = true;
}

void ImageBuffer::setDisplayLut(std::shared_ptr<const DisplayLut> lut)
{
    m_displayLut = std::move(lut);
    if (m_displayCache)
        m_displayCache->valid16 = false;
    if (PixelStore* s = store())
        s->displayPending = true;
}

int ImageBuffer::setInitialWindow(int32_t center, int32_t width)
{
    PixelStore* s = store();
    if (s == nullptr || s->windowList.pairs.size() != 1 || s->windowTrial)
        return 0;
    s->first.windowCenter = center;
    s->first.windowWidth = width;
    for (LevelSlot& slot : s->levels) {
        slot.level.windowCenter = center;
        slot.level.windowWidth = width;
    }
    s->windowList.pairs[0] = WindowSetting{center, width};
    s->displayPending = true;
    return 1;
}

int ImageBuffer::rebuildDisplay()
{
    PixelStore* s = store();
    if (s == nullptr)
        return 0;
    if (!buildDisplay(s->current(), s->display)) {
        s->lastError = LibraryError::MemoryAllocation;
        return 0;
    }
    return 1;
}

void ImageBuffer::applyWindowPair()
{
    PixelStore* s = store();
    const WindowSetting pair = s->windowList.pairs[static_cast<size_t>(s->windowList.current) - 1];
    s->current().windowCenter = pair.center;
    s->current().windowWidth = pair.width;
    rebuildDisplay();
}

void ImageBuffer::applyPalette(int32_t number)
{
    PixelStore* s = store();
    if (number >= kCustomPaletteNumber) {
        s->palette = m_customPalette;
        s->paletteNumber = kCustomPaletteNumber;
    } else {
        s->palette = builtinPalette(number);
        s->paletteNumber = number;
    }
    if (!s->displayPending)
        s->display.setColourTable(s->palette);
}

int ImageBuffer::setPalette(int32_t number, bool record, const PaletteTable* customColours)
{
    PixelStore* s = store();
    if (s == nullptr || number < 0)
        return 0;
    if (number >= kCustomPaletteNumber) {
        if (customColours == nullptr)
            return 0;
        m_customPalette = *customColours;
        for (PaletteEntry& e : m_customPalette)
            e.reserved = 0;
    } else if (number >= kBuiltinPaletteCount) {
        return 0;
    }
    applyPalette(number);
    if (record) {
        this->record(HistoryKind::Palette);
        PaletteList& list = s->paletteList;
        list.numbers.resize(static_cast<size_t>(list.current));
        list.numbers.push_back(number);
        list.current = static_cast<int32_t>(list.numbers.size());
    }
    return 1;
}

// ---- The door for operations

ImageRect ImageBuffer::applyScope() const
{
    const PixelStore* s = store();
    if (s == nullptr)
        return {};
    const ImageLevel& level = s->current();
    const SelectionRegion* region = s->selection.get();
    if (region != nullptr && !region->isEmpty() && region->width() == level.width &&
        region->height() == level.height)
        return region->boundingBox();
    return {0, 0, level.width, level.height};
}

LevelEdit ImageBuffer::beginEdit(LevelStart start)
{
    const PixelStore* s = store();
    if (s == nullptr)
        return {};
    const ImageLevel& level = s->current();
    return beginEdit(LevelShape{level.width, level.height, level.colour}, start);
}

LevelEdit ImageBuffer::beginEdit(const LevelShape& shape, LevelStart start)
{
    PixelStore* s = store();
    if (s == nullptr)
        return {};
    const ImageLevel& level = s->current();
    const bool sixteen = m_image16 != nullptr;
    const bool sameShape =
        shape.width == level.width && shape.height == level.height && shape.colour == level.colour;
    if (m_editOpen || shape.width <= 0 || shape.height <= 0 || (shape.colour != 0 && shape.colour != 1) ||
        (sixteen && shape.colour != 0) || (start == LevelStart::CopyPrevious && !sameShape) ||
        s->currentLevel >= kMaxLevel) {
        s->lastError = LibraryError::BuildFailed;
        return {};
    }
    const int64_t bytesPerPixel = sixteen ? 2 : (shape.colour != 0 ? 3 : 1);
    const int64_t dataSize = static_cast<int64_t>(shape.width) * shape.height * bytesPerPixel;
    if (dataSize > std::numeric_limits<int32_t>::max()) {
        s->lastError = LibraryError::BuildFailed;
        return {};
    }
    SampleBuffer buffer = SampleBuffer::allocate(static_cast<size_t>(dataSize));
    if (!buffer) {
        s->lastError = LibraryError::MemoryAllocation;
        return {};
    }
    if (start == LevelStart::CopyPrevious)
        std::memcpy(buffer.data(), level.pixels, static_cast<size_t>(dataSize));

    m_pending.level = level;
    m_pending.level.width = shape.width;
    m_pending.level.height = shape.height;
    m_pending.level.colour = shape.colour;
    m_pending.level.dataSize = static_cast<int32_t>(dataSize);
    m_pending.level.pixels = buffer.data();
    m_pending.owned = std::move(buffer);
    m_editOpen = true;

    LevelEdit edit;
    edit.m_owner = this;
    edit.m_scope = applyScope();
    const SelectionRegion* region = s->selection.get();
    if (region != nullptr && !region->isEmpty() && region->width() == level.width &&
        region->height() == level.height) {
        edit.m_mask = region->mask();
        edit.m_maskWidth = region->width();
    }
    return edit;
}

int ImageBuffer::commitEdit(LevelEdit&)
{
    PixelStore* s = store();
    if (s == nullptr || !m_editOpen)
        return 0;
    m_editOpen = false;
    // The operation's record must still describe its own samples.
    m_pending.level.pixels = m_pending.owned.data();
    if (!buildDisplay(m_pending.level, s->display)) {
        m_pending = LevelSlot{};
        s->lastError = LibraryError::MemoryAllocation;
        return 0;
    }
    record(HistoryKind::Pixels);
    s->levels.push_back(std::move(m_pending));
    m_pending = LevelSlot{};
    ++s->currentLevel;
    levelChangeCheck();
    return 1;
}

void ImageBuffer::abandonEdit(LevelEdit&)
{
    m_pending = LevelSlot{};
    m_editOpen = false;
}

} // namespace veltor
