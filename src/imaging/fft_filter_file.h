// Custom FFT filter files (".fft"): plain text, one gain a line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace veltor::fft {

// Files larger than this are refused unread (about two million values).
inline constexpr int64_t kMaxFilterFileBytes = 32 * 1024 * 1024;

// The text of a saved filter: the first n / 2 entries of `curve`, each as
// "%.5f\n" (always with a decimal point, whatever the locale).
std::string filterFileText(std::span<const double> curve);

// Parses whitespace-separated decimal numbers (a decimal comma is read as a
// point). Negative values become 0; when the largest value is above 0 every
// value is divided by it. False, with `values` empty, when a token is not a
// finite number or there is none.
bool parseFilterValues(std::string_view text, std::vector<double>& values);

// Resamples `values` to n / 2 entries by linear interpolation and mirrors
// them into a curve of n entries (entry n - 1 - i = entry i); the middle entry
// of an odd n is 0. Empty `values` give an empty curve.
std::vector<double> curveFromValues(std::span<const double> values, int32_t n);

// Reads a file into a curve of n entries. False when it cannot be read or
// holds no valid list of values.
bool loadFilterFile(const std::string& path, int32_t n, std::vector<double>& curve);
// False when the file cannot be created or written.
bool saveFilterFile(const std::string& path, std::span<const double> curve);

} // namespace veltor::fft
