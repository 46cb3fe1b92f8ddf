// The order in which folder listings show file names: runs of digits compare
// as numbers (IM2 before IM10) and '-' characters are passed over, so that
// 1-2-5 and 125 compare as equal.
#pragma once

#include <string>
#include <vector>

namespace veltor::browse {

// Whether `b` sorts before `a`. Names compare up to the last character of the
// shorter one, so a name that is a prefix of another compares as equal to it;
// other characters compare as signed 8-bit numbers.
bool sortsBefore(const std::string& b, const std::string& a);

// Sorts names ascending. Names that compare as equal keep their relative
// order; the time grows as n log n, so folders of any size sort quickly.
void naturalSort(std::vector<std::string>& names);

} // namespace veltor::browse
