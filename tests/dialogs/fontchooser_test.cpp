// The font chooser: filled from the data record, the record back unchanged when
// the user changes nothing, each changed attribute, the size checks, greyed
// controls, the face mapping of the sample, and the scriptable service.

#include "dialogs/fontchooser.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/support/driver.h"
#include "model/axes.h"
#include "platform/font.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QFontDatabase>

#include <cstring>

namespace {

const std::string kNotNumber = "サイズには数値を指定してください。";
const std::string kRange = "サイズは 1 から 1638 ポイントの間で指定してください。";

LOGFONT Font(const char* faceCp932, LONG height, LONG weight = FW_NORMAL) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfOutPrecision = 3;
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    lf.lfPitchAndFamily = 0x12;
    std::strncpy(lf.lfFaceName, faceCp932, LF_FACESIZE - 1);
    return lf;
}

// A record as the axis dialog makes it for its default label font.
TChooseFontData AxisLabelRecord(COLORREF color = 0) {
    AxisUnit axis;
    axis.LabelFont.lfHeight = -310;
    return TChooseFontData::ForDocumentFont(axis.LabelFont, color);
}

PComboBox* Combo(PDialog& dlg, int id) { return dlg.Control<PComboBox>(id); }

int LineOf(PComboBox* c, const QString& text) {
    for (int i = 0; i < c->GetCount(); ++i)
        if (c->GetString(i) == text) return i;
    return -1;
}

// The user picks line text of combo id.
void Pick(PDialog& dlg, int id, const QString& text) {
    PComboBox* c = Combo(dlg, id);
    const int line = LineOf(c, text);
    ASSERT_GE(line, 0) << text.toStdString();
    c->SetSelIndex(line);
    dlg.Dispatch(id, CBN_SELCHANGE);
}

TEST(FontChooser, DocumentRecordHalvesHeightsTwentyTimes) {
    TChooseFontData d = AxisLabelRecord(RGB(1, 2, 3));
    EXPECT_EQ(d.Flags, 0x50141u);
    EXPECT_EQ(d.FontType, 0x2000);
    EXPECT_EQ(d.SizeMin, 0);
    EXPECT_EQ(d.SizeMax, 0);
    EXPECT_EQ(d.Color, RGB(1, 2, 3));
    EXPECT_EQ(d.LogFont.lfHeight, -15);  // -310 / 20, toward zero
    EXPECT_STREQ(d.LogFont.lfFaceName, "Times New Roman");
    EXPECT_EQ(d.DocumentFont().lfHeight, -300);
    d.LogFont.lfHeight = 0x7FFFFFFF;  // a record no chooser returns
    EXPECT_EQ(d.DocumentFont().lfHeight, 0x7FFFFFFF);
}

TEST(FontChooser, OpensOnTheRecordAndGivesItBackUnchanged) {
    struct Case {
        LOGFONT font;
        COLORREF color;
        int style;
        const char* size;
        const char* colorLine;
    };
    LOGFONT odd = Font("Times New Roman", 17, 600);  // cell height, semibold
    odd.lfItalic = 255;
    odd.lfStrikeOut = 1;
    odd.lfUnderline = 1;
    odd.lfCharSet = 0;
    odd.lfEscapement = 900;
    odd.lfOrientation = 900;
    odd.lfWidth = 5;
    const Case cases[] = {
        {AxisLabelRecord().LogFont, 0, 0, "15", "黒"},
        {odd, RGB(255, 0, 0), 3, "17", "赤"},
        // A colour of the program's palette that the list lacks keeps its value.
        {Font("Liberation Sans", -9, 700), RGB(1, 2, 3), 2, "9", "その他"},
        // A Japanese Windows face in CP932 ("ＭＳ 明朝"), not installed here.
        {Font("\x82\x6C\x82\x72 \x96\xBE\x92\xA9", -12), RGB(255, 255, 255), 0, "12", "白"},
        {Font("", 0), 0, 0, "", "黒"},
    };
    for (const Case& c : cases) {
        TChooseFontData d;
        d.LogFont = c.font;
        d.Color = c.color;
        TChooseFontDialog dlg(nullptr, d);
        ASSERT_TRUE(dlg.Create());
        const QString face = kv::FaceName(c.font);
        EXPECT_EQ(Combo(dlg, FontFaceId)->GetText(), face) << c.size;
        EXPECT_EQ(Combo(dlg, FontStyleId)->GetSelIndex(), c.style);
        EXPECT_EQ(Combo(dlg, FontSizeId)->GetText(), QString::fromUtf8(c.size));
        EXPECT_EQ(dlg.IsItemChecked(FontStrikeOutId), c.font.lfStrikeOut ? 1 : 0);
        EXPECT_EQ(dlg.IsItemChecked(FontUnderlineId), c.font.lfUnderline ? 1 : 0);
        EXPECT_EQ(Combo(dlg, FontColorId)->GetText(), QString::fromUtf8(c.colorLine));
        if (!face.isEmpty()) {  // the sample shows the face through the program's mapping
            EXPECT_EQ(dlg.Control<QWidget>(FontSampleId)->font().family(), kv::MapFaceName(face));
        }
        kvtest::Click(dlg, IDOK);
        ASSERT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_TRUE(d.LogFont == c.font) << c.size;
        EXPECT_EQ(d.Color, c.color);
    }
}

TEST(FontChooser, OneEntryPerFamilyWhateverTheFoundries) {
    const QStringList families = {"DejaVu Sans", "Nimbus Sans [urw]", "Nimbus Sans [UKWN]",
                                  "nimbus sans", "Noto Sans [GOOG]", "Odd [Name] Sans", "[x]"};
    EXPECT_EQ(TChooseFontDialog::OneEntryPerFamily(families),
              (std::vector<QString>{"DejaVu Sans", "Nimbus Sans", "Noto Sans", "Odd [Name] Sans", "[x]"}));
}

TEST(FontChooser, OffersInstalledFamiliesTheMappedWindowFacesAndTheRecordsOwn) {
    const std::vector<QString> faces = TChooseFontDialog::InstalledFaces(ChooseFontFlags);
    ASSERT_FALSE(faces.empty());
    auto has = [&](const char* face) {
        return std::find(faces.begin(), faces.end(), QString::fromUtf8(face)) != faces.end();
    };
    EXPECT_TRUE(has("Liberation Serif"));
    // The Windows faces under the names Windows lists, where their twins are installed.
    const std::pair<const char*, const char*> windows[] = {
        {"Times New Roman", "Liberation Serif"}, {"Arial", "Liberation Sans"},
        {"Courier New", "Liberation Mono"},      {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"ＭＳ 明朝", "IPAMincho"},               {"Symbol", "Liberation Serif"},
    };
    for (const auto& [face, twin] : windows)
        EXPECT_EQ(has(face), QFontDatabase::hasFamily(QString::fromUtf8(twin))) << face;
    EXPECT_FALSE(has("MS PGothic"));  // only one name per face
    EXPECT_FALSE(has("Helvetica"));
    // One entry per family, sorted, no foundry names.
    for (std::size_t i = 1; i < faces.size(); ++i)
        EXPECT_LT(faces[i - 1].compare(faces[i], Qt::CaseInsensitive), 0) << faces[i].toStdString();
    for (const QString& f : faces) EXPECT_FALSE(f.endsWith(QLatin1Char(']'))) << f.toStdString();

    // A record's face that is neither installed nor mapped gets a line of its own.
    TChooseFontData d = AxisLabelRecord();
    std::strcpy(d.LogFont.lfFaceName, "Old Face");
    TChooseFontDialog dlg(nullptr, d);
    dlg.Create();
    PComboBox* list = Combo(dlg, FontFaceId);
    EXPECT_EQ(list->GetCount(), int(faces.size()) + 1);
    EXPECT_EQ(list->GetSelIndex(), LineOf(list, QStringLiteral("Old Face")));
}

TEST(FontChooser, ChangedAttributesOnly) {
    // A new face brings its character set and pitch; the style, size and effects
    // are set as chosen; the rest of the record stays.
    const bool japanese = QFontDatabase::writingSystems(QStringLiteral("IPAPGothic"))
                              .contains(QFontDatabase::Japanese);
    TChooseFontData d = AxisLabelRecord(RGB(1, 2, 3));
    d.LogFont.lfEscapement = 450;
    TChooseFontDialog dlg(nullptr, d);
    dlg.Create();
    Pick(dlg, FontFaceId, QStringLiteral("IPAPGothic"));
    Pick(dlg, FontStyleId, QStringLiteral("太字 斜体"));
    Combo(dlg, FontSizeId)->SetText(QStringLiteral(" 10.5 "));
    kvtest::Click(dlg, FontUnderlineId);
    Pick(dlg, FontColorId, QStringLiteral("青"));
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_STREQ(d.LogFont.lfFaceName, "IPAPGothic");
    EXPECT_EQ(d.LogFont.lfCharSet, japanese ? SHIFTJIS_CHARSET : ANSI_CHARSET);
    EXPECT_EQ(d.LogFont.lfPitchAndFamily, 0x22);  // variable pitch, swiss
    EXPECT_EQ(d.LogFont.lfWeight, FW_BOLD);
    EXPECT_EQ(d.LogFont.lfItalic, 1);
    EXPECT_EQ(d.LogFont.lfHeight, -11);  // rounded to whole points
    EXPECT_EQ(d.LogFont.lfUnderline, 1);
    EXPECT_EQ(d.LogFont.lfStrikeOut, 0);
    EXPECT_EQ(d.LogFont.lfEscapement, 450);
    EXPECT_EQ(d.Color, RGB(0, 0, 255));

    TChooseFontData m = AxisLabelRecord();
    m.LogFont.lfCharSet = SHIFTJIS_CHARSET;
    TChooseFontDialog mono(nullptr, m);
    mono.Create();
    Pick(mono, FontFaceId, QStringLiteral("Liberation Mono"));
    kvtest::Click(mono, IDOK);
    EXPECT_STREQ(m.LogFont.lfFaceName, "Liberation Mono");
    EXPECT_EQ(m.LogFont.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(m.LogFont.lfPitchAndFamily, 0x31);  // fixed pitch, modern
    EXPECT_EQ(m.LogFont.lfHeight, -15);
}

TEST(FontChooser, RefusesSizesThatAreNoNumberOrOutOfRange) {
    struct Case {
        const char* typed;
        const std::string* message;
        LONG height;
    };
    const Case cases[] = {
        {"abc", &kNotNumber, 0}, {"12pt", &kNotNumber, 0}, {"inf", &kNotNumber, 0},
        {"0", &kRange, 0},       {"0.4", &kRange, 0},      {"1639", &kRange, 0},
        {"-5", &kRange, 0},      {"1", nullptr, -1},       {"1638", nullptr, -1638},
        {"72", nullptr, -72},
    };
    for (const Case& c : cases) {
        kv::ScriptedMessageBoxes boxes;
        TChooseFontData d = AxisLabelRecord();
        TChooseFontDialog dlg(nullptr, d);
        dlg.Create();
        Combo(dlg, FontSizeId)->SetText(QString::fromUtf8(c.typed));
        kvtest::Click(dlg, IDOK);
        if (c.message) {
            EXPECT_FALSE(dlg.IsClosed()) << c.typed;
            ASSERT_EQ(boxes.Shown().size(), 1u) << c.typed;
            EXPECT_EQ(boxes.Shown()[0].text, *c.message);
            EXPECT_EQ(d.LogFont.lfHeight, -15);  // untouched
        } else {
            EXPECT_EQ(dlg.ReturnValue(), IDOK) << c.typed;
            EXPECT_TRUE(boxes.Shown().empty());
            EXPECT_EQ(d.LogFont.lfHeight, c.height);
        }
    }
    // A size limit narrows the list and the accepted range.
    kv::ScriptedMessageBoxes boxes;
    TChooseFontData d = AxisLabelRecord();
    d.Flags |= CF_LIMITSIZE;
    d.SizeMin = 10;
    d.SizeMax = 20;
    TChooseFontDialog dlg(nullptr, d);
    dlg.Create();
    EXPECT_EQ(Combo(dlg, FontSizeId)->GetString(0), QStringLiteral("10"));
    Combo(dlg, FontSizeId)->SetText(QStringLiteral("24"));
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "サイズは 10 から 20 ポイントの間で指定してください。");
}

TEST(FontChooser, GreysTheControlsTheCallerNames) {
    const int all[] = {FontFaceId, FontStyleId, FontSizeId, FontStrikeOutId, FontUnderlineId, FontColorId};
    for (int off : all) {
        TChooseFontData d = AxisLabelRecord();
        d.DisabledControls = {off};
        TChooseFontDialog dlg(nullptr, d);
        dlg.Create();
        for (int id : all) EXPECT_EQ(dlg.IsControlEnabled(id), id != off) << off << " " << id;
    }
    TChooseFontData d = AxisLabelRecord(RGB(0, 128, 0));
    d.DisabledControls.assign(std::begin(all), std::end(all));
    const TChooseFontData before = d;
    TChooseFontDialog dlg(nullptr, d);
    dlg.Create();
    for (int id : all) EXPECT_FALSE(dlg.IsControlEnabled(id));
    kvtest::Click(dlg, IDOK);
    EXPECT_TRUE(d.LogFont == before.LogFont);
    EXPECT_EQ(d.Color, before.Color);
}

TEST(FontChooser, WithoutEffectsHidesThemAndKeepsTheColour) {
    TChooseFontData d = AxisLabelRecord(RGB(9, 9, 9));
    d.Flags &= ~CF_EFFECTS;
    TChooseFontDialog dlg(nullptr, d);
    dlg.Create();
    EXPECT_TRUE(dlg.ControlWidget(FontColorId)->isHidden());
    EXPECT_TRUE(dlg.ControlWidget(FontUnderlineId)->isHidden());
    Pick(dlg, FontColorId, QStringLiteral("赤"));
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(d.Color, RGB(9, 9, 9));
}

TEST(FontChooser, CancelLeavesTheRecord) {
    TChooseFontData d = AxisLabelRecord(RGB(1, 2, 3));
    const TChooseFontData before = d;
    TChooseFontDialog dlg(nullptr, d);
    const int code = kvtest::RunModal(dlg, [&] {
        Pick(dlg, FontFaceId, QStringLiteral("Liberation Mono"));
        Pick(dlg, FontColorId, QStringLiteral("赤"));
        Combo(dlg, FontSizeId)->SetText(QStringLiteral("30"));
        kvtest::PressKey(&dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_TRUE(d.LogFont == before.LogFont);
    EXPECT_EQ(d.Color, before.Color);
}

TEST(FontChooserService, ScriptedAnswersAndTheRealDialog) {
    {
        kv::ScriptedFontChoosers choosers;
        LOGFONT chosen = Font("Liberation Sans", -12, FW_BOLD);
        choosers.Choose(chosen, RGB(255, 0, 0));
        choosers.Accept();
        TChooseFontData d = AxisLabelRecord();
        EXPECT_EQ(kv::RunFontChooser(nullptr, d), IDOK);
        EXPECT_TRUE(d.LogFont == chosen);
        EXPECT_EQ(d.Color, RGB(255, 0, 0));
        TChooseFontData e = AxisLabelRecord();
        EXPECT_EQ(kv::RunFontChooser(nullptr, e), IDOK);
        EXPECT_EQ(e.LogFont.lfHeight, -15);
        EXPECT_EQ(kv::RunFontChooser(nullptr, e), IDCANCEL);  // queue empty
        ASSERT_EQ(choosers.Shown().size(), 3u);
        EXPECT_EQ(choosers.Shown()[0].LogFont.lfHeight, -15);
    }
    // Without a scripted answerer the real chooser runs.
    TChooseFontData d = AxisLabelRecord();
    kvtest::OnNextModal([](QWidget* w) {
        auto* dlg = dynamic_cast<TChooseFontDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->Control<PComboBox>(FontSizeId)->SetText(QStringLiteral("20"));
        kvtest::Click(*dlg, IDOK);
    });
    EXPECT_EQ(kv::RunFontChooser(nullptr, d), IDOK);
    EXPECT_EQ(d.LogFont.lfHeight, -20);
}

}  // namespace
