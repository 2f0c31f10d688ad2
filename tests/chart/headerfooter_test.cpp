// The page's margin texts: what each type shows, where each position puts it on
// the printable area, the markup characters of a file name shown literally, and
// the settings command.

#include "chart_fixture.h"
#include "modal_script.h"

#include "chart/chartheader.h"
#include "dialogs/kit/controls.h"
#include "render/textlayout.h"
#include "support/helpers/recording_dc.h"

#include <gtest/gtest.h>

#include <QDate>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using charttest::MakeChart;
using charttest::TestApp;

namespace {

// Fixed metrics: a single-byte character 35 twips wide, a double-byte one 70; the
// height is the font's, the ascent four fifths of it.
class FixedMeasure : public kv::TextMeasure {
public:
    FixedMeasure() { old_ = kv::SetTextMeasure(this); }
    ~FixedMeasure() override { kv::SetTextMeasure(old_); }
    void SelectFont(const LOGFONT& lf) override {
        lf_ = lf;
        fonts.push_back(lf);
    }
    int Height() override { return std::abs(lf_.lfHeight); }
    int Ascent() override { return std::abs(lf_.lfHeight) * 4 / 5; }
    int Advance(const char*, int count) override { return count == 2 ? 70 : 35; }
    std::vector<LOGFONT> fonts;

private:
    LOGFONT lf_{};
    kv::TextMeasure* old_ = nullptr;
};

// What one drawing left on the device: per baseline, where its first character
// starts and the characters drawn along it.
struct Line {
    int x = 0;
    std::string text;
};

// The printable area of these tests and the baselines of the two texts: the foot
// text's box ends 300 above the bottom, the head text's starts 300 below the top.
constexpr int kW = 10001, kH = 15000;
constexpr int kAscent = 200;
constexpr int kFootBaseline = kH - 250 - 300 + kAscent;
constexpr int kHeadBaseline = 300 + kAscent;

class HeaderFooter : public ::testing::Test {
protected:
    void SetUp() override {
        w = MakeChart();
        w->Document.Env->PrintableWidth = kW;
        w->Document.Env->PrintableHeight = kH;
        w->Document.Current->Frame.OriginX = 2000;
        w->Document.Current->Frame.OriginY = 3000;
        w->FileName = "/g/a.kv3";  // 8 characters: 280 twips
    }
    std::map<int, Line> Draw() {
        RecordingDC dc;
        w->DrawHeaderFooter(dc);
        std::map<int, Line> lines;
        for (const std::string& call : dc.Calls("TextOut")) {
            int x = 0, y = 0;
            EXPECT_EQ(std::sscanf(call.c_str(), "TextOut(%d,%d,", &x, &y), 2) << call;
            const std::size_t open = call.find('"');
            Line& line = lines[y];
            if (line.text.empty()) line.x = x;
            line.text += call.substr(open + 1, call.size() - open - 3);
        }
        return lines;
    }
    void Set(int headerType, int headerPos, int footerType, int footerPos) {
        w->Settings.HeaderType = headerType;
        w->Settings.HeaderPosition = headerPos;
        w->Settings.FooterType = footerType;
        w->Settings.FooterPosition = footerPos;
    }
    static std::string Today() {
        const QDate d = QDate::currentDate();
        return std::to_string(d.year()) + " / " + std::to_string(d.month()) + " / " + std::to_string(d.day());
    }

    TestApp app;
    FixedMeasure measure;
    std::unique_ptr<TChartWindow> w;
};

TEST_F(HeaderFooter, EachTypeAndPositionOnThePrintableArea) {
    const std::string today = Today();
    const int dateWidth = int(today.size()) * 35;
    struct Case {
        int type, position;
        std::string text;
        int x;
    } cases[] = {
        {HeaderFooterFilename, HeaderFooterCenter, "/g/a.kv3", kW / 2 - 280 / 2},
        {HeaderFooterFilename, HeaderFooterLeft, "/g/a.kv3", 300},
        {HeaderFooterFilename, HeaderFooterRight, "/g/a.kv3", kW - 280 - 300},
        {HeaderFooterDate, HeaderFooterRight, today, kW - dateWidth - 300},
        {HeaderFooterDate, HeaderFooterCenter, today, kW / 2 - dateWidth / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " at " + std::to_string(c.position));
        // At the foot (the Header fields), then the same at the head (the Footer fields).
        Set(c.type, c.position, HeaderFooterNone, 0);
        std::map<int, Line> lines = Draw();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[kFootBaseline].text, c.text);
        EXPECT_EQ(lines[kFootBaseline].x, c.x);

        Set(HeaderFooterNone, 0, c.type, c.position);
        lines = Draw();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[kHeadBaseline].text, c.text);
        EXPECT_EQ(lines[kHeadBaseline].x, c.x);
    }
}

TEST_F(HeaderFooter, BothTogetherInTheirOwnFontFootFirst) {
    Set(HeaderFooterDate, HeaderFooterRight, HeaderFooterFilename, HeaderFooterCenter);
    measure.fonts.clear();  // the axis labels' of the set-up
    RecordingDC dc;
    w->DrawHeaderFooter(dc);
    const std::vector<std::string> calls = dc.Calls("TextOut");
    ASSERT_FALSE(calls.empty());
    EXPECT_NE(calls.front().find("," + std::to_string(kFootBaseline) + ","), std::string::npos);
    EXPECT_NE(calls.back().find("," + std::to_string(kHeadBaseline) + ","), std::string::npos);
    ASSERT_FALSE(measure.fonts.empty());
    for (const LOGFONT& lf : measure.fonts) {
        EXPECT_EQ(lf.lfHeight, -250);
        EXPECT_EQ(lf.lfCharSet, 128);
        EXPECT_STREQ(lf.lfFaceName, "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e");
    }
}

TEST_F(HeaderFooter, NothingShownForNoneAnUnknownTypeOrAPositionThatNamesNoPlace) {
    Set(HeaderFooterNone, HeaderFooterRight, 9, HeaderFooterLeft);  // 9: an unknown type
    EXPECT_TRUE(Draw().empty());
    // -1: a list the dialog left without a selection; 3 and 7: an edited profile.
    for (int position : {-1, 3, 7}) {
        Set(HeaderFooterFilename, position, HeaderFooterDate, position);
        EXPECT_TRUE(Draw().empty()) << position;
    }
    Set(HeaderFooterFilename, -1, HeaderFooterDate, HeaderFooterLeft);
    const std::map<int, Line> lines = Draw();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines.begin()->first, kHeadBaseline);
}

TEST_F(HeaderFooter, MarkupCharactersOfTheFileNameAreDrawnAsThemselves) {
    w->FileName = "/g/x%y@z^w_v.kv3";
    Set(HeaderFooterNone, 0, HeaderFooterFilename, HeaderFooterLeft);
    std::map<int, Line> lines = Draw();
    EXPECT_EQ(lines[kHeadBaseline].text, "/g/x%y@z^w_v.kv3");
}

TEST_F(HeaderFooter, MovingTheFrameLeavesTheTextsWhereTheyAre) {
    Set(HeaderFooterDate, HeaderFooterLeft, HeaderFooterFilename, HeaderFooterRight);
    const std::map<int, Line> before = Draw();
    w->Document.Current->Frame.OriginX = -4321;
    w->Document.Current->Frame.OriginY = 98765;
    const std::map<int, Line> after = Draw();
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(after.size(), 2u);
    for (const auto& [y, line] : before) {
        ASSERT_EQ(after.count(y), 1u);
        EXPECT_EQ(after.at(y).x, line.x);
    }
}

TEST(HeaderFooterText, EscapesOnlySingleByteMarkupAndFormatsTheDate) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a%b@c^d_e", "a%%b%@c%^d%_e"},
        {"plain.kv3", "plain.kv3"},
        // Double-byte characters whose trail bytes are "@", "^" and "_" stay whole.
        {"\x83\x40\x83\x5e\x83\x5f@", "\x83\x40\x83\x5e\x83\x5f%@"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(kv::EscapeTextMarkup(c.in), c.out) << c.in;

    EXPECT_EQ(kv::HeaderFooterString(HeaderFooterDate, "x", 1999, 3, 7), "1999 / 3 / 7");
    EXPECT_EQ(kv::HeaderFooterString(HeaderFooterNone, "x", 1999, 3, 7), "");
    EXPECT_EQ(kv::HeaderFooterString(3, "x", 1999, 3, 7), "");
    // A local name's characters the document's code page lacks show as "?".
    EXPECT_EQ(kv::HeaderFooterString(HeaderFooterFilename, "/g/\xF0\x9F\x98\x80_\xE3\x83\x87.kv3", 1999, 3, 7),
              "/g/?%_\x83\x66.kv3");
}

TEST_F(HeaderFooter, CommandStoresTheDialogsChoicesOnOkOnly) {
    Set(0, 0, 0, 0);
    {
        charttest::ModalScript script;
        script.Then(21, [](PDialog& d) {
            d.Control<PComboBox>(103)->SetSelIndex(1);  // upper row: the head text
            d.Control<PComboBox>(104)->SetSelIndex(2);
            d.Control<PComboBox>(101)->SetSelIndex(2);  // lower row: the foot text
            d.Control<PComboBox>(102)->SetSelIndex(0);
            charttest::ModalScript::Press(IDCANCEL)(d);
        });
        EXPECT_TRUE(w->ProcessCommand(CM_HEADERFOOTER));
    }
    EXPECT_EQ(w->Settings.FooterType + w->Settings.FooterPosition + w->Settings.HeaderType +
                  w->Settings.HeaderPosition,
              0);
    {
        charttest::ModalScript script;
        script.Then(21, [](PDialog& d) {
            d.Control<PComboBox>(103)->SetSelIndex(1);
            d.Control<PComboBox>(104)->SetSelIndex(2);
            d.Control<PComboBox>(101)->SetSelIndex(2);
            d.Control<PComboBox>(102)->SetSelIndex(0);
            charttest::ModalScript::Press(IDOK)(d);
        });
        EXPECT_TRUE(w->ProcessCommand(CM_HEADERFOOTER));
    }
    EXPECT_EQ(w->Settings.FooterType, HeaderFooterFilename);
    EXPECT_EQ(w->Settings.FooterPosition, HeaderFooterRight);
    EXPECT_EQ(w->Settings.HeaderType, HeaderFooterDate);
    EXPECT_EQ(w->Settings.HeaderPosition, HeaderFooterCenter);
    EXPECT_EQ(w->Document.Modified, 0);  // a setting of the program, not of the graph
}

}  // namespace
