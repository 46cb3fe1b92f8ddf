// Which identifying values anonymization removes: the 36 element choices, the
// private person-name rule and the two warnings, kept in the settings section
// "Anonymizing Options".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace veltor {

class SettingsStore;

inline constexpr char kAnonymizeSection[] = "Anonymizing Options";
inline constexpr char kPrivateTagsKey[] = "PrivateTags";
inline constexpr char kAttentionKey[] = "Attention";
inline constexpr char kAttention2Key[] = "Attention2";

// Shown before a run (and after a single copy) when identifying fields are kept.
inline constexpr char kCriticalFieldsWarning[] =
    "Some critical fields have not been removed from the file, because of anonymizing options. "
    "If desired, change the anonymizing options and anonymize the file again.";

// One element anonymization can blank: the settings key that controls it, the
// caption of its check box, its tag, and whether keeping it is worth a warning.
struct AnonymizedElement {
    const char* key;
    const char* caption;
    uint16_t group;
    uint16_t element;
    bool critical;
};

inline constexpr size_t kAnonymizedElementCount = 36;

// The 36 elements in the order of the options dialog.
extern const std::array<AnonymizedElement, kAnonymizedElementCount> kAnonymizedElements;

// Index into kAnonymizedElements of the element with this tag, or -1.
int anonymizedElementIndex(uint16_t group, uint16_t element);
// Index into kAnonymizedElements of the element with this settings key
// (compared exactly, as stored), or -1.
int anonymizedElementIndex(std::string_view key);

// The 39 choices in memory. A fresh record has every choice on, as a fresh
// settings store reads.
struct AnonymizeOptions {
    std::array<bool, kAnonymizedElementCount> remove{};
    bool privateTags = true; // blank person names in private elements and in nested items
    bool attention = true;   // warn when critical fields are kept
    bool attention2 = true;  // warn when the burned-in annotation flag is set

    AnonymizeOptions() { remove.fill(true); }

    // Reads all 39 keys; a missing key, or text under a key, reads as 1 (on).
    // Any non-zero integer counts as on.
    static AnonymizeOptions load(const SettingsStore& store);
    // Writes all 39 keys as 0 or 1.
    void save(SettingsStore& store) const;

    // "Check all" and "Uncheck all" of the options dialog: the 36 element
    // choices and the private-tags choice; the two warnings keep their state.
    void checkAll();
    void uncheckAll();

    // True when the critical-fields warning is due: it is enabled and at least
    // one of the six critical elements is kept.
    bool criticalWarningDue() const;

    // Whether the value of this top-level element is blanked.
    bool removes(uint16_t group, uint16_t element) const {
        const int index = anonymizedElementIndex(group, element);
        return index >= 0 && remove[static_cast<size_t>(index)];
    }
};

} // namespace veltor
