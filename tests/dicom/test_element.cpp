// Number conversions, VR classes and error messages of the element model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "dicom/dicom_element.h"
#include "dicom/dicom_error.h"
#include "dicom/dicom_vr.h"

using namespace veltor;

TEST(ParseIntegerString, IntegerForms) {
    EXPECT_EQ(parseIntegerString("   "), 0);
    EXPECT_EQ(parseIntegerString(""), 0);
    EXPECT_EQ(parseIntegerString("2047\\4095"), 2047);
    EXPECT_EQ(parseIntegerString("12\\34"), 12);
    EXPECT_EQ(parseIntegerString("  -40  "), -40);
    EXPECT_EQ(parseIntegerString("512"), 512);
    // atoi stops at the first blank inside the digits
    EXPECT_EQ(parseIntegerString("1 2"), 1);
    EXPECT_EQ(parseIntegerString("abc"), 0);
}

TEST(ParseIntegerString, DecimalFormsTruncateTowardZero) {
    EXPECT_EQ(parseIntegerString("-1024.5"), -1024);
    EXPECT_EQ(parseIntegerString("-3.7"), -3);
    EXPECT_EQ(parseIntegerString("3.7"), 3);
    EXPECT_EQ(parseIntegerString("1.5E2"), 150);
    EXPECT_EQ(parseIntegerString("+40"), 40);
    // the decimal cut stops at the value separator
    EXPECT_EQ(parseIntegerString("40.9\\400.2"), 40);
}

TEST(ParseIntegerString, OutOfRangeSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(parseIntegerString("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(parseIntegerString("-99999999999999999999"), INT32_MIN);
    EXPECT_EQ(parseIntegerString("1e300"), INT32_MAX);
    EXPECT_EQ(parseIntegerString("-1e300"), INT32_MIN);
    EXPECT_EQ(truncateToInt32(std::nan("")), 0);
}

TEST(ParseIntegerString, DoesNotModifyItsInput) {
    char text[] = "2047\\4095";
    parseIntegerString(text);
    parseDecimalString(text);
    EXPECT_STREQ(text, "2047\\4095");
}

TEST(ParseDecimalString, FirstValueAndFractions) {
    EXPECT_DOUBLE_EQ(parseDecimalString("0.5\\0.5"), 0.5);
    EXPECT_DOUBLE_EQ(parseDecimalString(" -1024 "), -1024.0);
    EXPECT_DOUBLE_EQ(parseDecimalString("1.25E1"), 12.5);
    EXPECT_DOUBLE_EQ(parseDecimalString(""), 0.0);
    EXPECT_DOUBLE_EQ(parseDecimalString("x1"), 0.0);
    // an overflowing value must not reach callers as an infinity
    EXPECT_DOUBLE_EQ(parseDecimalString("1e999"), 0.0);
}

TEST(ValueRepresentation, KnownAndTextClasses) {
    const char* known[] = {"AE", "AS", "AT", "CS", "DA", "DS", "DT", "FD", "FL", "IS", "LO", "LT", "OB",
                           "OW", "PN", "SH", "SL", "SQ", "SS", "ST", "TM", "UI", "UL", "UN", "US", "UT"};
    for (const char* vr : known) EXPECT_TRUE(isKnownVr(vr)) << vr;
    for (const char* vr : {"", "  ", "UC", "OF", "ob", "O", "OBX"}) EXPECT_FALSE(isKnownVr(vr)) << vr;

    for (const char* vr : {"AT", "FL", "FD", "SL", "SS", "UL", "US"}) EXPECT_FALSE(isTextVr(vr)) << vr;
    for (const char* vr : {"OB", "OW", "SQ", "UN", "UT", "PN", "", "  ", "XX"}) EXPECT_TRUE(isTextVr(vr)) << vr;
}

TEST(ValueRepresentation, LengthFormsAndOddLengthRules) {
    EXPECT_EQ(vrLengthForm("OB"), VrLengthForm::Long);
    EXPECT_EQ(vrLengthForm("UN"), VrLengthForm::Long);
    EXPECT_EQ(vrLengthForm("SQ"), VrLengthForm::Sequence);
    EXPECT_EQ(vrLengthForm("UT"), VrLengthForm::Short);
    EXPECT_EQ(vrLengthForm("??"), VrLengthForm::Short);

    EXPECT_EQ(vrOddLengthRule("AE"), OddLengthRule::PadSpaceCut16);
    EXPECT_EQ(vrOddLengthRule("DS"), OddLengthRule::RewriteThenSpace);
    EXPECT_EQ(vrOddLengthRule("UI"), OddLengthRule::PadNul);
    EXPECT_EQ(vrOddLengthRule("OB"), OddLengthRule::PadNul);
    EXPECT_EQ(vrOddLengthRule("AT"), OddLengthRule::PadSpace);
    EXPECT_EQ(vrOddLengthRule("UN"), OddLengthRule::Unchanged);
    EXPECT_EQ(vrOddLengthRule("US"), OddLengthRule::Unchanged);
    EXPECT_EQ(vrOddLengthRule("  "), OddLengthRule::Unchanged);
}

TEST(DicomErrorMessages, ExactTextsWithTrailingBlanks) {
    EXPECT_STREQ(dicomErrorText(DicomError::NoError), "No Error");
    EXPECT_STREQ(dicomErrorText(DicomError::OutOfMemory), "Memmory Allocation Error   ");
    EXPECT_STREQ(dicomErrorText(DicomError::FileIo), "File I/O Error   ");
    EXPECT_STREQ(dicomErrorText(DicomError::UnsupportedDicom), "Unsupported Dicom file format   ");
    EXPECT_STREQ(dicomErrorText(DicomError::UnknownFormat), "Unknown file format   ");
    EXPECT_STREQ(dicomErrorText(DicomError::CorruptedDicom), "Corrupted Dicom file   ");
    EXPECT_STREQ(dicomErrorText(DicomError::UnknownCompression), "Unknown Compression Scheme   ");
    EXPECT_STREQ(dicomErrorText(DicomError::FileNotFound), "File not fount");
    EXPECT_STREQ(dicomErrorText(DicomError::UnsupportedFile), "Unsupported file format   ");
    EXPECT_STREQ(dicomErrorText(DicomError::RetryImplicit), "");
}

TEST(DicomErrorMessages, CopyIsCutToTheBuffer) {
    char small[10];
    errorMessage(DicomError::OutOfMemory, small, sizeof small);
    EXPECT_STREQ(small, "Memmory A");
    char big[64];
    errorMessage(DicomError::FileIo, big, sizeof big);
    EXPECT_STREQ(big, "File I/O Error   ");
    char one[1] = {'x'};
    errorMessage(DicomError::FileIo, one, 1);
    EXPECT_EQ(one[0], '\0');
}

TEST(ElementStore, ValuesAreNulTerminatedCopies) {
    ElementStore store;
    const uint8_t* empty = store.copyValue(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], 0);

    const uint8_t odd[3] = {'A', 'B', 'C'};
    const uint8_t* v = store.copyValue(odd, 3);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::memcmp(v, "ABC", 4), 0);

    // a large value gets a block of its own and leaves the small ones intact
    std::string large(100000, 'x');
    const uint8_t* l = store.copyValue(reinterpret_cast<const uint8_t*>(large.data()), 100000);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l[99999], 'x');
    EXPECT_EQ(l[100000], 0);
    EXPECT_EQ(std::memcmp(v, "ABC", 4), 0);
}
