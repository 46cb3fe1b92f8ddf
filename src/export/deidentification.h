// What a run of the de-identification profile derives from the user's secret:
// replacement UIDs (the same UID always gets the same replacement, across the
// files of a run and across runs that share the key) and each patient's date
// shift. Without a key file a random key serves one run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltor {

struct AnonymizeOptions;

inline constexpr char kDefaultUidRoot[] = "2.25";
// Replacement UIDs keep at least this many random digits under their root;
// a UID too short for that under the chosen root falls back to 2.25, and one
// too short even for that gets what fits (and is counted as short).
inline constexpr size_t kUidMinimumDigits = 16;
// Key files are short secrets; anything larger is refused.
inline constexpr size_t kMaxKeyFileSize = size_t{1} << 20;
// Date shifts run from 1 to this many days into the past.
inline constexpr int kMaxDayShift = 3650;

// True when `root` is a UID root: components of digits separated by single
// dots, no component with a leading zero (but "0" itself), at most 40
// characters, no trailing dot.
bool isValidUidRoot(std::string_view root);
// True when `uid` is a UID: a root as above of 1 to 64 characters.
bool isValidUid(std::string_view uid);

class Deidentifier {
  public:
    // A run with this key and root (a valid root, without its trailing dot).
    Deidentifier(std::vector<uint8_t> key, std::string root, bool keepDates);

    // The key file and root of `options` (a random key when no file is
    // named); false with the reason in `error` when the key file is missing,
    // unreadable, empty or too large, or the root is not a UID root. Nothing
    // is written anywhere.
    static bool prepare(const AnonymizeOptions& options, Deidentifier& out, std::string& error);

    Deidentifier() = default;

    // The replacement of `uid`, exactly as long; `isShort` tells when the
    // length left fewer than kUidMinimumDigits random digits.
    std::string replacementUid(std::string_view uid, bool* isShort = nullptr) const;
    // The whole number of days (negative: into the past) by which the dates
    // of the patient identified by `patient` move.
    int dayShift(std::string_view patient) const;

    const std::string& root() const { return m_root; }
    bool keepDates() const { return m_keepDates; }

  private:
    std::vector<uint8_t> m_key;
    std::string m_root = kDefaultUidRoot;
    bool m_keepDates = false;
};

// Moves the dates of a DA value (one or more dates "YYYYMMDD" or "YYYY.MM.DD",
// separated by '\', or ranges with '-') by `days`, in place; padding stays.
// False, with `text` unchanged, when a date cannot be read or would leave the
// years 0001 to 9999.
bool shiftDateValue(char* text, size_t length, int days);
// The same for a DT value: each value's leading "YYYYMMDD" moves, the time
// and offset after it stay. A value with fewer than eight digits of date is
// refused.
bool shiftDateTimeValue(char* text, size_t length, int days);

} // namespace veltor
