#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "frame/k_arrays.h"
#include "frame/k_data.h"
#include "frame/k_math.h"
#include "frame/k_status.h"
#include "frame/k_string.h"
#include "host/sdk/host_output.h"

namespace {

TEST(KString, NumbersAppendAsShortestRoundTripText) {
    struct Case {
        KString built;
        const char* expected;
    };
    const Case cases[] = {
        {KString("n=") + 42, "n=42"},
        {KString() + -7, "-7"},
        {KString() + 0.1, "0.1"},
        {KString() + 0.1f, "0.1"},
        {KString() + 3.0, "3"},
        {KString() + 1e20, "1e+20"},
        {KString() + 2.5e-7, "2.5e-07"},
        {KString() + (1.0 / 3.0), "0.3333333333333333"},
        {KString() + static_cast<float>(1.0 / 3.0), "0.33333334"},
        {KString() + std::numeric_limits<double>::infinity(), "inf"},
        {KString() + -std::numeric_limits<double>::infinity(), "-inf"},
        {KString() + std::nan(""), "nan"},
        {KString("a") + 'b' + "c", "abc"},
        // Every integer width appends without ambiguity or truncation.
        {KString() + std::size_t{4000000000}, "4000000000"},
        {KString() + 9007199254740993LL, "9007199254740993"},
        {KString() + 18446744073709551615ULL, "18446744073709551615"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.built, c.expected) << c.expected;
    // Every double written reads back to itself.
    for (double v : {0.1, 1.0 / 7.0, 123456.789e-300, -2.0e300}) EXPECT_EQ((KString() + v).asDouble(), v);
}

// The significant digits of a number text: 3 for "-1.25e-07", 2 for "1200", 1 for "0".
int significantDigits(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c == 'e') break;
        if (c >= '0' && c <= '9') digits += c;
    }
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 1;
    digits.erase(0, first);
    // Trailing zeros ("1200") only place the point; they carry no precision.
    digits.erase(digits.find_last_not_of('0') + 1);
    return static_cast<int>(digits.size());
}

TEST(NumberText, ShortestTextThatReadsBackExactly) {
    const double values[] = {
        0.40208333333333335,  // needs all 17 digits
        1234.5678,
        1.015625,
        0.1,
        1.0 / 3.0,
        2.0 / 3.0,
        1e-300,
        -2.5e300,
        5e-324,                              // the smallest denormal
        2.2250738585072009e-308,             // the largest denormal
        std::numeric_limits<double>::min(),  // the smallest normal
        std::numeric_limits<double>::max(),
        std::nextafter(1.0, 2.0),  // 1 + one ulp
        -0.0,
        0.0,
        3.0,
        -7.0,
        1200.0,
        9007199254740993.0,  // above 2^53: the nearest double is 9007199254740992
    };
    for (double v : values) {
        const std::string text = numberText(v);
        double back = 0.0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(r.ptr, text.data() + text.size()) << text;
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text << " does not read back";
        // Shortest: one significant digit fewer no longer reads back.
        const int digits = significantDigits(text);
        if (digits > 1) {
            char shorter[64];
            const auto end = std::to_chars(shorter, shorter + sizeof shorter, v,
                                           std::chars_format::general, digits - 1);
            double read = 0.0;
            std::from_chars(shorter, end.ptr, read);
            EXPECT_NE(read, v) << text << " is longer than needed";
        }
    }
    // The forms a reader of a command text sees.
    EXPECT_EQ(numberText(0.40208333333333335), "0.40208333333333335");
    EXPECT_EQ(numberText(1234.5678), "1234.5678");
    EXPECT_EQ(numberText(1e-300), "1e-300");
    EXPECT_EQ(numberText(-0.0), "-0");
    EXPECT_EQ(numberText(3.0), "3");
    EXPECT_EQ(numberText(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(numberText(std::nan("")), "nan");
}

TEST(NumberText, FloatsAtFloatPrecision) {
    for (float v : {0.1f, 1.0f / 3.0f, 1234.5678f, 1e-45f, std::numeric_limits<float>::max(), -0.0f,
                    16777217.0f}) {
        const std::string text = numberText(v);
        float back = 0.0f;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
        // Not the double's digits: 0.1f is "0.1", not "0.10000000149011612".
        EXPECT_LE(significantDigits(text), 9) << text;
    }
    EXPECT_EQ(numberText(0.1f), "0.1");
    // A KString appends the same text.
    EXPECT_EQ((KString() + 0.40208333333333335).str(), numberText(0.40208333333333335));
    EXPECT_EQ((KString() + 0.1f).str(), numberText(0.1f));
}

TEST(KString, ConversionsAndPieces) {
    struct Case {
        const char* text;
        bool isInt, isDouble;
        int asInt;
        double asDouble;
    };
    const Case cases[] = {
        {"12", true, true, 12, 12.0},   {" -3 ", true, true, -3, -3.0},  {"+5", true, true, 5, 5.0},
        {"2.5", false, true, 0, 2.5},   {"1e3", false, true, 0, 1000.0}, {"abc", false, false, 0, 0.0},
        {"", false, false, 0, 0.0},     {"12x", false, false, 0, 0.0},   {"99999999999", false, true, 0, 99999999999.0},
    };
    for (const Case& c : cases) {
        KString s(c.text);
        EXPECT_EQ(s.isInt(), c.isInt) << c.text;
        EXPECT_EQ(s.isDouble(), c.isDouble) << c.text;
        EXPECT_EQ(s.asInt(), c.asInt) << c.text;
        EXPECT_EQ(s.asDouble(), c.asDouble) << c.text;
    }
    KStringArray parts;
    KString("a,,b,c,").split(',', parts);
    EXPECT_EQ(parts, KStringArray({"a", "b", "c"}));
    EXPECT_EQ(KString("hello").substring(1, 3), "ell");
    EXPECT_EQ(KString("hello").substring(3, 99), "lo");
    EXPECT_EQ(KString("hello").substring(4, 2), "");
    EXPECT_EQ(KString("a.b.c").index('.'), 1);
    EXPECT_EQ(KString("a.b.c").rindex('.'), 3);
    EXPECT_EQ(KString("abc").index('z'), -1);
    EXPECT_EQ(KString("h\xC3\xA9llo").numChars(), 5u);
    EXPECT_EQ(KString("h\xC3\xA9llo").length(), 6u);
    EXPECT_EQ(KString("MiXed").toLowerCase(), "mixed");
}

TEST(KStatus, CodesDescriptionsAndPerror) {
    struct Case {
        KStatus::KStatusCode code;
        const char* description;
    };
    const Case cases[] = {{KStatus::kSuccess, "Success"},
                          {KStatus::kFailure, "Unexpected Internal Failure"},
                          {KStatus::kInvalidParameter, "Invalid Parameter"},
                          {KStatus::kUnknownParameter, "Unknown Parameter"},
                          {KStatus::kNotFound, "Object Not Found"},
                          {KStatus::kEndOfFile, "End of File"}};
    for (const Case& c : cases) {
        KStatus s(c.code);
        EXPECT_EQ(s.errorString(), c.description);
        EXPECT_EQ(static_cast<bool>(s), c.code == KStatus::kSuccess);
        EXPECT_EQ(s.error(), c.code != KStatus::kSuccess);
        EXPECT_TRUE(s == c.code);
    }
    EXPECT_STREQ(KStatus::description(99), "Unknown Status Code");
    tarn::output::Capture capture;
    KStatus(KStatus::kFailure).perror("registerCommand");
    KStatus(KStatus::kInvalidParameter).perror(KString("step"));
    EXPECT_EQ(capture.errors(), "registerCommand: Unexpected Internal Failure\nstep: Invalid Parameter\n");
    EXPECT_EQ(capture.infos(), "");
}

TEST(KMath, MatricesUseRowVectors) {
    KMatrix t;
    t[3][0] = 1;
    t[3][1] = 2;
    t[3][2] = 3;
    KMatrix rz = KQuaternion(std::numbers::pi / 2, KVector::zAxis).asMatrix();
    // p * (R then T): rotate +x to +y, then translate.
    KPoint p = KPoint(1, 0, 0) * (rz * t);
    EXPECT_TRUE(p.isEquivalent(KPoint(1, 3, 3), 1e-12));
    EXPECT_TRUE(((rz * t) * (rz * t).inverse()).isEquivalent(KMatrix::identity, 1e-12));
    EXPECT_TRUE(KVector(1, 0, 0) * t == KVector(1, 0, 0));  // directions ignore translation
    KMatrix singular;
    singular[0][0] = 0;
    EXPECT_TRUE(singular.inverse() == KMatrix::identity);
    EXPECT_DOUBLE_EQ((rz * t).det4x4(), 1.0);

    KQuaternion a(0.3, KVector(1, 2, 3)), b(-1.1, KVector(0, 1, 0));
    EXPECT_TRUE((a * b).asMatrix().isEquivalent(a.asMatrix() * b.asMatrix(), 1e-12));
    EXPECT_TRUE((KVector(0, 1, 0) * KQuaternion(KVector(0, 1, 0), KVector(0, 0, -1)))
                    .isEquivalent(KVector(0, 0, -1), 1e-12));
}

TEST(KMath, TransformationMatrixComposesScaleRotateTranslate) {
    KTransformationMatrix tm;
    const double scale[3] = {2, 1, 1};
    tm.addScale(scale, KSpace::kObject);
    tm.rotateBy(KQuaternion(std::numbers::pi / 2, KVector::zAxis), KSpace::kWorld);
    tm.addTranslation(KVector(1, 0, 0), KSpace::kObject);  // object +x is world +y, scaled by 2
    EXPECT_TRUE(tm.getTranslation().isEquivalent(KVector(0, 2, 0), 1e-12));
    KPoint p = KPoint(1, 0, 0) * tm.asMatrix();
    EXPECT_TRUE(p.isEquivalent(KPoint(0, 4, 0), 1e-12));
    KTransformationMatrix back(tm.asMatrix());
    EXPECT_TRUE(back.asMatrix().isEquivalent(tm.asMatrix(), 1e-12));
}

TEST(KMath, BoundingBoxGrowsFromEmpty) {
    KBoundingBox box;
    EXPECT_TRUE(box.isEmpty());
    EXPECT_EQ(box.width(), 0.0);
    box.expand(KPoint(1, 2, 3));
    box.expand(KPoint(-1, 0, 5));
    EXPECT_EQ(box.width(), 2.0);
    EXPECT_EQ(box.height(), 2.0);
    EXPECT_EQ(box.depth(), 2.0);
    EXPECT_TRUE(box.center().isEquivalent(KPoint(0, 1, 4)));
    EXPECT_TRUE(box.contains(KPoint(0, 1, 4)));
    EXPECT_FALSE(box.contains(KPoint(0, 3, 4)));
}

TEST(KDataHandle, WritesRoundToTheLeafKind) {
    tarn::Cell cells[1];
    struct Case {
        tarn::CellKind kind;
        double written;
        double stored;
    };
    const Case cases[] = {
        {tarn::CellKind::kFloat, 0.1, static_cast<double>(0.1f)},
        {tarn::CellKind::kDouble, 0.1, 0.1},
        {tarn::CellKind::kInt, -2.7, -2.0},
        {tarn::CellKind::kInt, 1e30, 2147483647.0},
        {tarn::CellKind::kInt, std::nan(""), 0.0},
        {tarn::CellKind::kBool, 0.5, 1.0},
    };
    for (const Case& c : cases) {
        KDataHandle h(cells, 1, c.kind, static_cast<const tarn::ObjectImpl*>(nullptr), nullptr);
        h.set(c.written);
        EXPECT_EQ(cells[0].d, c.stored);
    }
    KDataHandle h(cells, 1, tarn::CellKind::kFloat, static_cast<const tarn::ObjectImpl*>(nullptr), nullptr);
    cells[0].d = 1e40;
    EXPECT_EQ(h.asInt(), 2147483647);
    EXPECT_EQ(h.asFloatVector(), KFloatVector(std::numeric_limits<float>::infinity(), 0, 0));
}

TEST(KArray, EditsCheckTheirIndex) {
    KIntArray a({1, 2, 3});
    EXPECT_TRUE(a.insert(9, 3));
    EXPECT_FALSE(a.insert(9, 9));
    EXPECT_TRUE(a.remove(0));
    EXPECT_FALSE(a.remove(10));
    EXPECT_EQ(a, KIntArray({2, 3, 9}));
    a.setLength(5);
    EXPECT_EQ(a[4], 0);
}

}  // namespace
