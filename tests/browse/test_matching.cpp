// Name order of folder listings and the search's wildcard and date rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse/natural_sort.h"
#include "browse/search_criteria.h"

using namespace veltor::browse;

TEST(NaturalSort, NumbersDashesAndPrefixes) {
    std::vector<std::string> names = {"IM10", "IM2", "IM1", "IM101", "IM12", "b", "A"};
    naturalSort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "IM1", "IM2", "IM10", "IM12", "IM101", "b"}));
    // Dashes are passed over: 1-2-5 and 125 compare as equal.
    EXPECT_FALSE(sortsBefore("1-2-5", "125"));
    EXPECT_FALSE(sortsBefore("125", "1-2-5"));
    EXPECT_TRUE(sortsBefore("-a", "b"));
    // A prefix compares as equal, so such names keep their order.
    EXPECT_FALSE(sortsBefore("ABC", "ABCD"));
    EXPECT_FALSE(sortsBefore("ABCD", "ABC"));
    std::vector<std::string> kept = {"ABCD", "ABC", "AB"};
    naturalSort(kept);
    EXPECT_EQ(kept, (std::vector<std::string>{"ABCD", "ABC", "AB"}));
    // Inside a run of digits the whole numbers decide.
    EXPECT_TRUE(sortsBefore("IM1A", "IM10"));
    EXPECT_TRUE(sortsBefore("IM99", "IM100"));
    // Numbers longer than any integer type, empty names.
    EXPECT_TRUE(sortsBefore("F123456789012345678901234567890", "F123456789012345678901234567891"));
    EXPECT_TRUE(sortsBefore("", "a"));
}

TEST(NaturalSort, ManyNamesSortQuickly) {
    std::vector<std::string> names;
    for (int i = 100000; i > 0; --i)
        names.push_back("IM" + std::to_string(i));
    naturalSort(names);
    ASSERT_EQ(names.size(), 100000u);
    EXPECT_EQ(names.front(), "IM1");
    EXPECT_EQ(names[9], "IM10");
    EXPECT_EQ(names.back(), "IM100000");
}

TEST(Wildcard, Rules) {
    struct Case {
        const char* pattern;
        const char* value;
        bool match;
    };
    const Case cases[] = {
        {"DOE*", "DOE^JOHN", true},
        {"DOE", "DOE^JOHN", false},
        {"?OE^JOHN", "DOE^JOHN", true},
        {"A*B", "AXBYB", true},
        {"*N", "JOHN^JOHNNY", true},
        {"*JOHN", "JOHN^JOHNNY", false},
        {"doe^john", "DOE^JOHN", true},
        {"D?E", "DOE^", false},
        {"*", "", true},
        {"A*", "", false},
        {"*?", "", false},
        {"**X", "ABX", true},
        {"*?X", "ABX", false},
        {"J*N*Y", "JOHN^JOHNNY", true},
        {"A*C", "ABD", false},
        {"A*B?", "AXB", false},
        {"?", "AB", false},
        {"J?HN", "JOHN", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wildcardMatch(c.pattern, c.value), c.match) << c.pattern << " / " << c.value;
}

TEST(Wildcard, LongPatternsNeverBacktrack) {
    const std::string value(200000, 'A');
    std::string pattern;
    for (int i = 0; i < 50000; ++i)
        pattern += "*A";
    pattern += "B";
    EXPECT_FALSE(wildcardMatch(pattern, value));
    EXPECT_TRUE(wildcardMatch(std::string(100000, '*'), value));
}

TEST(DateRule, RangesAndMalformedDates) {
    EXPECT_TRUE(dateInRange("20040305", "20040101", ""));
    EXPECT_TRUE(dateInRange("2004.03.05", "20040101", ""));
    EXPECT_FALSE(dateInRange("20031231", "20040101", ""));
    EXPECT_TRUE(dateInRange("20031231", "", "20031231"));
    EXPECT_FALSE(dateInRange("20040101", "", "20031231"));
    EXPECT_TRUE(dateInRange("20040101", "20040101", "20040101"));
    EXPECT_FALSE(dateInRange("20040102", "20040101", "20040101"));
    EXPECT_FALSE(dateInRange("20040305", "2004", ""));   // four digits fail every file
    EXPECT_FALSE(dateInRange("200403", "20040101", "")); // short value
    EXPECT_TRUE(dateInRange("20040305", "", ""));
}

TEST(SearchCriteria, HeaderMatch) {
    SearchCriteria c;
    c.patientName = "  doe* ";
    c.dateFrom = "?";
    c.normalize();
    EXPECT_EQ(c.patientName, "DOE*");
    SearchValues v;
    v.hasPatientName = true;
    v.patientName = "DOE^JANE";
    EXPECT_TRUE(matches(c, v));
    v.hasPatientName = false; // an absent element never matches a criterion
    EXPECT_FALSE(matches(c, v));
    SearchCriteria none;
    EXPECT_TRUE(matches(none, v));
    SearchCriteria dated;
    dated.dateTo = "20001231";
    EXPECT_FALSE(matches(dated, v)); // no study date
    v.hasStudyDate = true;
    v.studyDate = "19991231";
    EXPECT_TRUE(matches(dated, v));
}
