#include "platform/cformat.h"

#include "decimal_comma_locale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void CheckFormatTable() {
    // Integers.
    EXPECT_EQ(kv::Format("%d", -42), "-42");
    EXPECT_EQ(kv::Format("%ld", 1234567890123L), "1234567890123");
    EXPECT_EQ(kv::Format("%lld", LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(kv::Format("%03d", 7), "007");
    EXPECT_EQ(kv::Format("%+ld", 3L), "+3");
    EXPECT_EQ(kv::Format("%i|%u|%x|%X|%#x", -1, 4000000000u, 255, 255, 255),
                  "-1|4000000000|ff|FF|0xff");
    EXPECT_EQ(kv::Format("[%5d][%-5d][%*d][%-*d]", 12, 12, 4, 3, 4, 3),
                  "[   12][12   ][   3][3   ]");
    EXPECT_EQ(kv::Format("[%*d]", -4, 3), "[3   ]");  // negative '*' width means '-'
    EXPECT_EQ(kv::Format("%c%c", 'a', 0x82), "a\x82");

    // Floating point, always with '.'.
    EXPECT_EQ(kv::Format("%f", 1.2345678), "1.234568");
    EXPECT_EQ(kv::Format("%.15f", 2000.0), "2000.000000000000000");
    EXPECT_EQ(kv::Format("%.15g", 1e-5), "1e-05");
    EXPECT_EQ(kv::Format("%.15g", 0.1), "0.1");
    EXPECT_EQ(kv::Format("%.15lg", 1234.5678), "1234.5678");
    EXPECT_EQ(kv::Format("%+.15lg", 1.5), "+1.5");
    EXPECT_EQ(kv::Format("%+.15lg", -1.5), "-1.5");
    EXPECT_EQ(kv::Format("%lg", 1.5e-5), "1.5e-05");
    EXPECT_EQ(kv::Format("%lg", 1234567.0), "1.23457e+06");
    EXPECT_EQ(kv::Format("%1.2f", 3.14159), "3.14");
    EXPECT_EQ(kv::Format("%e|%E|%G", 12345.678, 1e-300, 1e100),
                  "1.234568e+04|1.000000E-300|1E+100");
    EXPECT_EQ(kv::Format("%.*lf", 3, 2.5), "2.500");
    EXPECT_EQ(kv::Format("%.*lf", -1, 2.5), "2.500000");  // negative '*' precision: none
    EXPECT_EQ(kv::Format("%+*.*lf", 9, 3, 2.5), "   +2.500");
    EXPECT_EQ(kv::Format("%010.3f", -2.5), "-00002.500");

    // Precisions built at run time.
    for (int d = 0; d <= 3; ++d) {
        std::string fmt = kv::Format("%%.%dlf", d);
        const char* want[] = {"3", "3.1", "3.14", "3.142"};
        EXPECT_EQ(kv::Format(fmt.c_str(), 3.14159), want[d]);
    }
    std::string built = kv::Format("%%+%d.%dlf", 8, 2);
    EXPECT_EQ(built, "%+8.2lf");
    EXPECT_EQ(kv::Format(built.c_str(), 0.5), "   +0.50");

    // Strings and mixtures.
    EXPECT_EQ(kv::Format("%s = %.15lg", "a", 0.25), "a = 0.25");
    EXPECT_EQ(kv::Format("Value = %.15lg", 1e20), "Value = 1e+20");
    EXPECT_EQ(kv::Format("** y = %s **", "x^2"), "** y = x^2 **");
    EXPECT_EQ(kv::Format("[%5s][%-5s][%.2s]", "ab", "ab", "abcdef"), "[   ab][ab   ][ab]");
    EXPECT_EQ(kv::Format("100%%"), "100%");
    EXPECT_EQ(kv::Format("%s", "\x83\x4f\x83\x89\x83\x74"), "\x83\x4f\x83\x89\x83\x74");
    EXPECT_EQ(kv::Format("%s", ""), "");

    // Results that are not numbers.
    EXPECT_EQ(kv::Format("%.15lg", kInf), "+INF");
    EXPECT_EQ(kv::Format("%.15lg", -kInf), "-INF");
    EXPECT_EQ(kv::Format("%.15lg", kNaN), "+INF");
    EXPECT_EQ(kv::Format("%.15lg", -kNaN), "+INF");
    EXPECT_EQ(kv::Format("%+.15lg", kInf), "+INF");
    EXPECT_EQ(kv::Format("%f|%e|%G|%.2f", kInf, kInf, -kInf, kNaN), "+INF|+INF|-INF|+INF");
    EXPECT_EQ(kv::Format("[%8f][%-8f][%08f]", kInf, -kInf, kInf), "[    +INF][-INF    ][    +INF]");
    EXPECT_EQ(kv::Format("[%*f]", -6, kNaN), "[+INF  ]");
    EXPECT_EQ(kv::Format("%s = %.15lg;%d", "y", kInf, 5), "y = +INF;5");
}

TEST(CFormat, ConversionsUnderEveryLocale) {
    kvtest::UnderDecimalCommaLocaleToo(CheckFormatTable);
}

TEST(CFormat, LongResultsAreComplete) {
    std::string big(1000, 'x');
    EXPECT_EQ(kv::Format("<%s>", big.c_str()), "<" + big + ">");
    std::string f = kv::Format("%.300f", 1.0);
    EXPECT_EQ(f.size(), 302u);
    EXPECT_EQ(f.substr(0, 4), "1.00");
    EXPECT_EQ(kv::Format("%f", 1e300).size(), 301u + 7u);
}

TEST(CFormat, SNPrintFTruncatesLikeSnprintf) {
    char buf[8];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(kv::SNPrintF(buf, sizeof buf, "%s=%.3f", "value", 1.5), 11);
    EXPECT_STREQ(buf, "value=1");
    EXPECT_EQ(kv::SNPrintF(buf, sizeof buf, "%d", 12), 2);
    EXPECT_STREQ(buf, "12");
    buf[0] = '#';
    EXPECT_EQ(kv::SNPrintF(buf, 0, "%d", 12345), 5);
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(kv::SNPrintF(nullptr, 0, "%.15lg", -kInf), 4);
}

TEST(CFormat, OddConversionsKeepTheArgumentsInStep) {
    int target = 99;
    const std::string withN = "a%nb%d";  // held in a variable: a literal is rejected
    EXPECT_EQ(kv::Format(withN.c_str(), &target, 7), "ab7");  // %n never writes
    EXPECT_EQ(target, 99);
    EXPECT_EQ(kv::Format("%ls|%lc|%d", L"wide", wint_t(L'w'), 5), "wide|w|5");
    EXPECT_EQ(kv::Format("%p|%d", static_cast<void*>(nullptr), 5), "(nil)|5");
    EXPECT_EQ(kv::Format("%a|%d", 1.0, 5), "0x1p+0|5");
    EXPECT_EQ(kv::Format("%hd|%hhu|%zu|%d", 70000, 300, std::size_t(12), 5), "4464|44|12|5");

    // Broken formats from outside the program: unknown conversions and a cut-off
    // one are text.
    const std::string unknown = "%q|%d", cut = "tail %", cutSpec = "tail %5.2";
    EXPECT_EQ(kv::Format(unknown.c_str(), 3), "%q|3");
    EXPECT_EQ(kv::Format(cut.c_str()), "tail %");
    EXPECT_EQ(kv::Format(cutSpec.c_str()), "tail %5.2");
}

}  // namespace
