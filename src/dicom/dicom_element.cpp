#include "dicom_element.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace veltor {

namespace {

constexpr size_t kBlockSize = 64 * 1024;
// Values at least this large get a block of their own so that small values
// keep filling the current block.
constexpr size_t kLargeValue = kBlockSize / 4;

bool isNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == ' ' || c == '+' || c == '-' || c == '.' || c == 'E' ||
           c == 'e';
}

// Copies the leading run of characters accepted by `keep` (at most 63) into
// `out` and NUL-terminates it. Long numeric texts are cut, which only loses
// digits beyond any precision a DICOM IS or DS value can carry.
template <typename Keep>
void copyPrefix(const char* text, char (&out)[64], Keep keep) {
    size_t n = 0;
    while (text[n] != '\0' && n < sizeof out - 1 && keep(text[n])) {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
}

} // namespace

void* ElementStore::allocate(size_t size, size_t align) {
    if (size >= kLargeValue) {
        auto block = std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
        if (!block) return nullptr;
        uint8_t* p = block.get();
        m_blocks.push_back(std::move(block));
        m_bytesHeld += size;
        return p;
    }
    size_t pad = (align - reinterpret_cast<uintptr_t>(m_cursor) % align) % align;
    if (m_cursor == nullptr || pad + size > m_left) {
        auto block = std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[kBlockSize]);
        if (!block) return nullptr;
        m_cursor = block.get();
        m_left = kBlockSize;
        m_blocks.push_back(std::move(block));
        m_bytesHeld += kBlockSize;
        pad = (align - reinterpret_cast<uintptr_t>(m_cursor) % align) % align;
    }
    uint8_t* p = m_cursor + pad;
    m_cursor = p + size;
    m_left -= pad + size;
    return p;
}

uint8_t* ElementStore::copyValue(const uint8_t* bytes, uint32_t length) {
    auto* p = static_cast<uint8_t*>(allocate(size_t{length} + 1, 1));
    if (p == nullptr) return nullptr;
    if (length > 0 && bytes != nullptr) std::memcpy(p, bytes, length);
    p[length] = 0;
    return p;
}

const char* ElementStore::copyText(const char* text) {
    const size_t n = std::strlen(text);
    auto* p = static_cast<char*>(allocate(n + 1, 1));
    if (p == nullptr) return nullptr;
    std::memcpy(p, text, n + 1);
    return p;
}

const DicomElement* ElementStore::copyElements(const DicomElement* records, size_t count) {
    if (count == 0) return nullptr;
    auto* p = static_cast<DicomElement*>(
        allocate(count * sizeof(DicomElement), alignof(DicomElement)));
    if (p == nullptr) return nullptr;
    for (size_t i = 0; i < count; ++i) new (p + i) DicomElement(records[i]);
    return p;
}

void ElementStore::clear() {
    m_blocks.clear();
    m_cursor = nullptr;
    m_left = 0;
    m_bytesHeld = 0;
}

int32_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value); // truncates toward zero
}

int32_t parseIntegerString(const char* text) {
    if (text == nullptr) return 0;
    while (*text == ' ') ++text;
    if (*text == '\0') return 0;

    const char* p = text;
    while ((*p >= '0' && *p <= '9') || *p == ' ' || *p == '-') ++p;

    char buffer[64];
    if (*p == '+' || *p == '.' || *p == 'E' || *p == 'e') {
        copyPrefix(text, buffer, isNumberChar);
        return truncateToInt32(std::atof(buffer));
    }
    // Integer form: the text up to the first other character, read like atoi
    // but without its undefined behaviour on overflow.
    const size_t n = static_cast<size_t>(p - text) < sizeof buffer - 1
                         ? static_cast<size_t>(p - text)
                         : sizeof buffer - 1;
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    const long long v = std::strtoll(buffer, nullptr, 10);
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

double parseDecimalString(const char* text) {
    if (text == nullptr) return 0.0;
    char buffer[64];
    copyPrefix(text, buffer, isNumberChar);
    const double v = std::atof(buffer);
    return std::isfinite(v) ? v : 0.0;
}

} // namespace veltor
