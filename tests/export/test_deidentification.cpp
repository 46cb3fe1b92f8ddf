// The keyed derivations of de-identification: SHA-256 and HMAC against
// published vectors, replacement UIDs (length, syntax, consistency, roots),
// date shifts (calendar edges, multiple values, ranges, refusals) and the
// preparation of a run (key files, roots).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "export/anonymize_options.h"
#include "export/deidentification.h"
#include "export/sha256.h"
#include "export_test_support.h"

using namespace veltor;
using veltor::testing::TempFolder;
using veltor::testing::writeFile;

namespace {

std::string hex(const Sha256Digest& d) {
    std::string out;
    char buf[3];
    for (uint8_t b : d) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out;
}

std::string sha(const std::string& text) {
    Sha256 h;
    // Fed in uneven pieces, so that block boundaries fall inside updates.
    for (size_t i = 0; i < text.size(); i += 7)
        h.update(std::string_view(text).substr(i, 7));
    return hex(h.finish());
}

std::string hmac(const std::string& key, const std::string& data) {
    HmacSha256 m(key.data(), key.size());
    m.update(data);
    return hex(m.finish());
}

TEST(Sha256, PublishedDigests) {
    EXPECT_EQ(sha(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(HmacSha256, Rfc4231Vectors) {
    EXPECT_EQ(hmac(std::string(20, '\x0b'), "Hi There"),
              "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
    EXPECT_EQ(hmac("Jefe", "what do ya want for nothing?"),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    // A key longer than a block is hashed first.
    EXPECT_EQ(
        hmac(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
        "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

Deidentifier run(const std::string& key, const std::string& root = kDefaultUidRoot,
                 bool keepDates = false) {
    return Deidentifier(std::vector<uint8_t>(key.begin(), key.end()), root, keepDates);
}

TEST(ReplacementUids, SameLengthValidDeterministicAndKeyed) {
    const Deidentifier a = run("first secret");
    const Deidentifier again = run("first secret");
    const Deidentifier b = run("second secret");
    std::set<std::string> seen;
    for (size_t n = 1; n <= 64; ++n) {
        // A UID of each length, as real files hold them: a root and digits.
        std::string uid = "1.2.840.113619.2.55.3.604688119.969.1268071029.320.";
        while (uid.size() < n)
            uid += static_cast<char>('1' + uid.size() % 9);
        uid.resize(n);
        if (uid.back() == '.') uid.back() = '7';
        const std::string r = a.replacementUid(uid);
        ASSERT_EQ(r.size(), n) << uid;
        EXPECT_TRUE(isValidUid(r)) << r;
        EXPECT_EQ(r, again.replacementUid(uid));
        if (n >= 6) {
            EXPECT_NE(r, b.replacementUid(uid)) << uid;
        }
        // 2.25 components stay below 2^128: at most 38 digits.
        size_t start = 0;
        while (start < r.size()) {
            size_t dot = r.find('.', start);
            if (dot == std::string::npos) dot = r.size();
            EXPECT_LE(dot - start, 38u) << r;
            start = dot + 1;
        }
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 64u);
}

TEST(ReplacementUids, RootsAndTheirFallbacks) {
    const std::string root = "1.2.826.0.1.3680043.10.543";
    const Deidentifier org = run("k", root);
    const std::string longUid = "1.2.840.10008.999.1.2.3.4.5.6.7.8.9.10.11.12.13.14.15";
    bool isShort = true;
    const std::string r = org.replacementUid(longUid, &isShort);
    EXPECT_EQ(r.rfind(root + ".", 0), 0u) << r;
    EXPECT_FALSE(isShort);
    // Too short for the organisation's root and 16 digits, long enough for
    // 2.25 and 16 digits.
    const std::string mid = "1.2.3.4.5.6.7.8.9.10.11.12";
    ASSERT_LT(mid.size(), root.size() + 17);
    const std::string m = org.replacementUid(mid, &isShort);
    EXPECT_EQ(m.rfind("2.25.", 0), 0u) << m;
    EXPECT_EQ(m.size(), mid.size());
    EXPECT_FALSE(isShort);
    // Shorter still: what fits, counted as short.
    const std::string s = org.replacementUid("1.2.3.4.5", &isShort);
    EXPECT_EQ(s.size(), 9u);
    EXPECT_TRUE(isValidUid(s)) << s;
    EXPECT_TRUE(isShort);
    // The root takes part in the derivation.
    EXPECT_NE(run("k").replacementUid(longUid).substr(5), r.substr(root.size() + 1));
}

TEST(ReplacementUids, ManyDistinctUidsStayDistinct) {
    const Deidentifier d = run("collision check");
    std::set<std::string> out;
    for (int i = 0; i < 20000; ++i)
        out.insert(d.replacementUid("1.2.840.113619.2.55.3." + std::to_string(100000 + i)));
    EXPECT_EQ(out.size(), 20000u);
}

TEST(UidRoots, Syntax) {
    for (const char* good : {"2.25", "1.2.826.0.1.3680043.10.543", "0", "1.0.3"})
        EXPECT_TRUE(isValidUidRoot(good)) << good;
    for (const char* bad : {"", "1..2", ".1", "1.", "1.02", "1.a", "1 2",
                            "12345678901234567890.12345678901234567890"})
        EXPECT_FALSE(isValidUidRoot(bad)) << bad;
}

std::string shifted(std::string value, int days, bool dateTime = false) {
    const bool ok = dateTime ? shiftDateTimeValue(value.data(), value.size(), days)
                             : shiftDateValue(value.data(), value.size(), days);
    return ok ? value : "refused:" + value;
}

TEST(DateShift, CalendarEdges) {
    EXPECT_EQ(shifted("20240301", -1), "20240229");
    EXPECT_EQ(shifted("20230301", -1), "20230228");
    EXPECT_EQ(shifted("21000301", -1), "21000228"); // not a leap year
    EXPECT_EQ(shifted("20000301", -1), "20000229"); // a leap year
    EXPECT_EQ(shifted("20000101", -1), "19991231");
    EXPECT_EQ(shifted("19991231", 1), "20000101");
    EXPECT_EQ(shifted("20240229", -3650), "20140303");
    EXPECT_EQ(shifted("2024.02.29", -1), "2024.02.28");
}

TEST(DateShift, ValuesRangesAndPaddingKeepTheirShape) {
    EXPECT_EQ(shifted("20240229\\20230101", -2), "20240227\\20221230");
    EXPECT_EQ(shifted("20240101-20240131", -1), "20231231-20240130");
    EXPECT_EQ(shifted("-20240131", -1), "-20240130");
    EXPECT_EQ(shifted(std::string("20240229  ", 10), -1), "20240228  ");
    EXPECT_EQ(shifted("20240229235959.123456+0100", -1, true), "20240228235959.123456+0100");
    EXPECT_EQ(shifted("20240229 ", -1, true), "20240228 ");
}

TEST(DateShift, UnreadableDatesAreRefusedUntouched) {
    for (const char* bad :
         {"2024022 ", "20241301", "20240230", "2024AB01", "", "        ", "2024", "00010101"})
        EXPECT_EQ(shifted(bad, -1), std::string("refused:") + bad) << bad;
    EXPECT_EQ(shifted("99991231", 1), "refused:99991231");
    for (const char* bad : {"2024", "202402", "20240229T1200", "20240229\\2023"})
        EXPECT_EQ(shifted(bad, -1, true), std::string("refused:") + bad) << bad;
}

TEST(DayShift, PerPatientWithinTenYearsIntoThePast) {
    const Deidentifier a = run("key A");
    const Deidentifier b = run("key B");
    std::set<int> shifts;
    int differ = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string patient = "PID-" + std::to_string(i);
        const int s = a.dayShift(patient);
        EXPECT_GE(s, -kMaxDayShift);
        EXPECT_LE(s, -1);
        EXPECT_EQ(s, run("key A").dayShift(patient));
        differ += s != b.dayShift(patient);
        shifts.insert(s);
    }
    EXPECT_GT(shifts.size(), 150u);
    EXPECT_GT(differ, 190);
}

TEST(PrepareRun, KeyFilesAndRootsAreCheckedBeforeAnythingElse) {
    TempFolder dir;
    AnonymizeOptions options;
    options.mode = AnonymizeMode::BasicProfile;
    Deidentifier d;
    std::string error;

    options.keyFile = dir / "missing.key";
    EXPECT_FALSE(Deidentifier::prepare(options, d, error));
    EXPECT_NE(error.find("missing.key: No such file or directory"), std::string::npos) << error;

    ASSERT_TRUE(writeFile(dir / "empty.key", {}));
    options.keyFile = dir / "empty.key";
    EXPECT_FALSE(Deidentifier::prepare(options, d, error));
    EXPECT_NE(error.find("is empty"), std::string::npos) << error;

    options.keyFile = dir.path();
    EXPECT_FALSE(Deidentifier::prepare(options, d, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;

    ASSERT_TRUE(writeFile(dir / "big.key", std::vector<uint8_t>(kMaxKeyFileSize + 1, 7)));
    options.keyFile = dir / "big.key";
    EXPECT_FALSE(Deidentifier::prepare(options, d, error));
    EXPECT_NE(error.find("larger than 1 MiB"), std::string::npos) << error;

    ASSERT_TRUE(writeFile(dir / "good.key", {'s', 'e', 'c', 'r', 'e', 't'}));
    options.keyFile = dir / "good.key";
    options.uidRoot = "1.02.3";
    EXPECT_FALSE(Deidentifier::prepare(options, d, error));
    EXPECT_NE(error.find("is not a UID root"), std::string::npos) << error;

    // A trailing dot on the root is accepted; the same key file gives the
    // same replacements, as does a run built from the key's bytes.
    options.uidRoot = "1.2.826.0.1.3680043.10.543.";
    ASSERT_TRUE(Deidentifier::prepare(options, d, error)) << error;
    EXPECT_EQ(d.root(), "1.2.826.0.1.3680043.10.543");
    const std::string uid = "1.2.840.113619.2.55.3.604688119.969.1268071029.320";
    EXPECT_EQ(d.replacementUid(uid),
              run("secret", "1.2.826.0.1.3680043.10.543").replacementUid(uid));

    // Without a key file every run draws its own key.
    options.keyFile.clear();
    Deidentifier r1, r2;
    ASSERT_TRUE(Deidentifier::prepare(options, r1, error));
    ASSERT_TRUE(Deidentifier::prepare(options, r2, error));
    EXPECT_NE(r1.replacementUid(uid), r2.replacementUid(uid));
}

} // namespace
