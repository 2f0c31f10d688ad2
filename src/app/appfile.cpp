// The graph-file commands of the application object: open, add, save, save as,
// the save behind the close check, the history's reopening and the command line.

#include "app/app.h"

#include "app/frame.h"
#include "app/history.h"
#include "app/menus.h"
#include "chart/chartwindow.h"
#include "model/graphfile.h"
#include "platform/cformat.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/stringtable.h"

#include <QWidget>

namespace {

// String-table ids.
constexpr int IdsNotGraphFile = 16;
constexpr int IdsCannotOpen = 18;
constexpr int IdsOverwrite = 20;
constexpr int IdsSaveTitle = 22;
constexpr int IdsMemoryData = 29;
constexpr int IdsOpenTitle = 72;
constexpr int IdsSaveAsTitle = 73;
constexpr int IdsAddTitle = 76;

void* Owner(TChartWindow* w) { return static_cast<QWidget*>(w); }

// The path with its extension (from the last '.' of the file name) replaced by
// ".kv3", or ".kv3" appended when it has none.
std::string WithGraphExtension(const std::string& path) {
    const auto sep = path.find_last_of("/\\");
    const std::size_t nameStart = sep == std::string::npos ? 0 : sep + 1;
    const auto dot = path.rfind('.');
    const std::string stem = dot != std::string::npos && dot >= nameStart ? path.substr(0, dot) : path;
    return stem + ".kv3";
}

}  // namespace

// ---------------------------------------------------------------- common pieces

bool korvidaApp::MemoryDataCheck() {
    TChartWindow* w = Client();
    int i = 0;
    for (BoxFrame* set : w->Document.AxisSets) {
        ++i;
        if (set->IsOnlyParameter == 1 && set->HasMemoryData() == 1) {
            kv::MessageBox(Owner(w), kv::LoadString(IdsMemoryData), kv::Format("Axis No.%d", i).c_str(),
                           MB_OK | MB_ICONSTOP);
            return false;
        }
    }
    return true;
}

bool korvidaApp::RunGraphFileDialog(kv::FileDialogKind kind, int titleId, std::string& path) {
    kv::FileDialogRequest request = FileDialogData;
    request.kind = kind;
    request.owner = static_cast<QWidget*>(Frame);
    request.title = kv::LoadString(titleId);
    request.fileName = FileNameBuffer;
    // A save names a file that may not exist yet; an existing one is asked about.
    if (kind == kv::FileDialogKind::Save) request.flags &= ~DWORD(OFN_FILEMUSTEXIST);
    const kv::FileDialogResult result = kv::RunFileDialog(request);

    DWORD error = result.error;
    if (result.chosen && !result.files.empty()) {
        if (result.files.front().size() <= MaxGraphPath) {
            path = result.files.front();
            FileNameBuffer = path;
            if (result.filterIndex > 0) FileDialogData.filterIndex = result.filterIndex;
            return true;
        }
        // The name does not fit the field every graph path is kept in.
        error = FNERR_BUFFERTOOSMALL;
    }
    if (error != 0)
        kv::MessageBox(static_cast<QWidget*>(Frame), "Error No. #" + kv::Format("%ld", long(error)), "WARNING",
                       MB_OK | MB_ICONSTOP);
    return false;
}

void korvidaApp::AfterRead(const std::string& path) {
    TChartWindow* w = Client();
    w->Document.Modified = 0;
    w->FileName = path;
    UpdateCaption(path.c_str());
    Frame->AddToHistory(path);
    w->CmFitPaper();
    w->ShowCurrentAxisSet();
}

int korvidaApp::ReadGraphFile(const std::string& path) {
    TChartWindow* w = Client();
    if (path.size() > MaxGraphPath) {
        kv::MessageBox(Owner(w), kv::LoadString(IdsCannotOpen), nullptr, MB_OKCANCEL);
        return 0;
    }
    return ::ReadGraphFile(w->Document, path, w->MakeGraphFileHooks());
}

int korvidaApp::WriteGraphFile(const std::string& path) {
    TChartWindow* w = Client();
    return ::WriteGraphFile(w->Document, path, w->MakeGraphFileHooks());
}

int korvidaApp::AddGraphFile(const std::string& path) {
    TChartWindow* w = Client();
    return ::AddGraphFile(w->Document, path, w->MakeGraphFileHooks());
}

// ---------------------------------------------------------------- commands

void korvidaApp::CmFileOpen() {
    TChartWindow* w = Client();
    if (!w->CanClose()) return;
    std::string path;
    if (!RunGraphFileDialog(kv::FileDialogKind::Open, IdsOpenTitle, path)) return;
    if (!kv::app::IsGraphFile(path)) {
        kv::MessageBox(Owner(w), kv::LoadString(IdsNotGraphFile), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    if (ReadGraphFile(path) == 1) AfterRead(path);
}

void korvidaApp::CmFileAdd() {
    TChartWindow* w = Client();
    std::string path;
    if (!RunGraphFileDialog(kv::FileDialogKind::Open, IdsAddTitle, path)) return;
    if (!kv::app::IsGraphFile(path)) {
        kv::MessageBox(Owner(w), kv::LoadString(IdsNotGraphFile), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    if (AddGraphFile(path) == 1) {
        w->Document.Modified = 1;
        Frame->AddToHistory(path);
    }
}

void korvidaApp::CmFileSave() {
    TChartWindow* w = Client();
    if (!MemoryDataCheck()) return;
    if (kv::MessageBox(Owner(w), kv::LoadString(IdsOverwrite), "Caution!!", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    SaveGraph();
}

int korvidaApp::SaveUnderNewName(int titleId) {
    TChartWindow* w = Client();
    std::string chosen;
    if (!RunGraphFileDialog(kv::FileDialogKind::Save, titleId, chosen)) return 0;
    const std::string path = WithGraphExtension(chosen);
    if (path.size() > MaxGraphPath) {
        kv::MessageBox(static_cast<QWidget*>(Frame), "Error No. #" + kv::Format("%ld", long(FNERR_BUFFERTOOSMALL)),
                       "WARNING", MB_OK | MB_ICONSTOP);
        return 0;
    }
    // The dialog asked about the name as typed; a file under the name it becomes is
    // asked about here.
    if (path != chosen && kv::FileExists(path) &&
        kv::MessageBox(Owner(w), kv::LoadString(IdsOverwrite), "Caution!!", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return 0;
    w->SetOnlyParameterAll();
    if (WriteGraphFile(path) != 1) return 0;
    w->FileName = path;
    w->Document.Modified = 0;
    UpdateCaption(path.c_str());
    Frame->AddToHistory(path);
    return 1;
}

int korvidaApp::SaveGraph() {
    TChartWindow* w = Client();
    if (!w) return 0;
    // Every write checks first: the close check's save of an untitled graph too.
    if (!MemoryDataCheck()) return 0;
    if (w->FileName == UntitledGraphName) {
        FileNameBuffer = w->FileName;
        return SaveUnderNewName(IdsSaveTitle);
    }
    return WriteGraphFile(w->FileName);
}

void korvidaApp::CmFileSaveAs() {
    if (!MemoryDataCheck()) return;
    SaveUnderNewName(IdsSaveAsTitle);
}

// ---------------------------------------------------------------- history

void korvidaApp::ReopenHistory(int k) {
    TChartWindow* w = Client();
    if (!w->CanClose()) return;
    // The entry as it is now: the save above may have changed the history.
    const std::string entry = History[std::size_t(k - 1)];
    if (!kv::app::IsGraphFile(entry)) {
        kv::MessageBox(Owner(w), kv::LoadString(IdsNotGraphFile), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    if (ReadGraphFile(entry) != 1) return;
    AfterRead(entry);
}

void korvidaApp::CmHistory1() { ReopenHistory(1); }
void korvidaApp::CmHistory2() { ReopenHistory(2); }
void korvidaApp::CmHistory3() { ReopenHistory(3); }
void korvidaApp::CmHistory4() { ReopenHistory(4); }
void korvidaApp::CmHistory5() { ReopenHistory(5); }

int korvidaApp::OpenGraphFile(const char* name) {
    TChartWindow* w = Client();
    const std::string path = name ? name : "";
    if (!kv::app::IsGraphFile(path)) return 0;
    if (!w->CanClose()) return 0;
    if (ReadGraphFile(path) != 1) return 0;
    AfterRead(path);
    return 1;
}

// ---------------------------------------------------------------- command line

void korvidaApp::ProcessCommandLine() {
    const std::vector<std::string>& args = SavedArguments();
    if (args.empty()) return;
    bool anyGraph = false;
    for (const std::string& a : args)
        if (kv::app::IsGraphFile(a)) anyGraph = true;
    if (anyGraph) {
        // A graph file opens only alone; with anything else nothing happens.
        if (args.size() == 1 && ReadGraphFile(args.front()) == 1) AfterRead(args.front());
        return;
    }
    ProcessDataFileArguments(args);
}
