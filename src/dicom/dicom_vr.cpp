#include "dicom_vr.h"

namespace veltor {

namespace {

struct VrRow {
    char name[3];
    bool text;
    VrLengthForm form;
    OddLengthRule odd;
};

constexpr VrRow kVrTable[26] = {
    {"AE", true, VrLengthForm::Short, OddLengthRule::PadSpaceCut16},
    {"AS", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"AT", false, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"CS", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"DA", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"DS", true, VrLengthForm::Short, OddLengthRule::RewriteThenSpace},
    {"DT", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"FD", false, VrLengthForm::Short, OddLengthRule::Unchanged},
    {"FL", false, VrLengthForm::Short, OddLengthRule::Unchanged},
    {"IS", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"LO", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"LT", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"OB", true, VrLengthForm::Long, OddLengthRule::PadNul},
    {"OW", true, VrLengthForm::Long, OddLengthRule::PadNul},
    {"PN", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"SH", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"SL", false, VrLengthForm::Short, OddLengthRule::Unchanged},
    {"SQ", true, VrLengthForm::Sequence, OddLengthRule::Unchanged},
    {"SS", false, VrLengthForm::Short, OddLengthRule::Unchanged},
    {"ST", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"TM", true, VrLengthForm::Short, OddLengthRule::PadSpace},
    {"UI", true, VrLengthForm::Short, OddLengthRule::PadNul},
    {"UL", false, VrLengthForm::Short, OddLengthRule::Unchanged},
    {"UN", true, VrLengthForm::Long, OddLengthRule::Unchanged},
    {"US", false, VrLengthForm::Short, OddLengthRule::Unchanged},
    {"UT", true, VrLengthForm::Short, OddLengthRule::PadSpace},
};

const VrRow* findVr(const char* vr) {
    if (vr == nullptr || vr[0] == '\0' || vr[1] == '\0' || vr[2] != '\0') return nullptr;
    for (const VrRow& row : kVrTable) {
        if (row.name[0] == vr[0] && row.name[1] == vr[1]) return &row;
    }
    return nullptr;
}

} // namespace

bool isKnownVr(const char* vr) { return findVr(vr) != nullptr; }

bool isTextVr(const char* vr) {
    const VrRow* row = findVr(vr);
    return row == nullptr || row->text;
}

VrLengthForm vrLengthForm(const char* vr) {
    const VrRow* row = findVr(vr);
    return row == nullptr ? VrLengthForm::Short : row->form;
}

OddLengthRule vrOddLengthRule(const char* vr) {
    const VrRow* row = findVr(vr);
    return row == nullptr ? OddLengthRule::Unchanged : row->odd;
}

} // namespace veltor
