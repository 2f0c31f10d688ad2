// User-constant definitions: parsing a line, the name test and the lookup.
#include "model/boxframe.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UserConstants, ParseAcceptsEverySpelling) {
    struct Case {
        const char* line;
        const char* name;
        double value;
    };
    const Case cases[] = {
        {"Rate = 2.5", "Rate", 2.5},   {"Rate=2.5", "Rate", 2.5},    {"Rate\t=\t2.5", "Rate", 2.5},
        {" Ra te = 2. 5 ", "Rate", 2.5}, {"= 4", "", 4},             {"k =", "k", 0},
        {"k = 1e3x", "k", 1000},       {"x = 5", "x", 5},            {"g0=-9.8", "g0", -9.8},
        {"k = abc", "k", 0},           {"1st = 1", "1st", 1},        {"k=1d2", "k", 1},
    };
    for (const Case& c : cases) {
        BoxFrame b;
        TUserConstElement e("old", 42);
        ASSERT_EQ(b.ParseConstant(c.line, e), 1) << c.line;
        EXPECT_EQ(e.ConstName, c.name) << c.line;
        EXPECT_DOUBLE_EQ(e.ConstValue, c.value) << c.line;
    }
}

TEST(UserConstants, ParseRefusesAndLeavesTheElement) {
    BoxFrame b;
    b.UserConsts.Add(TUserConstElement("k", 1));
    for (const char* line : {"a = b = 1", "abc", "", "sin = 1", "PI = 3", "inf = 0", "InvErfc=2",
                             "K = 2", "k=3", " k = 4", "sin,cos = 1"}) {
        TUserConstElement e("old", 42);
        EXPECT_EQ(b.ParseConstant(line, e), 0) << line;
        EXPECT_EQ(e.ConstName, "old") << line;
        EXPECT_EQ(e.ConstValue, 42) << line;
    }
}

TEST(UserConstants, NameTestAndLookup) {
    BoxFrame b;
    const std::string longName = std::string(255, 'n');
    b.UserConsts.Add(TUserConstElement("Rate", 2.5));
    b.UserConsts.Add(TUserConstElement("rate", 9));
    b.UserConsts.Add(TUserConstElement(longName + "A", 3));

    EXPECT_EQ(b.IsNewConstantName("RATE"), 0);
    EXPECT_EQ(b.IsNewConstantName("rates"), 1);
    EXPECT_EQ(b.IsNewConstantName(""), 1);
    EXPECT_EQ(b.IsNewConstantName("a"), 1);  // a fit parameter: accepted, never reached
    EXPECT_EQ(b.IsNewConstantName("xmin"), 1);
    EXPECT_EQ(b.IsNewConstantName("Gamma"), 0);
    // Only the first 255 characters count.
    EXPECT_EQ(b.IsNewConstantName(longName + "B"), 0);

    double v = -1;
    EXPECT_EQ(b.LookupConstant("rate", v), 1);
    EXPECT_EQ(v, 2.5);  // the first in list order
    EXPECT_EQ(b.LookupConstant("RaTe", v), 1);
    EXPECT_EQ(v, 2.5);
    EXPECT_EQ(b.LookupConstant(longName, v), 1);
    EXPECT_EQ(v, 3);
    v = -1;
    EXPECT_EQ(b.LookupConstant("rat", v), 0);
    EXPECT_EQ(b.LookupConstant("", v), 0);
    EXPECT_EQ(v, -1);
}

TEST(UserConstants, ParsedConstantReachesFormulas) {
    BoxFrame b;
    TUserConstElement e;
    ASSERT_EQ(b.ParseConstant("Rate\t= 2.5", e), 1);
    b.UserConsts.Add(e);
    for (const char* text : {"rate", "RATE", "Rate*2/2"}) {
        double r = 0;
        ASSERT_EQ(b.Evaluate(text, r, BoxFrame::EvalCompile, nullptr, 0, -1), 1) << text;
        ASSERT_EQ(b.Evaluate("", r, BoxFrame::EvalRow, nullptr, 0, -1), 1) << text;
        EXPECT_EQ(r, 2.5) << text;
    }
}

}  // namespace
