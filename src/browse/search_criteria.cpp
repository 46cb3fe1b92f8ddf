#include "search_criteria.h"

#include <cctype>

#include "dicom/dicom_file.h"

namespace veltor::browse {

namespace {

bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isWild(char c) {
    return c == '*' || c == '?';
}

std::string digitsOf(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c >= '0' && c <= '9') out.push_back(c);
    return out;
}

// Year, month and day compare in that order, which is the order of the first
// eight digits.
int compareDates(const std::string& a, const std::string& b) {
    return a.compare(0, 8, b, 0, 8);
}

bool readValue(const DicomFile& f, uint16_t group, uint16_t element, std::string& out) {
    DicomElement e;
    if (!f.findElementByTag(group, element, e)) return false;
    out = normalized(e.text());
    return true;
}

} // namespace

bool wildcardMatch(const std::string& p, const std::string& v) {
    const bool hasStar = p.find('*') != std::string::npos;
    const bool hasWild = hasStar || p.find('?') != std::string::npos;
    if (!hasWild && !equalNoCase(p, v)) return false;
    if (!hasStar && p.size() != v.size()) return false;
    if (equalNoCase(p, v)) return true;
    size_t i = 0, k = 0;
    while (i < p.size() && k < v.size()) {
        if (p[i] == '*') {
            while (i < p.size() && p[i] == '*')
                ++i;
            if (i == p.size()) return true;
            if (p[i] == '?') continue; // the star stands for nothing
            const size_t f = v.find(p[i], k);
            if (f == std::string::npos) return false;
            i += 1;
            k = f + 1;
            continue;
        }
        if (p[i] != '?' && p[i] != v[k]) return false;
        ++i;
        ++k;
        if (i == p.size() && k < v.size()) return false;
    }
    if (v.empty()) {
        for (char c : p)
            if (!isWild(c)) return false;
    }
    for (; i < p.size(); ++i)
        if (p[i] != '*') return false;
    return true;
}

bool dateInRange(const std::string& value, const std::string& from, const std::string& to) {
    const std::string v = digitsOf(value), f = digitsOf(from), t = digitsOf(to);
    if (v.size() < 8 || (!f.empty() && f.size() < 8) || (!t.empty() && t.size() < 8)) return false;
    if (!f.empty() && compareDates(v, f) < 0) return false;
    if (!t.empty() && compareDates(v, t) > 0) return false;
    return true;
}

std::string normalized(const std::string& text) {
    size_t b = 0, e = text.size();
    auto blank = [](char c) { return c == '\0' || std::isspace(static_cast<unsigned char>(c)); };
    while (b < e && blank(text[b]))
        ++b;
    while (e > b && blank(text[e - 1]))
        --e;
    std::string out = text.substr(b, e - b);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

void SearchCriteria::normalize() {
    for (std::string* s : {&patientName, &patientId, &physicianName, &studyId, &dateFrom, &dateTo})
        *s = normalized(*s);
}

bool SearchCriteria::ignored(const std::string& c) {
    return c.empty() || c == "*" || c == "?";
}

bool SearchCriteria::allIgnored() const {
    return ignored(patientName) && ignored(patientId) && ignored(physicianName) &&
           ignored(studyId) && ignored(dateFrom) && ignored(dateTo);
}

SearchValues searchValues(const DicomFile& f) {
    SearchValues v;
    v.hasPatientName = readValue(f, 0x0010, 0x0010, v.patientName);
    v.hasPatientId = readValue(f, 0x0010, 0x0020, v.patientId);
    v.hasPhysicianName = readValue(f, 0x0008, 0x1050, v.physicianName);
    v.hasStudyId = readValue(f, 0x0020, 0x0010, v.studyId);
    v.hasStudyDate = readValue(f, 0x0008, 0x0020, v.studyDate);
    return v;
}

bool matches(const SearchCriteria& c, const SearchValues& v) {
    if (c.allIgnored()) return true;
    const struct {
        const std::string& criterion;
        bool present;
        const std::string& value;
    } texts[] = {{c.patientName, v.hasPatientName, v.patientName},
                 {c.patientId, v.hasPatientId, v.patientId},
                 {c.physicianName, v.hasPhysicianName, v.physicianName},
                 {c.studyId, v.hasStudyId, v.studyId}};
    for (const auto& t : texts) {
        if (SearchCriteria::ignored(t.criterion)) continue;
        if (!t.present || !wildcardMatch(t.criterion, t.value)) return false;
    }
    if (!SearchCriteria::ignored(c.dateFrom) || !SearchCriteria::ignored(c.dateTo)) {
        if (!v.hasStudyDate) return false;
        const std::string from = SearchCriteria::ignored(c.dateFrom) ? std::string() : c.dateFrom;
        const std::string to = SearchCriteria::ignored(c.dateTo) ? std::string() : c.dateTo;
        if (!dateInRange(v.studyDate, from, to)) return false;
    }
    return true;
}

} // namespace veltor::browse
