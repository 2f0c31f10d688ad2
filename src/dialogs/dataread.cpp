#include "dialogs/dataread.h"

#include "dialogs/kit/dlgtext.h"
#include "model/datafile.h"
#include "model/plot.h"
#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/safefile.h"
#include "platform/stringtable.h"

#include <QFontDatabase>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

int DataReadFilterIndex = 0;

namespace {

constexpr int kCommentGroup = 107;
constexpr int kSearchGroup = 117;

constexpr PControlSpec kDataReadRows[] = {
    {110, PKind::ListBox, nullptr, 0, pf::FullRow | pf::HScroll},
    {102, PKind::Edit, "X-ﾃﾞｰﾀ(&X):"},
    {113, PKind::CheckBox, "ｴﾗｰﾊﾞｰ(&R)", 0, pf::SameRow},
    {111, PKind::Edit, "最大/最小:", 0, pf::SameRow},
    {115, PKind::Edit, nullptr, 0, pf::SameRow},
    {103, PKind::Edit, "Y-ﾃﾞｰﾀ(&Y):"},
    {114, PKind::CheckBox, "ｴﾗｰﾊﾞｰ(&B)", 0, pf::SameRow},
    {112, PKind::Edit, "最大/最小:", 0, pf::SameRow},
    {116, PKind::Edit, nullptr, 0, pf::SameRow},
    {122, PKind::Edit, "ﾊﾟﾗﾒｰﾀ(&P):", 0, pf::FullRow},
    {104, PKind::Edit, "読取開始行(&S):"},
    {105, PKind::Edit, "読取終了行(&E):", 0, pf::SameRow},
    {106, PKind::Edit, "行ｽｷｯﾌﾟ(&G):", 0, pf::SameRow},
    {kCommentGroup, PKind::GroupBox, "ｺﾒﾝﾄ行の処理", 0, pf::FullRow},
    {108, PKind::RadioButton, "読取の中止(&A)", kCommentGroup},
    {109, PKind::RadioButton, "無視(&K)", kCommentGroup, pf::SameRow},
    {121, PKind::RadioButton, "ﾃﾞｰﾀの区切りとする(&T)", kCommentGroup, pf::SameRow},
    {kSearchGroup, PKind::GroupBox, "ﾃﾞｰﾀ検索方法", 0, pf::FullRow},
    {118, PKind::RadioButton, "&Full Path", kSearchGroup},
    {119, PKind::RadioButton, "&Datadrive + Path", kSearchGroup, pf::SameRow},
    {120, PKind::RadioButton, "&Current Directory", kSearchGroup, pf::SameRow},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {123, PKind::PushButton, "ﾌｧｲﾙの変更(&H)"},
};
const PDialogTemplate kDataReadTemplate{3, "数値ﾃﾞｰﾀの読取り", kDataReadRows};

// The controls each reload item stands for.
constexpr int kItemControls[12][3] = {
    {102}, {113}, {111, 115}, {103}, {114}, {112, 116},
    {122}, {104}, {105},      {106}, {108, 109, 121}, {118, 119, 120},
};

constexpr int kPreviewLines = 100;
constexpr int kPreviewRead = 2000;  // a read takes at most 1999 characters
constexpr int kPreviewShown = 99;   // characters of a line shown

// The first kPreviewShown bytes of a CP932 line, never cutting a double-byte
// character.
std::string CutLine(const char* line) {
    const char* p = line;
    while (*p) {
        const char* next = CharNextA(p);
        if (next - line > kPreviewShown) break;
        p = next;
    }
    return std::string(line, std::size_t(p - line));
}

}  // namespace

TDataReadDialog::TDataReadDialog(QWidget* parent, TPlot* plot, const BYTE* items)
    : PDialog(parent, kDataReadTemplate), Plot(plot), Items(items),
      Preview(Control<PListBox>(110)) {
    if (Plot) lstrcpynA(FilePath, Plot->DataFileName, MAX_PATH);
    // Data columns line up in a fixed-pitch font.
    Preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    resize(640, 560);
    OnNotify(110, LBN_SELCHANGE, &TDataReadDialog::EvPreviewSelChange);
    OnCommand(118, &TDataReadDialog::CmFullPath);
    OnCommand(119, &TDataReadDialog::CmDataDrivePath);
    OnCommand(120, &TDataReadDialog::CmCurrentDirectory);
    OnCommand(123, &TDataReadDialog::CmChangeFile);
}

void TDataReadDialog::Fail(int stringId) {
    kv::MessageBox(this, kv::LoadString(stringId), nullptr, MB_OK | MB_ICONSTOP);
}

void TDataReadDialog::SetupWindow() {
    PDialog::SetupWindow();
    if (!Plot || Plot->IsFileData != 1) {
        Fail(46);
        CloseWindow(IDCANCEL);
        return;
    }
    const TPlotFile& f = Plot->PlotFile;
    SetItemInt(102, f.XColumn);
    SetItemInt(103, f.YColumn);
    SetItemInt(104, f.StartRow);
    SetItemInt(105, f.EndRow);
    SetItemInt(106, f.RowSkip);
    SetItemInt(111, f.XMaxColumn);
    SetItemInt(115, f.XMinColumn);
    SetItemInt(112, f.YMaxColumn);
    SetItemInt(116, f.YMinColumn);
    CheckItem(113, f.IsXErrorBar == 1 ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(114, f.IsYErrorBar == 1 ? BF_CHECKED : BF_UNCHECKED);
    const int comment[] = {108, 109, 121};
    for (int i = 0; i < 3; ++i) CheckItem(comment[i], f.CommentMode == i + 1 ? BF_CHECKED : BF_UNCHECKED);
    const int search[] = {118, 119, 120};
    for (int i = 0; i < 3; ++i) CheckItem(search[i], f.SearchMethod == i ? BF_CHECKED : BF_UNCHECKED);
    SetItemDocText(122, f.ParamColumnSpec);
    if (Items)
        for (int item = 0; item < 12; ++item)
            if (!Items[item])
                for (int id : kItemControls[item])
                    if (id) EnableControl(id, false);
    PreviewFile();
    Preview->SetSelIndex(f.StartRow > 0 ? f.StartRow - 1 : -1);
    SetCaptionDoc(kv::FileNameWithExt(
        std::string_view(Plot->DataFileName, ::strnlen(Plot->DataFileName, MAX_PATH))));
}

bool TDataReadDialog::PreviewFile() {
    Preview->ClearList();
    if (!Plot || Plot->IsFileData != 1) {
        Fail(46);
        return false;
    }
    const std::string path = DataFileLocalPath(FilePath, Plot->PlotFile.SearchMethod);
    // Only a regular file: a directory reads nothing and a pipe may never end.
    kv::UniqueFile file(kv::OpenRegularFile(path));
    if (!file) {
        Fail(27);
        return false;
    }
    char buf[kPreviewRead];
    for (int n = 1; n <= kPreviewLines; ++n) {
        if (!std::fgets(buf, sizeof buf, file.get())) break;
        std::size_t len = std::strlen(buf);
        while (len > 0 && (buf[len - 1] == '\n' || buf[len - 1] == '\r')) buf[--len] = '\0';
        Preview->AddString(QString::fromStdString(kv::Format("%3d : ", n)) +
                           kv::FromDoc(CutLine(buf)));
    }
    return true;
}

void TDataReadDialog::EvPreviewSelChange() {
    const int i = Preview->GetSelIndex();
    if (i != LB_ERR) SetItemInt(104, i + 1);
}

void TDataReadDialog::SetSearchMethod(int method) {
    if (!Plot) return;
    Plot->PlotFile.SearchMethod = method;
    PreviewFile();
}

void TDataReadDialog::CmChangeFile() {
    const kv::FileDialogRequest request{
        .kind = kv::FileDialogKind::Open,
        .owner = this,
        .title = kv::LoadString(77),
        .filters = {{"(*.dat)", "*.dat"}, {"(*.*)", "*.*"}, {"(*.txt)", "*.txt"}, {"(*.csv)", "*.csv"}},
        .filterIndex = DataReadFilterIndex,
        .initialDir = {},
        .fileName = {},
        .defExt = std::string(1, '.'),
        .flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER,
    };
    const kv::FileDialogResult r = kv::RunFileDialog(request);

    DWORD error = r.error;
    if (r.chosen && !r.files.empty()) {
        // The document keeps names in CP932, at most MAX_PATH - 1 bytes.
        std::string name;
        if (!kv::ToDocExact(QString::fromStdString(r.files.front()), &name))
            error = FNERR_INVALIDFILENAME;
        else if (name.size() >= std::size_t(MAX_PATH))
            error = FNERR_BUFFERTOOSMALL;
        else {
            DataReadFilterIndex = r.filterIndex;
            lstrcpynA(FilePath, name.c_str(), MAX_PATH);
            PreviewFile();
            SetCaptionDoc(kv::FileNameWithExt(FilePath));
            return;
        }
    }
    if (error)
        kv::MessageBox(this, kv::Format("Error No. #%ld", long(error)), "WARNING", MB_OK | MB_ICONSTOP);
}

void TDataReadDialog::CmOk() {
    if (!Plot) return;
    TPlotFile& f = Plot->PlotFile;
    bool over = false;

    const std::string params = ItemDocText(122);
    if (!Plot->ParseParameterColumns(params.c_str(), 1)) return Fail(47);
    f.ParamColumnSpec = params;

    const int x = ItemInt(102, &over);
    if (over || x < 0 || x > 99) return Fail(48);
    f.XColumn = x;
    const int y = ItemInt(103, &over);
    if (over || y < 0 || y > 99) return Fail(49);
    f.YColumn = y;

    f.StartRow = ItemInt(104);
    f.EndRow = ItemInt(105);

    const int skip = ItemInt(106, &over);
    if (over || skip < 1) return Fail(50);
    f.RowSkip = skip;

    lstrcpynA(Plot->DataFileName, FilePath, MAX_PATH);

    const int xMax = ItemInt(111, &over);
    if (over || xMax < 1 || xMax > 99) return Fail(51);
    f.XMaxColumn = xMax;
    const int xMin = ItemInt(115, &over);
    if (over || xMin < 1 || xMin > 99) return Fail(51);
    f.XMinColumn = xMin;
    const int yMax = ItemInt(112, &over);
    if (over || yMax < 1 || yMax > 99) return Fail(52);
    f.YMaxColumn = yMax;
    const int yMin = ItemInt(116, &over);
    if (over || yMin < 1 || yMin > 99) return Fail(52);
    f.YMinColumn = yMin;

    f.IsXErrorBar = IsItemChecked(113);
    f.IsYErrorBar = IsItemChecked(114);
    if (IsItemChecked(108)) f.CommentMode = 1;
    else if (IsItemChecked(109)) f.CommentMode = 2;
    else if (IsItemChecked(121)) f.CommentMode = 3;
    if (IsItemChecked(118)) f.SearchMethod = 0;
    else if (IsItemChecked(119)) f.SearchMethod = 1;
    else if (IsItemChecked(120)) f.SearchMethod = 2;
    CloseWindow(IDOK);
}
