#include "dicom_dictionary.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace veltor {

namespace {

constexpr uint32_t tagKey(uint16_t group, uint16_t element) {
    return (uint32_t{group} << 16) | element;
}

size_t boundedLength(const char* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n] != '\0') ++n;
    return n;
}

// Copies the entry's first VR (up to its NUL, at most two letters) into `vr`.
void copyFirstVr(const DictionaryEntry& entry, char (&vr)[4]) {
    size_t n = 0;
    while (n < 2 && entry.vrs[n] != '\0') {
        vr[n] = entry.vrs[n];
        ++n;
    }
    vr[n] = '\0';
}

// The UID rows ordered by UID text, ties kept in table order, so that a
// binary search finds the same row as a scan in table order would.
std::vector<size_t> makeUidOrder() {
    std::vector<size_t> order(kUidNameTableSize);
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [](size_t a, size_t b) {
        return std::strncmp(kUidNameTable[a].uid, kUidNameTable[b].uid, sizeof(UidNameEntry::uid)) < 0;
    });
    return order;
}

} // namespace

// The table is in ascending (group, element) order, so the first entry not
// below the tag is the first match a scan from the top would find.
const DictionaryEntry* findDictionaryEntry(uint16_t group, uint16_t element) {
    const uint32_t key = tagKey(group, element);
    const DictionaryEntry* begin = kDicomDictionary;
    const DictionaryEntry* end = kDicomDictionary + kDicomDictionarySize;
    const DictionaryEntry* it =
        std::lower_bound(begin, end, key, [](const DictionaryEntry& entry, uint32_t k) {
            return tagKey(entry.group, entry.element) < k;
        });
    if (it == end || it->group != group || it->element != element) return nullptr;
    return it;
}

bool lookupTagName(uint16_t group, uint16_t element, DicomElement& record) {
    const DictionaryEntry* entry = findDictionaryEntry(group, element);
    if (entry == nullptr) return false;
    const size_t n = boundedLength(entry->name, std::min(sizeof(entry->name), sizeof(record.name) - 1));
    std::memcpy(record.name, entry->name, n);
    record.name[n] = '\0';
    return true;
}

bool lookupTagVr(uint16_t group, uint16_t element, DicomElement& record) {
    const DictionaryEntry* entry = findDictionaryEntry(group, element);
    if (entry == nullptr) return false;
    copyFirstVr(*entry, record.vr);
    return true;
}

void refreshVr(DicomElement& record) {
    const DictionaryEntry* entry = findDictionaryEntry(record.group, record.element);
    if (entry != nullptr) {
        copyFirstVr(*entry, record.vr);
    } else {
        std::memcpy(record.vr, "  ", 3);
    }
}

const char* lookupUidName(const char* valueText) {
    if (valueText == nullptr) return nullptr;
    // A UID text longer than any row's field cannot match; comparing only the
    // field's width keeps the search within the table.
    if (boundedLength(valueText, sizeof(UidNameEntry::uid)) == sizeof(UidNameEntry::uid)) return nullptr;

    static const std::vector<size_t> order = makeUidOrder();
    const auto it = std::lower_bound(order.begin(), order.end(), valueText, [](size_t row, const char* text) {
        return std::strncmp(kUidNameTable[row].uid, text, sizeof(UidNameEntry::uid)) < 0;
    });
    if (it == order.end() || std::strncmp(kUidNameTable[*it].uid, valueText, sizeof(UidNameEntry::uid)) != 0) {
        return nullptr;
    }
    return kUidNameTable[*it].name;
}

} // namespace veltor
