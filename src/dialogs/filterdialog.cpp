#include "dialogs/filterdialog.h"

#include "dialogs/dialoghost.h"
#include "dialogs/kit/dlgtext.h"
#include "model/chartsettings.h"
#include "model/graphfile.h"
#include "platform/cformat.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/stringtable.h"
#include "render/graphdraw.h"

#include <QFile>

int LastFilterIndex = 0;
int LastFilterType = FilterWindowsMetafile;
std::string LastFilterProgram;
std::string LastFilterOption;
std::string LastOutputFile;
std::string ExportBrowseFileName;

namespace {

constexpr PControlSpec kFilterRows[] = {
    {101, PKind::ComboEdit, "ﾌｨﾙﾀ(&F):", 0, pf::VScroll},
    {102, PKind::Edit, "ﾌﾟﾛｸﾞﾗﾑ名(&P):", 0, pf::HScroll, 260},
    {103, PKind::Edit, "ｵﾌﾟｼｮﾝ(&T):", 0, pf::HScroll, 260},
    {104, PKind::Edit, "出力ﾌｧｲﾙ(&U):", 0, pf::HScroll, 260},
    {105, PKind::PushButton, "追加(&A)"},
    {106, PKind::PushButton, "削除(&R)"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "ｷｬﾝｾﾙ"},
    {107, PKind::PushButton, "&Browse...", 0, pf::InBody | pf::SameRow},
};
const PDialogTemplate kFilterTemplate{35, "ｴｸｽﾎﾟｰﾄ", kFilterRows};

std::string Text(const PDialog& dlg, int id) { return dlg.ItemText(id).toStdString(); }

// "フィルタ名、プログラム名、オプションにはカンマ (,) を使えません。"
constexpr int kCommaInFilterField = 1405;

}  // namespace

TFilterDialog::TFilterDialog(QWidget* parent, const std::string& appDirectory)
    : PDialog(parent, kFilterTemplate), FilterIni(FilterIniPath(appDirectory)) {
    Filter = Control<PComboBox>(101);
    OnNotify(101, CBN_SELCHANGE, &TFilterDialog::EvFilterSelChange);
    OnCommand(105, &TFilterDialog::CmAdd);
    OnCommand(106, &TFilterDialog::CmDelete);
    OnCommand(107, &TFilterDialog::CmBrowse);
}

TFilterDialog::~TFilterDialog() = default;

void TFilterDialog::SetupWindow() {
    PDialog::SetupWindow();
    FillFilterList();
    ShowEntry(LastFilterIndex);
    SetItemText(104, QString::fromStdString(LastOutputFile));
}

int TFilterDialog::ReadFilterIni() { return ::ReadFilterIni(FilterIni, FilterList) ? 1 : 0; }

int TFilterDialog::WriteFilterIni() { return ::WriteFilterIni(FilterIni, FilterList) ? 1 : 0; }

void TFilterDialog::FillFilterList() {
    FilterList.clear();
    FilterList.emplace_back("Windows Metafile", "", "", FilterWindowsMetafile);
    FilterList.emplace_back("Korvida Vector Format", "", "", FilterVectorFile);
    ReadFilterIni();
    Filter->ClearList();
    for (const FilterEntry& e : FilterList) Filter->AddString(QString::fromStdString(e.Name));
}

void TFilterDialog::ShowEntry(int i) {
    // A position the list no longer has (filter.ini changed since it was chosen)
    // shows the first entry.
    if (i < 0 || i >= int(FilterList.size())) i = 0;
    Filter->SetSelIndex(i);
    SetItemText(102, QString::fromStdString(FilterList[std::size_t(i)].Program));
    SetItemText(103, QString::fromStdString(FilterList[std::size_t(i)].Option));
}

int TFilterDialog::ChosenEntry() const {
    const std::string typed = Filter->GetText().toStdString();
    const int sel = Filter->GetSelIndex();
    if (sel >= 0 && sel < int(FilterList.size()) && FilterList[std::size_t(sel)].Name == typed)
        return sel;
    for (std::size_t i = 0; i < FilterList.size(); ++i)
        if (FilterList[i].Name == typed) return int(i);
    return -1;
}

void TFilterDialog::EvFilterSelChange() { ShowEntry(Filter->GetSelIndex()); }

void TFilterDialog::CmAdd() {
    std::string name = Filter->GetText().toStdString();
    std::string program = Text(*this, 102);
    std::string option = Text(*this, 103);
    // filter.ini separates the fields by commas and passes over a line with more
    // than two: a filter with a comma anywhere would be lost at the next reading.
    if ((name + program + option).find(',') != std::string::npos) {
        kv::MessageBox(this, kv::LoadString(kCommaInFilterField), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    FilterList.emplace_back(std::move(name), std::move(program), std::move(option),
                            FilterExternalProgram);
    WriteFilterIni();
    FillFilterList();
    ShowEntry(int(FilterList.size()) - 1);
}

void TFilterDialog::CmDelete() {
    const int i = ChosenEntry();
    if (i >= 0 && FilterList[std::size_t(i)].Type == FilterExternalProgram)
        FilterList.erase(FilterList.begin() + i);
    WriteFilterIni();
    FillFilterList();
    ShowEntry(0);
}

void TFilterDialog::CmBrowse() {
    kv::FileDialogRequest request;
    request.kind = kv::FileDialogKind::Save;
    request.owner = this;
    request.title = "Export";
    request.filters = {{"Windows Metafile(*.wmf)", "*.wmf"},
                       {"Korvida vector format(*.kvx)", "*.kvx"},
                       {"EPSF (*.eps)", "*.eps"},
                       {"*.*", "*.*"}};
    request.filterIndex = 1;
    request.fileName = ExportBrowseFileName;
    request.defExt = ".";
    request.flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                    OFN_FILEMUSTEXIST;
    const kv::FileDialogResult r = kv::RunFileDialog(request);
    if (r.chosen && !r.files.empty()) {
        ExportBrowseFileName = r.files.front();
        SetItemText(104, QString::fromStdString(ExportBrowseFileName));
    } else if (r.error) {
        kv::MessageBox(this, kv::Format("Error No. #%ld", long(r.error)), "WARNING",
                       MB_OK | MB_ICONSTOP);
    }
}

void TFilterDialog::CmOk() {
    const std::string output = Text(*this, 104);
    if (!output.empty() &&
        kv::FileExists(QFile::encodeName(QString::fromStdString(output)).toStdString()) &&
        kv::MessageBox(this, kv::LoadString(107), "CAUTION", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    WriteFilterIni();
    const int i = ChosenEntry();
    if (i >= 0) {
        LastFilterIndex = i;
        LastFilterType = FilterList[std::size_t(i)].Type;
    } else {
        // A name typed without choosing a line: the program and option typed
        // beside it make the filter.
        LastFilterType = FilterExternalProgram;
    }
    LastFilterProgram = Text(*this, 102);
    LastFilterOption = Text(*this, 103);
    LastOutputFile = output;
    CloseWindow(IDOK);
}

ExportPage MakeChartExportPage(kv::DialogHost* host, int graphFileVersion) {
    ExportPage page;
    if (!host) return page;
    GraphDocument& document = host->HostDocument();
    page.DrawGraph = [&document](int mode, TDC& dc, FILE* file, TRect* extent) {
        ::DrawGraph(document.AxisSets, mode, dc, file, extent);
    };
    if (document.Env) {
        page.PrintableWidth = document.Env->PrintableWidth;
        page.PrintableHeight = document.Env->PrintableHeight;
    }
    page.WMFMargin = host->HostSettings().WMFMargin;
    page.GraphFileVersion = graphFileVersion;
    page.Owner = host->HostWindow();
    return page;
}

int RunFileExport(kv::DialogHost* host, const std::string& appDirectory, int graphFileVersion) {
    TFilterDialog dlg(host ? host->HostWindow() : nullptr, appDirectory);
    if (dlg.Execute() != IDOK) return 0;
    const ExportPage page = MakeChartExportPage(host, graphFileVersion);
    switch (LastFilterType) {
    case FilterExternalProgram:
        return RunExportFilter(page, LastFilterProgram, LastOutputFile, LastFilterOption);
    case FilterWindowsMetafile: return ExportPlaceableMetafile(page, LastOutputFile);
    case FilterVectorFile: return ExportVectorFile(page, LastOutputFile);
    default: return 0;
    }
}
