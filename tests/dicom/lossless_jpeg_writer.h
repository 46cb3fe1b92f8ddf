// A small lossless JPEG writer for streams no toolkit writes (restart
// intervals, undefined predictors, damaged tables and data), used by the
// decoder tests and the decoder benchmark.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace veltor::test {

// Writes lossless JPEG streams (SOF3, one scan) with a fixed Huffman table over
// difference categories 0..16. Categories 13..16 get codes longer than 8 bits so
// that both decoding paths of a reader are exercised.
class LosslessJpegWriter {
public:
    int precision = 16;
    int predictor = 1;
    int pointTransform = 0;
    uint32_t restartInterval = 0; // pixels; 0 writes no DRI
    bool writeEoi = true;

    // `samples` holds width x height x components values, components interleaved.
    std::vector<uint8_t> encode(const std::vector<uint16_t>& samples, int width, int height,
                                int components = 1) const {
        std::vector<uint8_t> out = {0xFF, 0xD8};
        // SOF3
        append(out, {0xFF, 0xC3});
        put16(out, 8 + 3 * components);
        out.push_back(static_cast<uint8_t>(precision));
        put16(out, height);
        put16(out, width);
        out.push_back(static_cast<uint8_t>(components));
        for (int c = 0; c < components; ++c) append(out, {static_cast<uint8_t>(c + 1), 0x11, 0x00});
        // DHT, table 0
        append(out, {0xFF, 0xC4});
        put16(out, 2 + 1 + 16 + 17);
        out.push_back(0x00);
        for (int l = 1; l <= 16; ++l) out.push_back(kCounts[l]);
        for (int s = 0; s < 17; ++s) out.push_back(kSymbolsInCodeOrder[s]);
        if (restartInterval != 0) {
            append(out, {0xFF, 0xDD, 0x00, 0x04});
            put16(out, static_cast<int>(restartInterval));
        }
        // SOS
        append(out, {0xFF, 0xDA});
        put16(out, 6 + 2 * components);
        out.push_back(static_cast<uint8_t>(components));
        for (int c = 0; c < components; ++c) append(out, {static_cast<uint8_t>(c + 1), 0x00});
        append(out, {static_cast<uint8_t>(predictor), 0x00, static_cast<uint8_t>(pointTransform)});

        BitWriter bits(out);
        const uint32_t restartRows = restartInterval / static_cast<uint32_t>(width);
        int restartNumber = 0;
        uint32_t rowInInterval = 0;
        for (int y = 0; y < height; ++y) {
            bool firstRow = y == 0;
            if (restartRows != 0 && y != 0 && rowInInterval == restartRows) {
                bits.flush();
                append(out, {0xFF, static_cast<uint8_t>(0xD0 + restartNumber)});
                restartNumber = (restartNumber + 1) & 7;
                rowInInterval = 0;
                firstRow = true;
            }
            ++rowInInterval;
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < components; ++c) {
                    auto at = [&](int xx, int yy) {
                        return static_cast<int>(samples[(static_cast<size_t>(yy) * width + xx) * components + c]);
                    };
                    int prediction;
                    if (firstRow && x == 0)
                        prediction = precision > pointTransform ? 1 << (precision - pointTransform - 1) : 0;
                    else if (firstRow) prediction = at(x - 1, y);
                    else if (x == 0) prediction = at(0, y - 1);
                    else prediction = predict(at(x - 1, y), at(x, y - 1), at(x - 1, y - 1));
                    encodeDifference(bits, (at(x, y) - prediction) & 0xFFFF);
                }
            }
        }
        bits.flush();
        if (writeEoi) append(out, {0xFF, 0xD9});
        return out;
    }

private:
    // Code lengths: categories 0..12 of 4 or 5 bits, 13..16 of 9..12 bits.
    static constexpr uint8_t kCounts[17] = {0, 0, 0, 0, 6, 7, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0};
    static constexpr uint8_t kSymbolsInCodeOrder[17] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                                        13, 14, 15, 16};

    class BitWriter {
    public:
        explicit BitWriter(std::vector<uint8_t>& out) : m_out(out) {}
        void put(uint32_t value, int count) {
            for (int i = count - 1; i >= 0; --i) {
                m_byte = static_cast<uint8_t>(m_byte << 1 | ((value >> i) & 1));
                if (++m_bits == 8) emit();
            }
        }
        void flush() {
            while (m_bits != 0) put(1, 1);
        }

    private:
        void emit() {
            m_out.push_back(m_byte);
            if (m_byte == 0xFF) m_out.push_back(0x00);
            m_byte = 0;
            m_bits = 0;
        }
        std::vector<uint8_t>& m_out;
        uint8_t m_byte = 0;
        int m_bits = 0;
    };

    int predict(int ra, int rb, int rc) const {
        switch (predictor) {
        case 1: return ra;
        case 2: return rb;
        case 3: return rc;
        case 4: return ra + rb - rc;
        case 5: return ra + ((rb - rc) >> 1);
        case 6: return rb + ((ra - rc) >> 1);
        case 7: return (ra + rb) >> 1;
        default: return 0;
        }
    }

    // Canonical codes of kCounts, in symbol order.
    static void codeOf(int symbol, uint32_t& code, int& length) {
        uint32_t next = 0;
        int index = 0;
        for (int l = 1; l <= 16; ++l) {
            for (int i = 0; i < kCounts[l]; ++i, ++index, ++next) {
                if (kSymbolsInCodeOrder[index] == symbol) {
                    code = next;
                    length = l;
                    return;
                }
            }
            next <<= 1;
        }
    }

    static void encodeDifference(BitWriter& bits, int difference16) {
        int diff = difference16 >= 32768 ? difference16 - 65536 : difference16;
        int category = 0;
        if (difference16 == 32768) {
            category = 16;
        } else {
            for (int magnitude = diff < 0 ? -diff : diff; magnitude != 0; magnitude >>= 1) ++category;
        }
        uint32_t code = 0;
        int length = 0;
        codeOf(category, code, length);
        bits.put(code, length);
        if (category == 0 || category == 16) return;
        const uint32_t extra = diff < 0 ? static_cast<uint32_t>(diff + (1 << category) - 1)
                                        : static_cast<uint32_t>(diff);
        bits.put(extra, category);
    }

    static void put16(std::vector<uint8_t>& out, int value) {
        out.push_back(static_cast<uint8_t>(value >> 8));
        out.push_back(static_cast<uint8_t>(value));
    }
    static void append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) out.push_back(b); // (insert() trips gcc 12's -Warray-bounds at -O3)
    }
};

} // namespace veltor::test
