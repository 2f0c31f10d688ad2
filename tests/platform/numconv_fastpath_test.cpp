// The short forms StrToD converts on its fast path must give exactly what the
// general conversion gives: the correctly rounded double and the same end.
#include "platform/numconv.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

// The reference: from_chars is exact and takes no leading '+' or blanks.
void ExpectAsReference(const std::string& text) {
    std::size_t skip = 0;
    while (skip < text.size() && (text[skip] == ' ' || text[skip] == '\t')) ++skip;
    if (skip < text.size() && text[skip] == '+') ++skip;
    double expected = 0;
    const char* first = text.c_str() + skip;
    auto r = std::from_chars(first, text.c_str() + text.size(), expected, std::chars_format::general);
    const char* end = nullptr;
    const double got = kv::StrToD(text.c_str(), &end);
    if (r.ec != std::errc()) {
        EXPECT_EQ(end, text.c_str()) << text;
        return;
    }
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text << " " << got << " " << expected;
    EXPECT_EQ(end, r.ptr) << text;
}

TEST(StrToDFastPath, BoundariesOfTheShortForms) {
    for (const char* text :
         {"0", "-0", "+0.0", "5.", ".5", "-.5", "007", "123456789012345", "1234567890123456",
          "999999999999999e22", "1e22", "1e23", "1.5e-22", "12e-23", "4.35", "0.1", "-73.127151",
          "9007199254740993", "1e0000", "1e-0300", "2.5e", "2.5e+", "2.5E-3x",
          " \t12.25,3", "1.7976931348623157e308", "0.000000000000000000001"})
        ExpectAsReference(text);
}

TEST(StrToDFastPath, RandomDecimalsAgreeWithTheReference) {
    std::mt19937_64 rng(20240531);
    char buf[64];
    for (int i = 0; i < 200000; ++i) {
        const int intDigits = int(rng() % 10), fracDigits = int(rng() % 10);
        std::string text = rng() % 2 ? "-" : "";
        for (int k = 0; k < intDigits; ++k) text += char('0' + rng() % 10);
        if (fracDigits || rng() % 2) text += '.';
        for (int k = 0; k < fracDigits; ++k) text += char('0' + rng() % 10);
        if (rng() % 3 == 0) {
            std::snprintf(buf, sizeof buf, "%c%d", rng() % 2 ? 'e' : 'E', int(rng() % 61) - 30);
            text += buf;
        }
        text += rng() % 2 ? "\t" : "";
        ExpectAsReference(text);
        if (HasFailure()) break;
    }
}

}  // namespace
