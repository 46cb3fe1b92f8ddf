// Value representations: which VRs are known and how each is shown and stored.
#pragma once

namespace veltor {

// VR texts are compared as three bytes: two letters and the terminating NUL,
// so "OB " or "O" never match "OB".

// True for the 26 VRs this system recognises (the meta-header validity test).
bool isKnownVr(const char* vr);

// False for the binary numeric VRs AT, FL, FD, SL, SS, UL and US; true for every
// other VR text, known or not.
bool isTextVr(const char* vr);

enum class VrLengthForm {
    Short,    // 16-bit length
    Long,     // 16 reserved bits, then a 32-bit length (OB, OW, UN)
    Sequence, // SQ
};
VrLengthForm vrLengthForm(const char* vr);

// What storing a value of odd length in memory does to it.
enum class OddLengthRule {
    Unchanged,
    PadSpace,
    PadNul,
    PadSpaceCut16,    // AE: pad with a space, then cut to 16 bytes
    RewriteThenSpace, // DS: the value is rewritten first, then padded with a space
};
OddLengthRule vrOddLengthRule(const char* vr);

// True when vr is exactly the two letters `a` (compared with the NUL).
inline bool vrIs(const char* vr, const char* a) {
    return vr[0] == a[0] && vr[1] == a[1] && vr[2] == '\0' && a[2] == '\0';
}

} // namespace veltor
