#include "dicom_dictionary.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace veltor {

namespace {

constexpr uint32_t tagKey(uint16_t group, uint16_t element) {
    return (uint32_t{group} << 16) | element;
}

// Length of a text that may end before `limit` bytes: reads no byte past its NUL.
size_t boundedLength(const char* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n] != '\0') ++n;
    return n;
}

// Length of the text in a fixed-size field of `size` bytes, all of them readable.
size_t fieldLength(const char* field, size_t size) {
    const void* nul = std::memchr(field, '\0', size);
    return nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size;
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

// The tags of the dictionary rows as 32-bit keys, in table order: a compact
// copy that a binary search walks without touching the wide rows.
const std::vector<uint32_t>& tagKeys() {
    static const std::vector<uint32_t> keys = [] {
        std::vector<uint32_t> k(kDicomDictionarySize);
        for (size_t i = 0; i < k.size(); ++i) k[i] = tagKey(kDicomDictionary[i].group, kDicomDictionary[i].element);
        return k;
    }();
    return keys;
}

// The UID rows ordered by UID text, ties kept in table order, so that a
// binary search finds the same row as a scan in table order would; and the
// length of the text all rows share ("1.2.840.10008."), which rejects the
// instance UIDs of real data sets after one comparison.
struct UidIndex {
    std::vector<size_t> order;
    size_t commonPrefix = 0;
};

const UidIndex& uidIndex() {
    static const UidIndex index = [] {
        UidIndex built;
        built.order.resize(kUidNameTableSize);
        for (size_t i = 0; i < built.order.size(); ++i) built.order[i] = i;
        std::stable_sort(built.order.begin(), built.order.end(), [](size_t a, size_t b) {
            return std::strncmp(kUidNameTable[a].uid, kUidNameTable[b].uid, sizeof(UidNameEntry::uid)) < 0;
        });
        if (kUidNameTableSize > 0) {
            const char* first = kUidNameTable[0].uid;
            size_t prefix = fieldLength(first, sizeof(UidNameEntry::uid));
            for (size_t i = 1; i < kUidNameTableSize; ++i) {
                size_t same = 0;
                while (same < prefix && kUidNameTable[i].uid[same] == first[same]) ++same;
                prefix = same;
            }
            built.commonPrefix = prefix;
        }
        return built;
    }();
    return index;
}

} // namespace

// The table is in ascending (group, element) order, so the first entry not
// below the tag is the first match a scan from the top would find.
const DictionaryEntry* findDictionaryEntry(uint16_t group, uint16_t element) {
    const uint32_t key = tagKey(group, element);
    const std::vector<uint32_t>& keys = tagKeys();
    const auto it = std::lower_bound(keys.begin(), keys.end(), key);
    if (it == keys.end() || *it != key) return nullptr;
    return &kDicomDictionary[static_cast<size_t>(it - keys.begin())];
}

bool lookupTagName(uint16_t group, uint16_t element, DicomElement& record) {
    const DictionaryEntry* entry = findDictionaryEntry(group, element);
    if (entry == nullptr) return false;
    const size_t n = fieldLength(entry->name, std::min(sizeof(entry->name), sizeof(record.name) - 1));
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
    if (valueText == nullptr || kUidNameTableSize == 0) return nullptr;
    // A UID text longer than any row's field cannot match; comparing only the
    // field's width keeps the search within the table.
    if (boundedLength(valueText, sizeof(UidNameEntry::uid)) == sizeof(UidNameEntry::uid)) return nullptr;

    const UidIndex& index = uidIndex();
    if (std::strncmp(valueText, kUidNameTable[0].uid, index.commonPrefix) != 0) return nullptr;
    const std::vector<size_t>& order = index.order;
    const auto it = std::lower_bound(order.begin(), order.end(), valueText, [](size_t row, const char* text) {
        return std::strncmp(kUidNameTable[row].uid, text, sizeof(UidNameEntry::uid)) < 0;
    });
    if (it == order.end() || std::strncmp(kUidNameTable[*it].uid, valueText, sizeof(UidNameEntry::uid)) != 0) {
        return nullptr;
    }
    return kUidNameTable[*it].name;
}

} // namespace veltor
