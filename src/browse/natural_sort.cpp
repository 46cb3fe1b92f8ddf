#include "natural_sort.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace veltor::browse {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string withoutDashes(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '-') out.push_back(c);
    return out;
}

// Character at `i`, NUL past the end (as a C string reads).
signed char at(const std::string& s, std::ptrdiff_t i) {
    return i >= 0 && size_t(i) < s.size() ? static_cast<signed char>(s[size_t(i)]) : 0;
}

// Compares the digit runs starting at `i` in each name as numbers of any
// length: -1, 0 or 1.
int compareNumbers(const std::string& a, size_t i, const std::string& b, size_t j) {
    while (i < a.size() && a[i] == '0' && i + 1 < a.size() && isDigit(a[i + 1]))
        ++i;
    while (j < b.size() && b[j] == '0' && j + 1 < b.size() && isDigit(b[j + 1]))
        ++j;
    size_t ea = i, eb = j;
    while (ea < a.size() && isDigit(a[ea]))
        ++ea;
    while (eb < b.size() && isDigit(b[eb]))
        ++eb;
    if (ea - i != eb - j) return ea - i < eb - j ? -1 : 1;
    for (; i < ea; ++i, ++j)
        if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
    return 0;
}

// sortsBefore over names already stripped of their dashes.
bool strippedBefore(const std::string& b, const std::string& a) {
    const std::ptrdiff_t n = std::ptrdiff_t(std::min(a.size(), b.size())) - 1;
    std::ptrdiff_t i = 0;
    while (i < n && a[size_t(i)] == b[size_t(i)])
        ++i;
    // Inside a run of digits the whole numbers decide, not the digits from
    // the first difference on (IM12 before IM101).
    std::ptrdiff_t start = i;
    while (start > 0 && isDigit(a[size_t(start - 1)]))
        --start;
    const bool inRun = start < i;
    if ((isDigit(at(a, i)) && isDigit(at(b, i))) ||
        (inRun && (isDigit(at(a, i)) || isDigit(at(b, i))))) {
        const int c = compareNumbers(a, size_t(start), b, size_t(start));
        if (c != 0) return c > 0;
    }
    return at(b, i) < at(a, i);
}

} // namespace

bool sortsBefore(const std::string& b, const std::string& a) {
    return strippedBefore(withoutDashes(b), withoutDashes(a));
}

void naturalSort(std::vector<std::string>& names) {
    // Bottom-up merge sort: stable, and safe with an order under which a
    // prefix equals both of two names that differ.
    using Entry = std::pair<std::string, std::string>; // stripped key, name
    std::vector<Entry> items;
    items.reserve(names.size());
    for (std::string& n : names) {
        std::string key = withoutDashes(n);
        items.emplace_back(std::move(key), std::move(n));
    }
    std::vector<Entry> buffer(items.size());
    for (size_t width = 1; width < items.size(); width *= 2) {
        for (size_t lo = 0; lo < items.size(); lo += 2 * width) {
            const size_t mid = std::min(lo + width, items.size());
            const size_t hi = std::min(lo + 2 * width, items.size());
            size_t l = lo, r = mid, o = lo;
            while (l < mid && r < hi) {
                if (strippedBefore(items[r].first, items[l].first))
                    buffer[o++] = std::move(items[r++]);
                else
                    buffer[o++] = std::move(items[l++]);
            }
            while (l < mid)
                buffer[o++] = std::move(items[l++]);
            while (r < hi)
                buffer[o++] = std::move(items[r++]);
        }
        items.swap(buffer);
    }
    for (size_t i = 0; i < items.size(); ++i)
        names[i] = std::move(items[i].second);
}

} // namespace veltor::browse
