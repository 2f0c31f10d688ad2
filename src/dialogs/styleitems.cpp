#include "dialogs/styleitems.h"

#include <algorithm>

BYTE FontItems[FontItemCount] = {1, 1, 1, 1, 1, 1};
BYTE TextStyleItems[TextStyleItemCount] = {1, 1, 1, 1};
BYTE ZukeiStyleItems[ZukeiStyleItemCount] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
BYTE PlotStyleItems[PlotStyleItemCount] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                           1, 1, 1, 1, 1, 1, 1, 1, 1};
BYTE ReloadItems[ReloadItemCount] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

void ResetStyleItems() {
    std::fill(std::begin(FontItems), std::end(FontItems), BYTE(1));
    std::fill(std::begin(TextStyleItems), std::end(TextStyleItems), BYTE(1));
    std::fill(std::begin(ZukeiStyleItems), std::end(ZukeiStyleItems), BYTE(1));
    std::fill(std::begin(PlotStyleItems), std::end(PlotStyleItems), BYTE(1));
    std::fill(std::begin(ReloadItems), std::end(ReloadItems), BYTE(1));
}

namespace {

// ---- resource 30 ----
constexpr PControlSpec kFontRows[] = {
    {101, PKind::CheckBox, "ﾌｫﾝﾄ名"},
    {102, PKind::CheckBox, "ｽﾀｲﾙ"},
    {103, PKind::CheckBox, "ｻｲｽﾞ"},
    {104, PKind::CheckBox, "取り消し線"},
    {105, PKind::CheckBox, "下線"},
    {106, PKind::CheckBox, "表示色"},
    {107, PKind::PushButton, "全選択(&S)", 0, pf::InBody},
    {108, PKind::PushButton, "全解除(&C)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
constexpr int kFontBoxes[] = {101, 102, 103, 104, 105, 106};

// ---- resource 31: the boxes stand in the order 101, 103, 102, 106 ----
constexpr PControlSpec kTextRows[] = {
    {101, PKind::CheckBox, "背景色"},
    {103, PKind::CheckBox, "向き"},
    {102, PKind::CheckBox, "行間"},
    {106, PKind::CheckBox, "凡例の長さ"},
    {104, PKind::PushButton, "全選択(&S)", 0, pf::InBody},
    {105, PKind::PushButton, "全解除(&C)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
constexpr int kTextBoxes[] = {101, 102, 103, 106};

// ---- resource 32 ----
constexpr int kPenGroup = -1001;
constexpr int kBrushGroup = -1002;
constexpr PControlSpec kZukeiRows[] = {
    {kPenGroup, PKind::GroupBox, "ﾍﾟﾝ"},
    {102, PKind::CheckBox, "ﾀｲﾌﾟ", kPenGroup},
    {103, PKind::CheckBox, "幅", kPenGroup},
    {104, PKind::CheckBox, "表示色", kPenGroup},
    {105, PKind::CheckBox, "矢線", kPenGroup},
    {kBrushGroup, PKind::GroupBox, "ﾌﾞﾗｼ", 0, pf::SameRow},
    {107, PKind::CheckBox, "ﾀｲﾌﾟ", kBrushGroup},
    {108, PKind::CheckBox, "前景色", kBrushGroup},
    {109, PKind::CheckBox, "背景色", kBrushGroup},
    {112, PKind::CheckBox, "端点"},
    {113, PKind::CheckBox, "補間", 0, pf::SameRow},
    {110, PKind::PushButton, "全選択(&S)", 0, pf::InBody},
    {111, PKind::PushButton, "全解除(&C)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
constexpr int kZukeiBoxes[] = {102, 103, 104, 105, 107, 108, 109, 112, 113};

// ---- resource 28 ----
constexpr int kNumGroup = -1001;
constexpr int kLineGroup = -1002;
constexpr int kJoinGroup = -1003;
constexpr int kMarkerGroup = -1004;
constexpr PControlSpec kPlotRows[] = {
    {101, PKind::CheckBox, "X-参照軸"},
    {102, PKind::CheckBox, "Y-参照軸", 0, pf::SameRow},
    {103, PKind::CheckBox, "座標軸内にｸﾘｯﾌﾟ", 0, pf::SameRow},
    {kNumGroup, PKind::GroupBox, "数値処理"},
    {104, PKind::CheckBox, "X-ﾃﾞｰﾀ", kNumGroup},
    {105, PKind::CheckBox, "Y-ﾃﾞｰﾀ", kNumGroup},
    {kLineGroup, PKind::GroupBox, "ﾃﾞｰﾀ線", 0, pf::SameRow},
    {108, PKind::CheckBox, "ｽﾀｲﾙ", kLineGroup},
    {109, PKind::CheckBox, "幅", kLineGroup},
    {110, PKind::CheckBox, "線色", kLineGroup},
    {kJoinGroup, PKind::GroupBox, "ﾃﾞｰﾀ間の接続", 0, pf::SameRow},
    {112, PKind::CheckBox, "接続方法", kJoinGroup},
    {kMarkerGroup, PKind::GroupBox, "ﾏｰｶ", 0, pf::FullRow},
    {114, PKind::CheckBox, "ｽﾀｲﾙ", kMarkerGroup},
    {115, PKind::CheckBox, "中心ﾄﾞｯﾄ", kMarkerGroup, pf::SameRow},
    {116, PKind::CheckBox, "中空", kMarkerGroup, pf::SameRow},
    {117, PKind::CheckBox, "ｻｲｽﾞ", kMarkerGroup},
    {118, PKind::CheckBox, "輪郭色", kMarkerGroup, pf::SameRow},
    {119, PKind::CheckBox, "内部色", kMarkerGroup, pf::SameRow},
    {122, PKind::CheckBox, "輪郭なし", kMarkerGroup},
    {123, PKind::CheckBox, "ﾍﾞｰｽ値", kMarkerGroup, pf::SameRow},
    {124, PKind::CheckBox, "輪郭幅", kMarkerGroup, pf::SameRow},
    {125, PKind::CheckBox, "ﾏｽｸ行"},
    {120, PKind::PushButton, "全選択(&S)", 0, pf::InBody},
    {121, PKind::PushButton, "全解除(&C)", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
constexpr int kPlotBoxes[] = {101, 102, 103, 104, 105, 108, 109, 110, 112, 114,
                              115, 116, 117, 118, 119, 122, 123, 124, 125};

// ---- resource 33 ----
constexpr PControlSpec kReloadRows[] = {
    {101, PKind::CheckBox, "X-ﾃﾞｰﾀ"},
    {102, PKind::CheckBox, "ｴﾗｰﾊﾞｰ", 0, pf::SameRow},
    {103, PKind::CheckBox, "最大/最小", 0, pf::SameRow},
    {104, PKind::CheckBox, "Y-ﾃﾞｰﾀ"},
    {105, PKind::CheckBox, "ｴﾗｰﾊﾞｰ", 0, pf::SameRow},
    {106, PKind::CheckBox, "最大/最小", 0, pf::SameRow},
    {107, PKind::CheckBox, "ﾊﾟﾗﾒｰﾀ"},
    {108, PKind::CheckBox, "読取開始行"},
    {109, PKind::CheckBox, "読取終了行", 0, pf::SameRow},
    {110, PKind::CheckBox, "行ｽｷｯﾌﾟ", 0, pf::SameRow},
    {111, PKind::CheckBox, "ｺﾒﾝﾄ行の処理"},
    {112, PKind::CheckBox, "ﾃﾞｰﾀ検索方法", 0, pf::SameRow},
    {114, PKind::PushButton, "全選択", 0, pf::InBody},
    {115, PKind::PushButton, "全解除", 0, pf::InBody | pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
constexpr int kReloadBoxes[] = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112};

}  // namespace

TStyleItemDialog::TStyleItemDialog(QWidget* parent, BYTE* items, const PDialogTemplate& tpl,
                                   std::span<const int> boxIds, int selectAllId, int clearAllId)
    : PDialog(parent, tpl), Items(items) {
    for (int id : boxIds) CheckBoxes.push_back(Control<PCheckBox>(id));
    OnCommand(selectAllId, [this] { SetAll(true); });
    OnCommand(clearAllId, [this] { SetAll(false); });
}

void TStyleItemDialog::SetupWindow() {
    PDialog::SetupWindow();
    for (std::size_t i = 0; i < CheckBoxes.size(); ++i)
        CheckBoxes[i]->SetCheck(Items && Items[i] == 1 ? BF_CHECKED : BF_UNCHECKED);
}

void TStyleItemDialog::SetAll(bool on) {
    for (PCheckBox* box : CheckBoxes) box->SetCheck(on ? BF_CHECKED : BF_UNCHECKED);
}

void TStyleItemDialog::CmOk() {
    if (Items)
        for (std::size_t i = 0; i < CheckBoxes.size(); ++i)
            Items[i] = CheckBoxes[i]->GetCheck() == BF_CHECKED ? 1 : 0;
    CloseWindow(IDOK);
}

TFontItemSelectdialog::TFontItemSelectdialog(QWidget* parent, BYTE* items)
    : TStyleItemDialog(parent, items, PDialogTemplate{30, "ﾌｫﾝﾄ項目", kFontRows}, kFontBoxes, 107, 108) {}

TTextStyleItemDialog::TTextStyleItemDialog(QWidget* parent, BYTE* items)
    : TStyleItemDialog(parent, items, PDialogTemplate{31, "ﾃｷｽﾄｽﾀｲﾙ項目", kTextRows}, kTextBoxes, 104, 105) {}

TZukeiStyleItemDialog::TZukeiStyleItemDialog(QWidget* parent, BYTE* items)
    : TStyleItemDialog(parent, items, PDialogTemplate{32, "図形ｽﾀｲﾙ項目", kZukeiRows}, kZukeiBoxes, 110, 111) {}

TPlotStyleItemDialog::TPlotStyleItemDialog(QWidget* parent, BYTE* items)
    : TStyleItemDialog(parent, items, PDialogTemplate{28, "ﾌﾟﾛｯﾄｽﾀｲﾙ項目", kPlotRows}, kPlotBoxes, 120, 121) {}

TReloadItemDialog::TReloadItemDialog(QWidget* parent, BYTE* items)
    : TStyleItemDialog(parent, items, PDialogTemplate{33, "再読込項目", kReloadRows}, kReloadBoxes, 114, 115) {}
