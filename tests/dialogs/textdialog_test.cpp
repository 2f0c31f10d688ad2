// The text dialog: filled from the text (angle in degrees, font height in points),
// the checks and transfer of OK, the font button through the font chooser, the
// template of a multiple selection, the Default button; the font chooser of the
// multiple-selection font command with its greyed controls.

#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/fontchooser.h"
#include "dialogs/kit/controls.h"
#include "dialogs/styleitems.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "dialogs/textdialog.h"
#include "model/text.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string kDefaultQuestion = "このスタイルをデフォルトのスタイルとして保存しますか?";
const std::string kNoText = "テキストを入力してください。";
const std::string kTooLarge = "数値が大きすぎます。";

TText StyledText() {
    TText t;
    t.String = "A\r\nB";
    t.Font.lfHeight = -310;
    t.Font.lfEscapement = 900;
    t.Font.lfWeight = 700;
    t.ForColor = RGB(1, 2, 3);
    t.BackColor = RGB(4, 5, 6);
    t.BackPaint = 1;
    t.LineSpacing = 150;
    t.LegendLength = 75;
    t.Position = TPoint(11, 22);
    return t;
}

TEST(TextDialog, FillsItsControlsFromTheText) {
    TText t = StyledText();
    TTextDialog dlg(nullptr, &t, nullptr, nullptr);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾃｷｽﾄの編集/ｽﾀｲﾙ"));
    EXPECT_EQ(dlg.ResourceId(), 7);
    EXPECT_EQ(dlg.IsItemChecked(105), 1);
    EXPECT_EQ(dlg.ItemText(101), QStringLiteral("A\r\nB"));
    EXPECT_EQ(dlg.ItemText(107), QStringLiteral("90"));
    EXPECT_EQ(dlg.Control<TColorButton>(103)->GetColor(), RGB(4, 5, 6));
    EXPECT_EQ(dlg.GetWorkFont().lfHeight, -15);
    EXPECT_EQ(dlg.GetWorkColor(), RGB(1, 2, 3));
    auto* legend = dlg.Control<TComboPercent>(113);
    auto* spacing = dlg.Control<TComboPercent>(114);
    EXPECT_EQ(legend->GetCount(), 11);
    EXPECT_EQ(legend->GetText(), QStringLiteral("75%"));
    EXPECT_EQ(spacing->GetCount(), 11);
    EXPECT_EQ(spacing->GetText(), QStringLiteral("150%"));
    for (int id : {101, 102, 103, 104, 105, 107, 108, 109, 110, 111, 113, 114})
        EXPECT_TRUE(dlg.IsControlEnabled(id)) << id;
    // The angle buttons write their number and nothing else.
    kvtest::Click(dlg, 110);
    EXPECT_EQ(dlg.ItemText(107), QStringLiteral("180"));
    kvtest::Click(dlg, 111);
    EXPECT_EQ(dlg.ItemText(107), QStringLiteral("270"));
}

TEST(TextDialog, OkStoresTheAngleInTenthsAndRefusesOnlyWhatCannotBeKept) {
    struct Case {
        const char* typed;
        bool ok;
        LONG stored;
    };
    const Case cases[] = {{"45", true, 450},   {"-30", true, -300},      {"12.7", true, 120},
                          {"abc", true, 0},    {"214748364", true, 2147483640},
                          {"214748365", false, 900}, {"-99999999999", false, 900}};
    for (const Case& c : cases) {
        TText t = StyledText();
        kv::ScriptedMessageBoxes boxes;
        TTextDialog dlg(nullptr, &t, nullptr, nullptr);
        dlg.Create();
        dlg.SetItemText(107, QString::fromUtf8(c.typed));
        dlg.SetItemText(101, QStringLiteral("new"));
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.IsClosed(), c.ok) << c.typed;
        EXPECT_EQ(t.Font.lfEscapement, c.stored) << c.typed;
        if (c.ok) {
            EXPECT_TRUE(boxes.Shown().empty());
            EXPECT_EQ(t.String, "new");
        } else {
            ASSERT_EQ(boxes.Shown().size(), 1u);
            EXPECT_EQ(boxes.Shown()[0].text, kTooLarge);
            EXPECT_EQ(t.String, "A\r\nB");  // nothing written
        }
    }
}

TEST(TextDialog, OkWritesEveryAttributeWithThePercentRule) {
    struct Case {
        const char* typed;
        int stored;
    };
    const Case cases[] = {{"2", 2},     {"9999", 9999}, {"1", 100},   {"0", 100},
                          {"10000", 100}, {"-5", 100},  {"abc", 100}, {"150%", 150}};
    for (const Case& c : cases) {
        TText t = StyledText();
        TTextDialog dlg(nullptr, &t, nullptr, nullptr);
        dlg.Create();
        dlg.Control<TComboPercent>(114)->SetText(QString::fromUtf8(c.typed));
        dlg.Control<TComboPercent>(113)->SetText(QString::fromUtf8(c.typed));
        kvtest::Click(dlg, IDOK);
        ASSERT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_EQ(t.LineSpacing, c.stored) << c.typed;
        EXPECT_EQ(t.LegendLength, c.stored) << c.typed;
    }

    // Confirmed unchanged: the height rounds toward zero to whole points, the rest
    // stays, position and layout included.
    TText t = StyledText();
    TTextDialog dlg(nullptr, &t, nullptr, nullptr);
    dlg.Create();
    dlg.CheckItem(105, BF_UNCHECKED);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(t.Font.lfHeight, -300);
    EXPECT_EQ(t.Font.lfWeight, 700);
    EXPECT_EQ(t.Font.lfEscapement, 900);
    EXPECT_EQ(t.BackPaint, 0);
    EXPECT_EQ(t.String, "A\r\nB");
    EXPECT_EQ(t.ForColor, RGB(1, 2, 3));
    EXPECT_EQ(t.BackColor, RGB(4, 5, 6));
    EXPECT_EQ(t.LineSpacing, 150);
    EXPECT_EQ(t.LegendLength, 75);
    EXPECT_EQ(t.Position, TPoint(11, 22));
}

TEST(TextDialog, AnUnchangedStringKeepsBytesTheEditCannotShow) {
    TText t;
    t.String = std::string("x\x81\x20y", 4);  // a lead byte without its trail
    TTextDialog dlg(nullptr, &t, nullptr, nullptr);
    dlg.Create();
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(t.String, std::string("x\x81\x20y", 4));
}

TEST(TextDialog, AnEmptyTextIsRefusedUnlessATemplateIsEdited) {
    TText t = StyledText();
    kv::ScriptedMessageBoxes boxes;
    TTextDialog dlg(nullptr, &t, nullptr, nullptr);
    const int code = kvtest::RunModal(dlg, [&] {
        dlg.SetItemText(101, QString());
        dlg.SetItemText(107, QStringLiteral("0"));
        kvtest::Click(dlg, IDOK);
        EXPECT_FALSE(dlg.IsClosed());
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kNoText);
        EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(t.Font.lfEscapement, 900);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(t.String, "A\r\nB");

    BYTE items[TextStyleItemCount] = {1, 1, 1, 1};
    TText templ;
    TTextDialog multi(nullptr, &templ, nullptr, items);
    multi.Create();
    kvtest::Click(multi, IDOK);
    EXPECT_EQ(multi.ReturnValue(), IDOK);
    EXPECT_EQ(boxes.Shown().size(), 1u);
}

TEST(TextDialog, FontButtonEditsOnlyTheDialogsCopyUntilOk) {
    kv::ScriptedFontChoosers choosers;
    LOGFONT chosen{};
    chosen.lfHeight = -12;
    chosen.lfWeight = 400;
    chosen.lfItalic = 1;
    std::strcpy(chosen.lfFaceName, "Liberation Sans");
    choosers.Cancel();
    choosers.Choose(chosen, RGB(255, 0, 0));
    choosers.Choose(chosen, RGB(0, 255, 0));

    TText t = StyledText();
    {
        TTextDialog dlg(nullptr, &t, nullptr, nullptr);
        dlg.Create();
        kvtest::Click(dlg, 104);  // cancelled
        EXPECT_EQ(dlg.GetWorkFont().lfHeight, -15);
        kvtest::Click(dlg, 104);
        ASSERT_EQ(choosers.Shown().size(), 2u);
        const TChooseFontData& shown = choosers.Shown()[1];
        EXPECT_EQ(shown.Flags, 0x50141u);
        EXPECT_EQ(shown.FontType, 0x2000);
        EXPECT_EQ(shown.SizeMin, 0);
        EXPECT_EQ(shown.SizeMax, 0);
        EXPECT_EQ(shown.LogFont.lfHeight, -15);
        EXPECT_EQ(shown.LogFont.lfEscapement, 900);
        EXPECT_EQ(shown.Color, RGB(1, 2, 3));
        EXPECT_TRUE(shown.DisabledControls.empty());
        EXPECT_EQ(dlg.GetWorkColor(), RGB(255, 0, 0));
        kvtest::Click(dlg, IDCANCEL);
    }
    EXPECT_EQ(t.Font.lfHeight, -310);
    EXPECT_EQ(t.ForColor, RGB(1, 2, 3));
    EXPECT_STRNE(t.Font.lfFaceName, "Liberation Sans");

    TTextDialog dlg(nullptr, &t, nullptr, nullptr);
    dlg.Create();
    dlg.SetItemText(107, QStringLiteral("45"));
    kvtest::Click(dlg, 104);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(t.Font.lfHeight, -240);
    EXPECT_EQ(t.Font.lfItalic, 1);
    EXPECT_STREQ(t.Font.lfFaceName, "Liberation Sans");
    EXPECT_EQ(t.Font.lfEscapement, 450);  // the angle field wins over the chosen font
    EXPECT_EQ(t.ForColor, RGB(0, 255, 0));
}

TEST(TextDialog, TemplateOfAMultipleSelection) {
    BYTE items[TextStyleItemCount] = {1, 0, 0, 1};  // background, legend length
    TText templ;
    TText scratch;
    TTextDialog dlg(nullptr, &templ, &scratch, items);
    dlg.Create();
    for (int id : {101, 104, 102, 114, 107, 108, 109, 110, 111})
        EXPECT_FALSE(dlg.IsControlEnabled(id)) << id;
    for (int id : {103, 105, 113}) EXPECT_TRUE(dlg.IsControlEnabled(id)) << id;
    dlg.CheckItem(105, BF_CHECKED);
    dlg.Control<TColorButton>(103)->SetColor(RGB(9, 9, 9));
    dlg.Control<TComboPercent>(113)->SetText(QStringLiteral("200"));
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);

    TText target = StyledText();
    target.BackPaint = 0;
    templ.LineSpacing = 300;
    templ.Font.lfEscapement = 100;
    CopyTextStyleItems(target, templ, items);
    EXPECT_EQ(target.BackPaint, 1);
    EXPECT_EQ(target.BackColor, RGB(9, 9, 9));
    EXPECT_EQ(target.LegendLength, 200);
    EXPECT_EQ(target.LineSpacing, 150);
    EXPECT_EQ(target.Font.lfEscapement, 900);
    EXPECT_EQ(target.String, "A\r\nB");

    // Only the background chosen: both its fields and nothing else.
    const BYTE background[TextStyleItemCount] = {1, 0, 0, 0};
    TText other = StyledText();
    TText plain;
    plain.LegendLength = 300;
    CopyTextStyleItems(other, plain, background);
    EXPECT_EQ(other.BackPaint, plain.BackPaint);
    EXPECT_EQ(other.BackColor, plain.BackColor);
    EXPECT_EQ(other.LegendLength, 75);
}

TEST(TextDialog, DefaultWritesTheLookIntoTheDefaultTextAtOnce) {
    kvtest::FakeChart chart;
    TText* d = &chart.Defaults.DefaultText;
    d->String = "keep";
    TText t = StyledText();
    TTextDialog dlg(&chart, &t, d, nullptr);
    dlg.Create();
    dlg.Control<TComboPercent>(114)->SetText(QStringLiteral("0"));
    dlg.Control<TComboPercent>(113)->SetText(QStringLiteral("250"));
    dlg.SetItemText(107, QStringLiteral("30"));
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        kvtest::Click(dlg, 102);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kDefaultQuestion);
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_NE(d->LegendLength, 250);
    }
    kv::ScriptedMessageBoxes boxes({IDOK});
    kvtest::Click(dlg, 102);
    EXPECT_FALSE(dlg.IsClosed());
    EXPECT_EQ(d->Font.lfHeight, -300);
    EXPECT_EQ(d->Font.lfWeight, 700);
    EXPECT_EQ(d->Font.lfEscapement, 300);
    EXPECT_EQ(d->BackPaint, 1);
    EXPECT_EQ(d->LineSpacing, 100);  // a spacing of 0 is not kept as the default
    EXPECT_EQ(d->LegendLength, 250);
    EXPECT_EQ(d->ForColor, RGB(1, 2, 3));
    EXPECT_EQ(d->BackColor, RGB(4, 5, 6));
    EXPECT_EQ(d->String, "keep");
    EXPECT_EQ(dlg.GetWorkFont().lfHeight, -15);
    kvtest::Click(dlg, IDCANCEL);
    EXPECT_EQ(t.Font.lfEscapement, 900);
    EXPECT_EQ(t.LegendLength, 75);

    // A template for several texts has no Default.
    BYTE items[TextStyleItemCount] = {1, 1, 1, 1};
    TTextDialog multi(&chart, &t, nullptr, items);
    multi.Create();
    EXPECT_FALSE(multi.IsControlEnabled(102));
}

TEST(FontDialog, GreysTheControlsOfUnchosenItems) {
    kv::ScriptedFontChoosers choosers;
    choosers.Accept();
    choosers.Accept();
    LOGFONT base{};
    base.lfHeight = -250;
    TChooseFontData data = TChooseFontData::ForDocumentFont(base, 0);
    BYTE items[FontItemCount] = {0, 1, 1, 1, 1, 1};
    EXPECT_EQ(TFontDialog(nullptr, data, items).Execute(), IDOK);
    BYTE none[FontItemCount] = {};
    EXPECT_EQ(TFontDialog(nullptr, data, none).Execute(), IDOK);
    ASSERT_EQ(choosers.Shown().size(), 2u);
    EXPECT_EQ(choosers.Shown()[0].DisabledControls, std::vector<int>{1136});
    EXPECT_EQ(choosers.Shown()[0].LogFont.lfHeight, -12);
    EXPECT_EQ(choosers.Shown()[1].DisabledControls,
              (std::vector<int>{1136, 1137, 1138, 1040, 1041, 1139}));
    EXPECT_TRUE(data.DisabledControls.empty());  // the caller's record keeps its own

    // Cancel leaves the record.
    choosers.Cancel();
    LOGFONT other{};
    other.lfHeight = -30;
    TChooseFontData kept = TChooseFontData::ForDocumentFont(other, RGB(1, 1, 1));
    EXPECT_EQ(TFontDialog(nullptr, kept, items).Execute(), IDCANCEL);
    EXPECT_EQ(kept.LogFont.lfHeight, -1);
    EXPECT_EQ(kept.Color, RGB(1, 1, 1));
}

TEST(FontDialog, CopyFontItemsTakesOnlyTheChosenAttributes) {
    TChooseFontData chosen;
    chosen.LogFont.lfHeight = -14;
    chosen.LogFont.lfWidth = 3;
    chosen.LogFont.lfEscapement = 450;
    chosen.LogFont.lfWeight = 700;
    chosen.LogFont.lfItalic = 1;
    chosen.LogFont.lfUnderline = 1;
    chosen.LogFont.lfStrikeOut = 1;
    chosen.LogFont.lfCharSet = 128;
    chosen.LogFont.lfPitchAndFamily = 0x31;
    std::strcpy(chosen.LogFont.lfFaceName, "Liberation Serif");
    chosen.Color = RGB(0, 0, 255);

    const BYTE faceAndSize[FontItemCount] = {1, 0, 1, 0, 0, 0};
    TText t = StyledText();
    CopyFontItems(t, chosen, faceAndSize);
    EXPECT_STREQ(t.Font.lfFaceName, "Liberation Serif");
    EXPECT_EQ(t.Font.lfCharSet, 128);
    EXPECT_EQ(t.Font.lfPitchAndFamily, 0x31);
    EXPECT_EQ(t.Font.lfHeight, -280);
    EXPECT_EQ(t.Font.lfWeight, 700);  // the text's own
    EXPECT_EQ(t.Font.lfItalic, 0);
    EXPECT_EQ(t.Font.lfUnderline, 0);
    EXPECT_EQ(t.ForColor, RGB(1, 2, 3));
    EXPECT_EQ(t.Font.lfEscapement, 900);
    EXPECT_EQ(t.Font.lfWidth, 0);

    const BYTE rest[FontItemCount] = {0, 1, 0, 1, 1, 1};
    TText u = StyledText();
    u.Font.lfWeight = 400;
    CopyFontItems(u, chosen, rest);
    EXPECT_EQ(u.Font.lfWeight, 700);
    EXPECT_EQ(u.Font.lfItalic, 1);
    EXPECT_EQ(u.Font.lfStrikeOut, 1);
    EXPECT_EQ(u.Font.lfUnderline, 1);
    EXPECT_EQ(u.ForColor, RGB(0, 0, 255));
    EXPECT_EQ(u.Font.lfHeight, -310);
    EXPECT_EQ(u.Font.lfEscapement, 900);
}

}  // namespace
