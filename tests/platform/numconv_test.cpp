#include "platform/numconv.h"

#include "decimal_comma_locale.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <random>
#include <string>

namespace {

struct StrToDCase {
    const char* text;
    double value;
    int consumed;   // characters converted, 0 when nothing converts
    bool rangeError;
};

const StrToDCase kStrToDCases[] = {
    {" 12.5e3xyz", 12500.0, 7, false},
    {"1e", 1.0, 1, false},
    {"1e+", 1.0, 1, false},
    {"2E-x", 2.0, 1, false},
    {".5", 0.5, 2, false},
    {"-.5e-1", -0.05, 6, false},
    {"+3.", 3.0, 3, false},
    {"\t\n\v\f\r 7", 7.0, 7, false},
    {"1,5", 1.0, 1, false},
    {"1.5,7", 1.5, 3, false},
    {"-0", -0.0, 2, false},
    {"0x10", 0.0, 1, false},
    {"inf", 0.0, 0, false},
    {"-infinity", 0.0, 0, false},
    {"nan", 0.0, 0, false},
    {"", 0.0, 0, false},
    {"   ", 0.0, 0, false},
    {".", 0.0, 0, false},
    {"-", 0.0, 0, false},
    {"+.e5", 0.0, 0, false},
    {"e5", 0.0, 0, false},
    {"- 5", 0.0, 0, false},
    {"1d5", 1.0, 1, false},
    {"0.1", 0.1, 3, false},
    {"9007199254740993", 9007199254740992.0, 16, false},  // ties to even
    {"123456789012345678901234567890", 1.2345678901234568e29, 30, false},
    {"0.30000000000000004441", 0.30000000000000004, 22, false},
    {"1.7976931348623157e308", DBL_MAX, 22, false},
    {"2.2250738585072014e-308", DBL_MIN, 23, false},
    {"0.000001e310", 1e304, 12, false},
    {"0e999999", 0.0, 8, false},
    {"1e400", HUGE_VAL, 5, true},
    {"-1e400", -HUGE_VAL, 6, true},
    {"10000e305", HUGE_VAL, 9, true},
    {"1e99999999999999999999", HUGE_VAL, 22, true},
    {"1e-400", 0.0, 6, true},
    {"-1e-400", -0.0, 7, true},
    {"0.0001e-320", 0.0, 11, true},
    {"1e-310", 0.0, 6, true},  // subnormal: counts as an underflow
    {"1e-99999999999999999999", 0.0, 23, true},
};

void CheckStrToDTable() {
    for (const auto& c : kStrToDCases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        const char* end = reinterpret_cast<const char*>(1);
        bool rangeError = !c.rangeError;
        double v = kv::StrToD(c.text, &end, &rangeError);
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(std::signbit(v), std::signbit(c.value));
        EXPECT_EQ(end - c.text, c.consumed);
        EXPECT_EQ(rangeError, c.rangeError);
        EXPECT_EQ(kv::AtoF(c.text), v);
        // Without the optional outputs.
        EXPECT_EQ(kv::StrToD(c.text), v);
    }
}

TEST(NumConv, StrToDTableUnderEveryLocale) {
    kvtest::UnderDecimalCommaLocaleToo(CheckStrToDTable);
}

// The hand-made fast path and the general path must agree bit for bit with a
// correctly rounding C-locale strtod over all kinds of decimal input.
TEST(NumConv, StrToDRoundsLikeCLocaleStrtod) {
    locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    ASSERT_NE(c, locale_t(0));
    std::mt19937_64 rng(12345);
    auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s.push_back(char('0' + rng() % 10));
        return s;
    };
    for (int i = 0; i < 200000; ++i) {
        std::string s;
        if (rng() % 2) s += '-';
        s += digits(int(rng() % 20));
        if (rng() % 2) s += '.' + digits(int(rng() % 20));
        if (rng() % 2) s += 'e' + std::to_string(int(rng() % 700) - 350);
        const char* end1;
        double got = kv::StrToD(s.c_str(), &end1);
        char* end2;
        double want = strtod_l(s.c_str(), &end2, c);
        if (std::fabs(want) < DBL_MIN) want = std::signbit(want) ? -0.0 : 0.0;
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0)
            << s << ": " << got << " instead of " << want;
        ASSERT_EQ(end1, end2) << s;
    }
    freelocale(c);
}

TEST(NumConv, LongDigitRuns) {
    struct Case {
        std::string text;
        double value;
        bool rangeError;
    };
    const Case cases[] = {
        {std::string(100000, '1'), HUGE_VAL, true},
        {"0." + std::string(400, '0') + "1", 0.0, true},
        {"-0." + std::string(100000, '0'), -0.0, false},
        {"1" + std::string(400, '0') + "e-400", 1.0, false},
        {"0." + std::string(300, '0') + "1e301", 1.0, false},
        {"1." + std::string(5000, '0') + "1", 1.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        const char* end = nullptr;
        bool rangeError = !c.rangeError;
        double v = kv::StrToD(c.text.c_str(), &end, &rangeError);
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(std::signbit(v), std::signbit(c.value));
        EXPECT_EQ(end, c.text.c_str() + c.text.size());
        EXPECT_EQ(rangeError, c.rangeError);
    }
}

TEST(NumConv, AtoIAndAtoLL) {
    kvtest::UnderDecimalCommaLocaleToo([] {
        struct Case {
            const char* text;
            long long value;
        };
        const Case intCases[] = {
            {"12abc", 12}, {"-360", -360}, {" \t+7", 7}, {"-1", -1}, {"abc", 0},
            {"", 0}, {"- 5", 0}, {"1.9", 1}, {"1,9", 1}, {"0x1F", 0}, {"007", 7},
            {"2147483647", INT_MAX}, {"2147483648", INT_MAX},
            {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN},
            {"99999999999999999999999", INT_MAX}, {"-99999999999999999999999", INT_MIN},
        };
        for (const auto& c : intCases) EXPECT_EQ(kv::AtoI(c.text), c.value) << c.text;

        const Case llCases[] = {
            {"12abc", 12}, {"-360", -360},
            {"9223372036854775807", LLONG_MAX}, {"9223372036854775808", LLONG_MAX},
            {"-9223372036854775808", LLONG_MIN}, {"-9223372036854775809", LLONG_MIN},
            {"123456789012345678901234567890", LLONG_MAX},
        };
        for (const auto& c : llCases) EXPECT_EQ(kv::AtoLL(c.text), c.value) << c.text;
        EXPECT_EQ(kv::AtoI(nullptr), 0);
        EXPECT_EQ(kv::AtoF(nullptr), 0.0);
    });
}

}  // namespace
