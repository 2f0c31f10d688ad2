#include "dialogs/textdialog.h"

#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/dialoghost.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/conventions.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/styleitems.h"
#include "model/defaults.h"
#include "model/text.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace {

// "テキストを入力してください。"
constexpr int kNoText = 70;
// "数値が大きすぎます。"
constexpr int kNumberTooLarge = 1152;

constexpr int kAngleGroup = 106;

constexpr PControlSpec kTextRows[] = {
    {101, PKind::Edit, "ﾃｷｽﾄ(&T):", 0,
     pf::FullRow | pf::Multiline | pf::WantReturn | pf::VScroll | pf::HScroll},
    {104, PKind::PushButton, "ﾌｫﾝﾄ(&F)...", 0, pf::InBody},
    {IDC_STATIC, PKind::Static, "背景色(&B):", 0, pf::SameRow},
    {103, PKind::OwnerDraw, "背景色", 0, pf::SameRow},
    {105, PKind::CheckBox, "背景の塗りつぶし(&P)", 0, pf::SameRow},
    {114, PKind::ComboEdit, "行間(&S) (%):"},
    {113, PKind::ComboEdit, "凡例の長さ(&L):", 0, pf::SameRow},
    {kAngleGroup, PKind::GroupBox, "向き(&R)", 0, pf::FullRow},
    {107, PKind::Edit, nullptr, kAngleGroup},
    {108, PKind::PushButton, "&0", kAngleGroup, pf::InBody | pf::SameRow},
    {109, PKind::PushButton, "&90", kAngleGroup, pf::InBody | pf::SameRow},
    {110, PKind::PushButton, "1&80", kAngleGroup, pf::InBody | pf::SameRow},
    {111, PKind::PushButton, "&270", kAngleGroup, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {102, PKind::PushButton, "ﾃﾞﾌｫﾙﾄ"},
};
const PDialogTemplate kTextTemplate{7, "ﾃｷｽﾄの編集/ｽﾀｲﾙ", kTextRows};

// The controls each TextStyleItems entry stands for (0 ends a row).
constexpr int kItemControls[TextStyleItemCount][5] = {
    {105, 103}, {114}, {107, 108, 109, 110, 111}, {113},
};

// The chooser's font controls each FontItems entry stands for.
constexpr int kFontItemControls[FontItemCount] = {FontFaceId,      FontStyleId,
                                                  FontSizeId,      FontStrikeOutId,
                                                  FontUnderlineId, FontColorId};

// A height in points as the document keeps it (twentieths), saturated.
LONG PointsToDocHeight(LONG points) {
    const std::int64_t h = std::int64_t(points) * 20;
    return LONG(std::clamp<std::int64_t>(h, INT32_MIN, INT32_MAX));
}

}  // namespace

void CopyTextStyleItems(TText& text, const TText& templ, const BYTE* items) {
    if (!items) return;
    using namespace TextStyleItem;
    if (items[Background] == 1) {
        text.BackColor = templ.BackColor;
        text.BackPaint = templ.BackPaint;
    }
    if (items[LineSpacing] == 1) text.LineSpacing = templ.LineSpacing;
    if (items[Angle] == 1) text.Font.lfEscapement = templ.Font.lfEscapement;
    if (items[LegendLength] == 1) text.LegendLength = templ.LegendLength;
}

void CopyFontItems(TText& text, const TChooseFontData& chosen, const BYTE* items) {
    if (!items) return;
    using namespace FontItem;
    const LOGFONT& lf = chosen.LogFont;
    LOGFONT& f = text.Font;
    if (items[FaceName] == 1) {
        std::memcpy(f.lfFaceName, lf.lfFaceName, sizeof f.lfFaceName);
        f.lfFaceName[sizeof f.lfFaceName - 1] = '\0';
        f.lfCharSet = lf.lfCharSet;
        f.lfOutPrecision = lf.lfOutPrecision;
        f.lfClipPrecision = lf.lfClipPrecision;
        f.lfQuality = lf.lfQuality;
        f.lfPitchAndFamily = lf.lfPitchAndFamily;
    }
    if (items[Style] == 1) {
        f.lfWeight = lf.lfWeight;
        f.lfItalic = lf.lfItalic;
    }
    if (items[Size] == 1) f.lfHeight = PointsToDocHeight(lf.lfHeight);
    if (items[StrikeOut] == 1) f.lfStrikeOut = lf.lfStrikeOut;
    if (items[Underline] == 1) f.lfUnderline = lf.lfUnderline;
    if (items[Color] == 1) text.ForColor = chosen.Color;
}

// ---- TTextDialog ----

TTextDialog::TTextDialog(QWidget* parent, TText* text, TText* second, const BYTE* items)
    : PDialog(parent, kTextTemplate), Text(text), Second(second), Items(items) {
    BackColor = new TColorButton(this, 103, 0xFFFFFF);
    LegendLength = new TComboPercent(this, 113, 1);
    LineSpacing = new TComboPercent(this, 114, 1);

    OnCommand(104, &TTextDialog::CmFont);
    OnCommand(103, &TTextDialog::CmBackColor);
    OnCommand(108, [this] { SetItemText(107, QStringLiteral("0")); });
    OnCommand(109, [this] { SetItemText(107, QStringLiteral("90")); });
    OnCommand(110, [this] { SetItemText(107, QStringLiteral("180")); });
    OnCommand(111, [this] { SetItemText(107, QStringLiteral("270")); });
    OnCommand(102, &TTextDialog::CmDefault);
    LegendLength->AnswerDropDownAndKillFocus();
    LineSpacing->AnswerDropDownAndKillFocus();
}

void TTextDialog::SetupWindow() {
    PDialog::SetupWindow();
    const TText& t = *Text;
    CheckItem(105, t.BackPaint == 1 ? BF_CHECKED : BF_UNCHECKED);
    SetItemDocText(101, t.String);
    ShownString = ItemText(101);
    SetItemInt(107, t.Font.lfEscapement / 10);
    BackColor->SetColor(t.BackColor);
    WorkFont = t.Font;
    WorkFont.lfHeight = t.Font.lfHeight / 20;
    WorkColor = t.ForColor;
    LegendLength->ClearList();
    LegendLength->AddStandardPercents();
    LegendLength->SetPercent(t.LegendLength);
    LineSpacing->ClearList();
    LineSpacing->AddStandardPercents();
    LineSpacing->SetPercent(t.LineSpacing);

    if (Items) {
        for (int id : {101, 104, 102}) EnableControl(id, false);
        for (int entry : {TextStyleItem::Background, TextStyleItem::LineSpacing,
                          TextStyleItem::LegendLength, TextStyleItem::Angle}) {
            if (Items[entry] == 1) continue;
            for (int id : kItemControls[entry])
                if (id) EnableControl(id, false);
        }
    }
}

bool TTextDialog::ReadAngle(LONG* tenths) {
    bool overflow = false;
    const int degrees = ItemInt(107, &overflow);
    if (overflow || degrees > INT32_MAX / 10 || degrees < INT32_MIN / 10) {
        kv::MessageBox(this, kv::LoadString(kNumberTooLarge), nullptr, MB_OK | MB_ICONSTOP);
        return false;
    }
    *tenths = LONG(degrees) * 10;
    return true;
}

void TTextDialog::CmOk() {
    // An edit left as it was gives the text's own bytes back.
    const std::string string = ItemText(101) == ShownString ? Text->String : ItemDocText(101);
    if (string.empty() && !Items) {
        kv::MessageBox(this, kv::LoadString(kNoText), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    LONG angle = 0;
    if (!ReadAngle(&angle)) return;

    TText& t = *Text;
    t.Font = WorkFont;
    t.Font.lfHeight = PointsToDocHeight(WorkFont.lfHeight);
    t.BackPaint = IsItemChecked(105);
    t.String = string;
    t.Font.lfEscapement = angle;
    t.ForColor = WorkColor;
    t.BackColor = BackColor->GetColor();
    t.LegendLength = LegendLength->GetPercent();
    t.LineSpacing = LineSpacing->GetPercent();
    CloseWindow(IDOK);
}

void TTextDialog::CmFont() {
    TChooseFontData data;
    data.Flags = ChooseFontFlags;
    data.LogFont = WorkFont;
    data.Color = WorkColor;
    data.FontType = SCREEN_FONTTYPE;
    data.SizeMin = 0;
    data.SizeMax = 0;
    if (kv::RunFontChooser(this, data) != IDOK) return;
    WorkColor = data.Color;
    WorkFont = data.LogFont;
}

void TTextDialog::CmBackColor() {
    COLORREF c = BackColor->GetColor();
    kv::RunColorPalette(this, &c, BackColor);
    BackColor->SetColor(c);
}

void TTextDialog::CmDefault() {
    LONG angle = 0;
    if (!ReadAngle(&angle)) return;
    if (!kv::ConfirmSaveAsDefault(this)) return;
    kv::DialogHost* host = kv::FindDialogHost(this);
    if (!host) return;
    TText& d = host->HostDefaults().DefaultText;
    d.Font = WorkFont;
    d.Font.lfHeight = PointsToDocHeight(WorkFont.lfHeight);
    d.BackPaint = IsItemChecked(105);
    d.Font.lfEscapement = angle;
    // The percentages take the same range as OK: the default text seeds every new
    // text and legend, whose layout divides and multiplies by them.
    d.LineSpacing = LineSpacing->GetPercent();
    d.ForColor = WorkColor;
    d.BackColor = BackColor->GetColor();
    d.LegendLength = LegendLength->GetPercent();
}

// ---- TFontDialog ----

TFontDialog::TFontDialog(QWidget* parent, TChooseFontData& data, const BYTE* items)
    : Parent(parent), Data(data), Items(items) {}

int TFontDialog::Execute() {
    TChooseFontData run = Data;
    if (Items) {
        for (int i = 0; i < FontItemCount; ++i) {
            if (Items[i] == 1) continue;
            const int id = kFontItemControls[i];
            if (std::find(run.DisabledControls.begin(), run.DisabledControls.end(), id) ==
                run.DisabledControls.end())
                run.DisabledControls.push_back(id);
        }
    }
    const int code = kv::RunFontChooser(Parent, run);
    if (code == IDOK) {
        Data.LogFont = run.LogFont;
        Data.Color = run.Color;
    }
    return code;
}
