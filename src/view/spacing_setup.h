// The values of "Pixel spacing and slice thikness": the document's pixel
// spacing (horizontal = along a row, vertical = along a column) and slice
// thickness as the dialog shows and reads them.
#pragma once

#include <optional>
#include <string>

namespace veltor {

class CKelvoDoc;

struct SpacingValues {
    double horizontal = 1.0; // pixelSpacingColumn
    double vertical = 1.0;   // pixelSpacingRow
    double thickness = 0.0;
    friend bool operator==(const SpacingValues&, const SpacingValues&) = default;
};

// The shortest decimal text that reads back as exactly `v` ("0.5", "1",
// "0.703125").
std::string shortestDecimal(double v);
// A typed number (blanks around it allowed, a decimal comma taken as a
// point); nothing when the text is not a finite number.
std::optional<double> parseDecimal(const std::string& text);

// What the dialog opens with: the current values, a spacing that is not
// usable shown as 1.
SpacingValues currentSpacing(const CKelvoDoc& doc);
// The values as read from the file; "From Header" is offered only when none
// of them is 0.
SpacingValues spacingAsRead(const CKelvoDoc& doc);
bool fromHeaderAvailable(const CKelvoDoc& doc);
// OK: stores the values. A spacing that is zero, negative or absurd makes
// both spacings 1 (lengths then count pixels); a thickness that is negative
// or absurd is stored as 0 (no volumes).
void storeSpacing(CKelvoDoc& doc, const SpacingValues& values);

} // namespace veltor
