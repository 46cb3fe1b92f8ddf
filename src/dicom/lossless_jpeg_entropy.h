// Entropy decoding primitives of the lossless JPEG decoder: the DC Huffman
// tables with their derived decoding tables, and the bit reader over the
// entropy-coded segments of a fragment.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace veltor::lossless_jpeg {

// A DC Huffman table of the lossless process: its DHT content and the derived
// decoding tables of T.81 F.2.2.3 (mincode, maxcode, value pointer per code
// length). For speed, a look-ahead table indexed by the next kLookBits bits
// resolves every code of at most kLookBits bits at once, and when the code's
// extra bits fit as well, the difference itself.
constexpr int kLookBits = 12;

// Look-ahead entry: bits 0..4 the bits to consume (0: code longer than
// kLookBits, take the slow path); bit 7 set when bits 16..31 hold the finished
// difference; otherwise bits 8..12 give the category whose extra bits follow.
constexpr uint32_t kLookComplete = 0x80;

inline int extendDifference(uint32_t bits, int category) {
    const int v = static_cast<int>(bits);
    return v < (1 << (category - 1)) ? v - (1 << category) + 1 : v;
}

struct HuffmanTable {
    bool defined = false;
    bool derived = false;
    std::array<uint8_t, 17> counts{}; // counts[l]: codes of length l, 1..16
    std::array<uint8_t, 256> symbols{};
    std::array<int32_t, 18> maxcode{}; // [17] is a sentinel that ends every search
    std::array<int32_t, 17> mincode{};
    std::array<int32_t, 17> valptr{};
    std::vector<uint32_t> look;

    // Builds the derived tables; false for a table whose codes do not fit
    // their lengths (over-subscribed) or whose symbols are not difference
    // categories 0..16.
    bool derive() {
        int total = 0;
        for (int l = 1; l <= 16; ++l) total += counts[l];
        for (int i = 0; i < total; ++i)
            if (symbols[i] > 16) return false;
        look.assign(size_t{1} << kLookBits, 0);
        int32_t code = 0;
        int32_t k = 0;
        for (int l = 1; l <= 16; ++l) {
            if (counts[l] != 0) {
                valptr[l] = k;
                mincode[l] = code;
                for (int i = 0; i < counts[l]; ++i, ++code, ++k) {
                    if (code >= (int32_t{1} << l)) return false;
                    if (l <= kLookBits) fillLook(static_cast<uint32_t>(code), l, symbols[k]);
                }
                maxcode[l] = code - 1;
            } else {
                maxcode[l] = -1;
            }
            code <<= 1;
        }
        maxcode[17] = INT32_MAX;
        derived = true;
        return true;
    }

private:
    void fillLook(uint32_t code, int length, int category) {
        const int free = kLookBits - length;
        const uint32_t first = code << free;
        const uint32_t span = 1u << free;
        if (category == 0 || category == 16 || category <= free) {
            for (uint32_t j = 0; j < span; ++j) {
                int difference = 0;
                int used = length;
                if (category == 16) {
                    difference = 32768;
                } else if (category != 0) {
                    difference = extendDifference(j >> (free - category), category);
                    used += category;
                }
                look[first + j] = static_cast<uint32_t>(difference) << 16 | kLookComplete |
                                  static_cast<uint32_t>(used);
            }
        } else {
            for (uint32_t j = 0; j < span; ++j)
                look[first + j] = static_cast<uint32_t>(category) << 8 | static_cast<uint32_t>(length);
        }
    }
};

// Entropy-coded data reader: most significant bit first, 0xFF 0x00 stuffing
// removed. A marker (or the end of the fragment) is never consumed; zero bits
// are supplied instead and counted, so that running past the data can be told
// apart from data that merely ends in zero bits.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size, size_t position)
        : m_data(data), m_size(size), m_pos(position) {}

    size_t position() const { return m_pos; }

    void restartAt(size_t position) {
        m_pos = position;
        m_buffer = 0;
        m_count = 0;
        m_fillBits = 0;
        m_atMarker = false;
    }

    // True once a bit that is not in the data has been consumed.
    bool overrun() const { return m_fillBits > static_cast<uint64_t>(m_count); }

    // Guarantees at least 32 buffered bits.
    void ensure32() {
        if (m_count < 32) refill();
    }

    uint32_t peek(int n) const { return static_cast<uint32_t>(m_buffer >> (64 - n)); }

    void skip(int n) {
        m_buffer <<= n;
        m_count -= n;
    }

    uint32_t take(int n) {
        const uint32_t v = peek(n);
        skip(n);
        return v;
    }

private:
    void refill() {
        // Fast path: eight bytes without 0xFF can be appended at once.
        if (!m_atMarker && m_pos + 8 <= m_size) {
            uint64_t word;
            std::memcpy(&word, m_data + m_pos, sizeof word);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
            // A byte 0xFF in `word` is a zero byte in its complement.
            const uint64_t inverted = ~word;
            const bool hasFf = ((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) != 0;
            if (!hasFf) {
                const int bytes = (64 - m_count) / 8;
                m_buffer |= (word >> (64 - 8 * bytes)) << (64 - 8 * bytes - m_count);
                m_count += 8 * bytes;
                m_pos += static_cast<size_t>(bytes);
                return;
            }
        }
        while (m_count <= 56) {
            bool fill = true;
            uint64_t byte = 0;
            if (!m_atMarker && m_pos < m_size) {
                byte = m_data[m_pos];
                if (byte != 0xFF) {
                    ++m_pos;
                    fill = false;
                } else if (m_pos + 1 < m_size && m_data[m_pos + 1] == 0x00) {
                    m_pos += 2;
                    fill = false;
                } else {
                    m_atMarker = true; // a marker, or 0xFF as the last byte
                }
            }
            if (fill)
                m_fillBits += 8;
            else
                m_buffer |= byte << (56 - m_count);
            m_count += 8;
        }
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
    uint64_t m_buffer = 0; // valid bits left-aligned
    int m_count = 0;
    uint64_t m_fillBits = 0;
    bool m_atMarker = false;
};

} // namespace veltor::lossless_jpeg
