#include "anonymize_options.h"

#include "settings/settings_store.h"

namespace veltor {

// Keys are stored exactly as users' existing settings spell them, including
// "InsttutionName".
const std::array<AnonymizedElement, kAnonymizedElementCount> kAnonymizedElements = {{
    {"PatientsName", "Patient\u2019s Name", 0x0010, 0x0010, true},
    {"PatientsID", "Patient ID", 0x0010, 0x0020, false},
    {"BirthDate", "Patient\u2019s Birth Date", 0x0010, 0x0030, false},
    {"BirthTime", "Patient\u2019s Birth Time", 0x0010, 0x0032, false},
    {"PatientsSex", "Patient\u2019s Sex", 0x0010, 0x0040, false},
    {"OtherPatientID", "Other Patient IDs", 0x0010, 0x1000, false},
    {"OtherPatientName", "Other Patient Names", 0x0010, 0x1001, true},
    {"BirthName", "Patient's Birth Name", 0x0010, 0x1005, true},
    {"Age", "Patient\u2019s Age", 0x0010, 0x1010, false},
    {"PatientsSize", "Patient\u2019s Size", 0x0010, 0x1020, false},
    {"PatientsWeight", "Patient\u2019s Weight", 0x0010, 0x1030, false},
    {"PatientsAddress", "Patient's Address", 0x0010, 0x1040, true},
    {"MothersName", "Patient's Mother Birth Name", 0x0010, 0x1060, true},
    {"PatientsPhone", "Patient\u2019s Phone Numbers", 0x0010, 0x2154, true},
    {"EthnicGroup", "Ethnic Group", 0x0010, 0x2160, false},
    {"Occupation", "Occupation", 0x0010, 0x2180, false},
    {"PatientsHistory", "Patient\u2019s History", 0x0010, 0x21B0, false},
    {"PatientComments", "Patient Comments", 0x0010, 0x4000, false},
    {"Accession", "Accession Number", 0x0008, 0x0050, false},
    {"InsttutionName", "Institution Name", 0x0008, 0x0080, false},
    {"InstitutionAddress", "Institution Address", 0x0008, 0x0081, false},
    {"Referring", "Referring Physician", 0x0008, 0x0090, false},
    {"StationName", "Station Name", 0x0008, 0x1010, false},
    {"StudyDesc", "Study Description", 0x0008, 0x1030, false},
    {"SeriesDesc", "Series Description", 0x0008, 0x103E, false},
    {"DepartmentName", "Department Name", 0x0008, 0x1040, false},
    {"Records", "Record's Physician", 0x0008, 0x1048, false},
    {"Performer", "Performing Physician", 0x0008, 0x1050, false},
    {"ReadingDoc", "Reading Study Physician", 0x0008, 0x1060, false},
    {"Operator", "Operators' Name", 0x0008, 0x1070, false},
    {"Diagnoses", "Admitting Diagnoses Desc.", 0x0008, 0x1080, false},
    {"DerivationDesc", "Derivation Description", 0x0008, 0x2111, false},
    {"ProtocolName", "Protocol Name", 0x0018, 0x1030, false},
    {"DeviceSerialNum", "Device Serial Number", 0x0018, 0x1000, false},
    {"StudyID", "Study ID", 0x0020, 0x0010, false},
    {"ImageComments", "Image Comments", 0x0020, 0x4000, false},
}};

int anonymizedElementIndex(uint16_t group, uint16_t element) {
    // Every element of the table lies in one of these four groups; most
    // elements of a data set are rejected by this test alone.
    if (group != 0x0008 && group != 0x0010 && group != 0x0018 && group != 0x0020) return -1;
    for (size_t i = 0; i < kAnonymizedElements.size(); ++i) {
        if (kAnonymizedElements[i].group == group && kAnonymizedElements[i].element == element)
            return static_cast<int>(i);
    }
    return -1;
}

int anonymizedElementIndex(std::string_view key) {
    for (size_t i = 0; i < kAnonymizedElements.size(); ++i) {
        if (key == kAnonymizedElements[i].key) return static_cast<int>(i);
    }
    return -1;
}

AnonymizeOptions AnonymizeOptions::load(const SettingsStore& store) {
    AnonymizeOptions options;
    for (size_t i = 0; i < kAnonymizedElements.size(); ++i)
        options.remove[i] = store.readInt(kAnonymizeSection, kAnonymizedElements[i].key, 1) != 0;
    options.privateTags = store.readInt(kAnonymizeSection, kPrivateTagsKey, 1) != 0;
    options.attention = store.readInt(kAnonymizeSection, kAttentionKey, 1) != 0;
    options.attention2 = store.readInt(kAnonymizeSection, kAttention2Key, 1) != 0;
    options.mode = store.readInt(kAnonymizeSection, kProfileKey, 0) == 1 ? AnonymizeMode::BasicProfile
                                                                        : AnonymizeMode::ChosenFields;
    options.uidRoot = store.readText(kAnonymizeSection, kUidRootKey, "");
    options.keyFile = store.readText(kAnonymizeSection, kKeyFileKey, "");
    options.keepDates = store.readInt(kAnonymizeSection, kKeepDatesKey, 0) != 0;
    return options;
}

void AnonymizeOptions::save(SettingsStore& store) const {
    for (size_t i = 0; i < kAnonymizedElements.size(); ++i)
        store.writeInt(kAnonymizeSection, kAnonymizedElements[i].key, remove[i] ? 1 : 0);
    store.writeInt(kAnonymizeSection, kPrivateTagsKey, privateTags ? 1 : 0);
    store.writeInt(kAnonymizeSection, kAttentionKey, attention ? 1 : 0);
    store.writeInt(kAnonymizeSection, kAttention2Key, attention2 ? 1 : 0);
    store.writeInt(kAnonymizeSection, kProfileKey, profile() ? 1 : 0);
    store.writeText(kAnonymizeSection, kUidRootKey, uidRoot);
    store.writeText(kAnonymizeSection, kKeyFileKey, keyFile);
    store.writeInt(kAnonymizeSection, kKeepDatesKey, keepDates ? 1 : 0);
}

void AnonymizeOptions::checkAll() {
    remove.fill(true);
    privateTags = true;
}

void AnonymizeOptions::uncheckAll() {
    remove.fill(false);
    privateTags = false;
}

bool AnonymizeOptions::criticalWarningDue() const {
    // The profile removes every critical element.
    if (!attention || profile()) return false;
    for (size_t i = 0; i < kAnonymizedElements.size(); ++i) {
        if (kAnonymizedElements[i].critical && !remove[i]) return true;
    }
    return false;
}

} // namespace veltor
