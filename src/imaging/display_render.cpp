// Building the display bitmap of a level through its window and the palette.
#include "imaging/display_cache.h"
#include "imaging/image_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace veltor {

namespace {

// Window bounds in 64 bits: centres and widths are 32-bit values set by callers.
struct WindowBounds {
    int64_t low = 0;
    int64_t high = 0;
};

WindowBounds windowBounds(const ImageLevel& level)
{
    if (level.windowCenter != 0 || level.windowWidth != 0) {
        const int64_t c = level.windowCenter;
        const int64_t halfWidth = static_cast<int64_t>(level.windowWidth) / 2;  // truncates toward zero
        return {c - halfWidth, c + halfWidth};
    }
    return {level.minValue, level.maxValue};
}

// Display byte of sample value v: the integer part of (v - low) / span x 255 + 0.5,
// limited to 0 .. 255.
uint8_t mapThroughWindow(int64_t v, int64_t low, int64_t span)
{
    const double x = static_cast<double>(v - low) / static_cast<double>(span) * 255.0 + 0.5;
    if (!(x > 0.0))
        return 0;
    if (x >= 256.0)
        return 255;
    return static_cast<uint8_t>(static_cast<int>(x));
}

void fillTable8(uint8_t* table, int64_t low, int64_t high)
{
    for (int i = 0; i < 256; ++i)
        table[i] = high == low ? 0 : mapThroughWindow(i, low, high - low);
}

// Fills table[j] for j = 0 .. range (samples minValue + j). The map is monotone,
// so for a positive span only the entries between the first that leaves 0 and
// the first that reaches 255 need the division; the rest are 0 or 255.
void fillTable16(uint8_t* table, int32_t minValue, int32_t range, int64_t low, int64_t span)
{
    auto value = [&](int32_t j) { return mapThroughWindow(static_cast<int64_t>(minValue) + j, low, span); };
    if (span <= 0) {
        for (int32_t j = 0; j <= range; ++j)
            table[j] = value(j);
        return;
    }
    auto firstReaching = [&](uint8_t target) {
        int32_t lo = 0;
        int32_t hi = range + 1;  // value(hi) treated as reaching
        while (lo < hi) {
            const int32_t mid = lo + (hi - lo) / 2;
            if (value(mid) >= target)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    const int32_t firstNonZero = firstReaching(1);
    const int32_t firstFull = firstReaching(255);
    std::memset(table, 0, static_cast<size_t>(firstNonZero));
    for (int32_t j = firstNonZero; j < firstFull; ++j)
        table[j] = value(j);
    if (firstFull <= range)
        std::memset(table + firstFull, 255, static_cast<size_t>(range - firstFull + 1));
}

} // namespace

bool ImageBuffer::buildDisplay(const ImageLevel& level, DisplayBitmap& bitmap)
{
    const PixelStore* s = store();
    if (s == nullptr || level.pixels == nullptr)
        return false;
    const bool sixteen = m_image16 != nullptr;
    const bool rgb = !sixteen && level.colour != 0;
    const int32_t bits = rgb ? 24 : 8;

    // The old bitmap stays until the new one exists; with an unchanged layout
    // the memory is reused, so a window change allocates nothing.
    DisplayBitmap fresh;
    DisplayBitmap* target = &bitmap;
    if (!bitmap.sameLayout(level.width, level.height, bits)) {
        if (!fresh.allocate(level.width, level.height, bits))
            return false;
        target = &fresh;
    }
    if (!m_displayCache)
        m_displayCache.reset(new (std::nothrow) DisplayCache);
    DisplayCache* cache = m_displayCache.get();
    if (cache == nullptr)
        return false;

    const WindowBounds window = windowBounds(level);
    const size_t width = static_cast<size_t>(level.width);

    if (sixteen) {
        int64_t low = window.low;
        if (level.isSigned == 0 && low < 0)
            low = 0;
        const int64_t high = window.high;
        const int64_t span = high == low ? 1 : high - low;
        const int32_t minValue = level.minValue;
        const int32_t maxValue = std::max(level.maxValue, level.minValue);
        if (!cache->table16) {
            cache->table16.reset(new (std::nothrow) uint8_t[65536]);
            if (!cache->table16)
                return false;
            cache->valid16 = false;
        }
        // The frame's lookup table stands in for its own equivalent window.
        const DisplayLut* lut = m_displayLut && !m_displayLut->bytes.empty() &&
                                        level.windowCenter == m_displayLut->center &&
                                        level.windowWidth == m_displayLut->width
                                    ? m_displayLut.get()
                                    : nullptr;
        if (!cache->valid16 || cache->low16 != low || cache->high16 != high || cache->min16 != minValue ||
            cache->max16 != maxValue || cache->inverted16 != m_invertedDisplay || cache->lut16 != lut) {
            uint8_t* table = cache->table16.get();
            const int32_t range = maxValue - minValue;
            // Samples below the minimum show as the minimum, above the maximum as
            // the maximum.
            uint8_t* inRange = table + (static_cast<int32_t>(minValue) + 32768);
            if (lut != nullptr) {
                const int64_t last = static_cast<int64_t>(lut->bytes.size()) - 1;
                for (int32_t j = 0; j <= range; ++j)
                    inRange[j] = lut->bytes[static_cast<size_t>(
                        std::clamp<int64_t>(static_cast<int64_t>(minValue) + j - lut->first, 0, last))];
            } else {
                fillTable16(inRange, minValue, range, low, span);
            }
            if (m_invertedDisplay)
                for (int32_t j = 0; j <= range; ++j)
                    inRange[j] = static_cast<uint8_t>(255 - inRange[j]);
            std::memset(table, inRange[0], static_cast<size_t>(minValue + 32768));
            std::memset(inRange + range + 1, inRange[range], static_cast<size_t>(32767 - maxValue));
            cache->valid16 = true;
            cache->low16 = low;
            cache->high16 = high;
            cache->min16 = minValue;
            cache->max16 = maxValue;
            cache->inverted16 = m_invertedDisplay;
            cache->lut16 = lut;
        }
        const uint8_t* zero = cache->table16.get() + 32768;
        const int16_t* samples = level.samples16();
        for (int32_t y = 0; y < level.height; ++y) {
            const int16_t* src = samples + static_cast<size_t>(y) * width;
            uint8_t* dst = target->imageRow(y);
            for (size_t x = 0; x < width; ++x)
                dst[x] = zero[src[x]];
        }
    } else {
        if (!cache->valid8 || cache->low8 != window.low || cache->high8 != window.high) {
            fillTable8(cache->table8, window.low, window.high);
            cache->valid8 = true;
            cache->low8 = window.low;
            cache->high8 = window.high;
        }
        const uint8_t* table = cache->table8;
        if (rgb) {
            for (int32_t y = 0; y < level.height; ++y) {
                const uint8_t* src = level.pixels + static_cast<size_t>(y) * width * 3;
                uint8_t* dst = target->imageRow(y);
                for (size_t x = 0; x < width; ++x) {
                    dst[3 * x] = table[src[3 * x + 2]];
                    dst[3 * x + 1] = table[src[3 * x + 1]];
                    dst[3 * x + 2] = table[src[3 * x]];
                }
            }
        } else {
            for (int32_t y = 0; y < level.height; ++y) {
                const uint8_t* src = level.pixels + static_cast<size_t>(y) * width;
                uint8_t* dst = target->imageRow(y);
                for (size_t x = 0; x < width; ++x)
                    dst[x] = table[src[x]];
            }
        }
    }
    if (bits == 8)
        target->setColourTable(s->palette);
    if (target == &fresh)
        bitmap = std::move(fresh);
    if (&bitmap == &store()->display)
        store()->displayPending = false;
    return true;
}

} // namespace veltor
