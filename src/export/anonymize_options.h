// Which identifying values anonymization removes: the 36 element choices, the
// private person-name rule and the two warnings, kept in the settings section
// "Anonymizing Options".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltor {

class SettingsStore;

inline constexpr char kAnonymizeSection[] = "Anonymizing Options";
inline constexpr char kPrivateTagsKey[] = "PrivateTags";
inline constexpr char kAttentionKey[] = "Attention";
inline constexpr char kAttention2Key[] = "Attention2";
// The de-identification profile's choices, kept in the same section.
inline constexpr char kProfileKey[] = "Profile";
inline constexpr char kUidRootKey[] = "UidRoot";
inline constexpr char kKeyFileKey[] = "KeyFile";
inline constexpr char kKeepDatesKey[] = "KeepDates";

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

// How a copy is anonymized.
enum class AnonymizeMode {
    ChosenFields, // the chosen elements (and private person names) blanked
    BasicProfile, // the basic de-identification profile (deidentification_profile.h)
};

// The choices in memory: the 39 of the options dialog and the profile's. A
// fresh record has every element choice on, as a fresh settings store reads,
// and the chosen-fields mode.
struct AnonymizeOptions {
    std::array<bool, kAnonymizedElementCount> remove{};
    bool privateTags = true; // blank person names in private elements and in nested items
    bool attention = true;   // warn when critical fields are kept
    bool attention2 = true;  // warn when the burned-in annotation flag is set
    AnonymizeMode mode = AnonymizeMode::ChosenFields;
    std::string uidRoot;     // root of replacement UIDs; empty for 2.25
    std::string keyFile;     // the secret behind UIDs and date shifts; empty for a key per run
    bool keepDates = false;  // dates kept instead of shifted

    AnonymizeOptions() { remove.fill(true); }

    // Reads all 39 keys; a missing key, or text under a key, reads as 1 (on).
    // Any non-zero integer counts as on. The profile's keys read as the
    // chosen-fields mode, no root, no key file and dates shifted when absent.
    static AnonymizeOptions load(const SettingsStore& store);
    // Writes all 39 keys as 0 or 1, and the profile's.
    void save(SettingsStore& store) const;

    // "Check all" and "Uncheck all" of the options dialog: the 36 element
    // choices and the private-tags choice; the two warnings keep their state.
    void checkAll();
    void uncheckAll();

    // True when the critical-fields warning is due: it is enabled, the
    // chosen fields apply, and at least one of the six critical elements is kept.
    bool criticalWarningDue() const;

    bool profile() const { return mode == AnonymizeMode::BasicProfile; }

    // Whether the value of this top-level element is blanked.
    bool removes(uint16_t group, uint16_t element) const {
        const int index = anonymizedElementIndex(group, element);
        return index >= 0 && remove[static_cast<size_t>(index)];
    }
};

} // namespace veltor
