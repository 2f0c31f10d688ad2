#include "dialogs/optiondialog.h"

#include "dialogs/dialoghost.h"
#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "model/chartsettings.h"
#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <climits>
#include <cstring>

namespace {

// "不正なハンドルサイズです。"
constexpr int kBadHandleSize = 65;
// "不正なオートスケールマージンです。"
constexpr int kBadAutoScaleMargin = 66;
// "数値が大きすぎます。"
constexpr int kNumberTooLarge = 1152;

constexpr PControlSpec kOptionRows[] = {
    {101, PKind::Edit, "ﾊﾝﾄﾞﾙの大きさ(&H):"},
    {IDC_STATIC, PKind::Static, "dots on screen", 0, pf::SameRow},
    {107, PKind::Edit, "ｵｰﾄｽｹｰﾙﾏｰｼﾞﾝ(&A):"},
    {IDC_STATIC, PKind::Static, "%", 0, pf::SameRow},
    {103, PKind::ComboList, "数値ﾃﾞｰﾀ選択方法(S):"},
    {102, PKind::ComboList, "数値ﾃﾞｰﾀﾄﾞﾗｲﾌﾞ(&D):", 0, pf::VScroll},
    {105, PKind::Edit, "ｴﾃﾞｨﾀ(&E):", 0, pf::HScroll | pf::FullRow},
    {106, PKind::CheckBox, "描画前にﾃﾞｰﾀを再読込する(&R)", 0, pf::LeftText | pf::FullRow},
    {104, PKind::Edit, "WMF境界矩形ﾏｰｼﾞﾝ(&W):"},
    {IDC_STATIC, PKind::Static, "1/5 points", 0, pf::SameRow},
    {108, PKind::ComboList, "数値表示精度(&P):"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kOptionTemplate{20, "環境設定", kOptionRows};

constexpr const char* kHitAlgorithms[] = {"standard", "quick", "binary", "no search"};
constexpr const char* kPrecisions[] = {"single", "double"};

// One fifth of a point in twips.
constexpr int kTwipsPerFifth = 4;

void Refuse(PDialog* dlg, int message) {
    kv::MessageBox(dlg, kv::LoadString(message), nullptr, MB_OK | MB_ICONSTOP);
}

int IndexOrNone(int value, int count) { return value >= 0 && value < count ? value : -1; }

// At most max bytes of a CP932 text, never ending inside a double-byte character.
std::string CutCp932(const std::string& s, size_t max) {
    if (s.size() <= max) return s;
    const char* p = s.c_str();
    const char* end = p;
    while (*end) {
        const char* next = CharNextA(end);
        if (size_t(next - p) > max) break;
        end = next;
    }
    return std::string(p, end);
}

}  // namespace

TOptionDialog::TOptionDialog(QWidget* parent) : PDialog(parent, kOptionTemplate) {}

void TOptionDialog::SetupWindow() {
    PDialog::SetupWindow();
    Host = kv::FindDialogHost(this);
    if (!Host) {
        CloseWindow(IDCANCEL);
        return;
    }
    const ChartSettings& c = Host->HostSettings();
    SetItemInt(101, c.HandleSizeSetting);

    auto* hit = Control<PComboBox>(103);
    for (const char* name : kHitAlgorithms) hit->AddString(kv::U8(name));
    hit->SetSelIndex(IndexOrNone(c.DataHitAlgorithm, hit->GetCount()));

    auto* drive = Control<PComboBox>(102);
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        drive->AddString(QString::fromStdString(kv::Format("%c:", letter)));
    // An empty drive matches no entry: OK then keeps it as it is.
    const QString current = kv::FromDoc(std::string_view(c.DataDrive, ::strnlen(c.DataDrive, sizeof c.DataDrive)));
    if (!current.isEmpty()) drive->SelectString(0, current);

    SetItemDocText(105, std::string_view(c.Editor, ::strnlen(c.Editor, sizeof c.Editor)));
    CheckItem(106, c.ReloadDataBeforePlot == 1 ? BF_CHECKED : BF_UNCHECKED);
    SetItemInt(107, c.AutoScaleMargin);
    SetItemInt(104, c.WMFMargin / kTwipsPerFifth);

    auto* precision = Control<PComboBox>(108);
    for (const char* name : kPrecisions) precision->AddString(kv::U8(name));
    precision->SetSelIndex(IndexOrNone(c.DataPrecision, precision->GetCount()));
}

int TOptionDialog::Validate() {
    bool overflow = false;
    const int handle = ItemInt(101, &overflow);
    if (overflow || handle < 1 || handle > MaxHandleSizeSetting) {
        Refuse(this, kBadHandleSize);
        return 0;
    }
    const int margin = ItemInt(107, &overflow);
    if (overflow || margin < 0 || margin > 100) {
        Refuse(this, kBadAutoScaleMargin);
        return 0;
    }
    const int wmf = ItemInt(104, &overflow);
    if (overflow || wmf > INT_MAX / kTwipsPerFifth || wmf < INT_MIN / kTwipsPerFifth) {
        Refuse(this, kNumberTooLarge);
        return 0;
    }
    return 1;
}

void TOptionDialog::CmOk() {
    if (!Host || !Validate()) return;
    ChartSettings& c = Host->HostSettings();
    c.HandleSizeSetting = ItemInt(101);
    const int hit = Control<PComboBox>(103)->GetSelIndex();
    if (hit != CB_ERR) c.DataHitAlgorithm = hit;
    const int drive = Control<PComboBox>(102)->GetSelIndex();
    if (drive != CB_ERR)
        Host->HostSetDataDrive(Control<PComboBox>(102)->GetString(drive).toLatin1().constData());
    const std::string editor = CutCp932(ItemDocText(105), sizeof c.Editor - 1);
    std::memcpy(c.Editor, editor.c_str(), editor.size() + 1);
    c.ReloadDataBeforePlot = IsItemChecked(106);
    c.AutoScaleMargin = ItemInt(107);
    c.WMFMargin = ItemInt(104) * kTwipsPerFifth;
    const int precision = Control<PComboBox>(108)->GetSelIndex();
    if (precision != CB_ERR) c.DataPrecision = precision;
    Host->HostSetReadoutFormat();
    CloseWindow(IDOK);
}
