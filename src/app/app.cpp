// The application object: start-up, the services the chart view asks of it, the
// caption, the settings written at every passed close check, New, the tools and
// the command table.

#include "app/app.h"

#include "app/appenv.h"
#include "app/glyphs.h"
#include "app/frame.h"
#include "app/menus.h"
#include "chart/chartwindow.h"
#include "chart/winlayer/escapepoll.h"
#include "dialogs/datacommands.h"
#include "dialogs/filterdialog.h"
#include "dialogs/kit/qtservices.h"
#include "platform/cformat.h"
#include "platform/colordialog.h"
#include "platform/font.h"
#include "platform/messagebox.h"
#include "platform/objstrm.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/stringtable.h"
#include "render/textlayout.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>
#include <QUrl>

#include <cfenv>
#include <cstdlib>
#include <new>

namespace {

using Entry = kv::win::TCommandEntry<korvidaApp>;

// In the order of the application's response table. An entry without a handler is
// a command whose work is not in the program yet: shown disabled.
const Entry kAppCommands[] = {
    {CM_FILENEW, &korvidaApp::CmFileNew, nullptr},
    {CM_FILEOPEN, &korvidaApp::CmFileOpen, nullptr},
    {CM_FILECLOSE, &korvidaApp::CmFileClose, nullptr},
    {CM_FILEPRINT, &korvidaApp::CmFilePrint, &korvidaApp::CePrint},
    {CM_FILEPRINTSETUP, &korvidaApp::CmFilePrintSetup, &korvidaApp::CePrint},
    {CM_FILEPRINTPREVIEW, &korvidaApp::CmFilePrintPreview, nullptr},
    {CM_HELPABOUT, &korvidaApp::CmHelpAbout, nullptr},
    {CM_TOOLSELECT, &korvidaApp::CmToolSelect, nullptr},
    {CM_INSERTTEXT, &korvidaApp::CmInsertText, nullptr},
    {CM_TOOLDRAGWINDOW, &korvidaApp::CmToolDragWindow, nullptr},
    {CM_TOOLTRIMMING, &korvidaApp::CmToolTrimming, nullptr},
    {CM_TOOLWATCH, &korvidaApp::CmToolWatch, nullptr},
    {CM_TOOLLINE, &korvidaApp::CmToolLine, nullptr},
    {CM_TOOLRECTANGLE, &korvidaApp::CmToolRectangle, nullptr},
    {CM_TOOLROUNDRECT, &korvidaApp::CmToolRoundRect, nullptr},
    {CM_TOOLELLIPSE, &korvidaApp::CmToolEllipse, nullptr},
    {CM_TOOLAXISCUT, &korvidaApp::CmToolAxisCut, nullptr},
    {CM_INSERTLEGEND, &korvidaApp::CmInsertLegend, nullptr},
    {CM_TOOLPOLYLINE, &korvidaApp::CmToolPolyline, nullptr},
    {CM_FILESAVEAS, &korvidaApp::CmFileSaveAs, nullptr},
    {CM_FILESAVE, &korvidaApp::CmFileSave, nullptr},
    {CM_FILEEXPORT, &korvidaApp::CmFileExport, nullptr},
    {CM_FILEADD, &korvidaApp::CmFileAdd, nullptr},
    {CM_HISTORY1, &korvidaApp::CmHistory1, nullptr},
    {CM_HISTORY2, &korvidaApp::CmHistory2, nullptr},
    {CM_HISTORY3, &korvidaApp::CmHistory3, nullptr},
    {CM_HISTORY4, &korvidaApp::CmHistory4, nullptr},
    {CM_HISTORY5, &korvidaApp::CmHistory5, nullptr},
};

std::vector<std::string>& Arguments() {
    static std::vector<std::string> args;
    return args;
}

void WriteInt(const char* section, const char* key, int value, const char* path) {
    WritePrivateProfileStringA(section, key, kv::Format("%d", value).c_str(), path);
}

}  // namespace

// ---------------------------------------------------------------- construction

korvidaApp::korvidaApp() {
    previousServices_ = kv::win::SetApplication(this);
    History.fill(std::string());
}

korvidaApp::~korvidaApp() {
    if (idle_) QObject::disconnect(idle_);
    // The frame (with the chart view) goes while the services are still ours: the
    // chart view may ask for them on its way out.
    frame_.reset();
    kv::win::SetApplication(previousServices_);
}

void korvidaApp::SetArguments(int argc, char** argv) {
    Arguments().clear();
    for (int i = 1; i < argc; ++i) Arguments().emplace_back(argv[i] ? argv[i] : "");
}

std::vector<std::string>& korvidaApp::SavedArguments() { return Arguments(); }

TChartWindow* korvidaApp::Client() const { return Frame ? Frame->Client() : nullptr; }

void korvidaApp::InitMainWindow() {
    auto* chart = new TChartWindow();
    frame_ = std::make_unique<MainFrame>(*this, chart);
    Frame = frame_.get();
    Frame->setWindowTitle(QString());
    Frame->setWindowIcon(kv::app::ProgramIcon());
    Frame->SetupMenu(Router);
    Frame->SetupCommandBar(Router);
    palette_ = std::make_unique<kv::app::TQtToolPalette>();
    Frame->SetupToolPalette(Router, *palette_);
    Frame->SetupStatusBar();
    Router.SetTargets({chart, Frame, this});

    // Floating-point errors give infinities and NaNs for the whole run, never a
    // trap.
    fedisableexcept(FE_ALL_EXCEPT);

    appDirectory_ = kv::app::ProgramDirectory(nullptr);

    FileDialogData = kv::FileDialogRequest{};
    FileDialogData.filters = {{"Korvida File (*.kv3)", "*.kv3"}};
    FileDialogData.filterIndex = 1;
    FileDialogData.flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                           OFN_OVERWRITEPROMPT;
    FileDialogData.defExt = "kv3";
    FileNameBuffer.clear();

    profilePath_ = kv::app::ComputeProfilePath(std::getenv("HOME"), kv::app::LogonUserName(), appDirectory_);
}

void korvidaApp::InitInstance(bool show) {
    InitMainWindow();
    Frame->Create();
    UpdateCommandStates();
    // The enable handlers run whenever the program waits for input, as menus and
    // buttons follow the program's state between events.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        idle_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, Frame,
                                 [this] { UpdateCommandStates(); });
    if (show) Frame->show();
}

int korvidaApp::Run() {
    InitInstance(true);
    return QApplication::exec();
}

void korvidaApp::UpdateCommandStates() { Router.UpdateActions(); }

// ---------------------------------------------------------------- services

void korvidaApp::UpdateCaption(const char* name) {
    TApplicationServices::UpdateCaption(name);
    if (Frame) Frame->setWindowTitle(QString::fromStdString(Caption()));
}

kv::win::TStatusBar* korvidaApp::StatusBar() {
    if (Frame && Frame->Status()) return Frame->Status();
    return TApplicationServices::StatusBar();
}

kv::win::TToolPalette* korvidaApp::ToolPalette() {
    if (palette_) return palette_.get();
    return TApplicationServices::ToolPalette();
}

bool korvidaApp::GetPrinterPage(kv::win::TPrinterPage& page) { return PrinterObject().GetPage(page); }

void korvidaApp::CheckMenuItem(int id, bool checked) {
    TApplicationServices::CheckMenuItem(id, checked);
    Router.SetCheck(id, checked);
    if (Frame)
        if (QAction* a = Frame->MenuAction(id)) {
            a->setCheckable(true);
            a->setChecked(checked);
        }
}

bool korvidaApp::IsMenuItemChecked(int id) const {
    if (Frame)
        if (QAction* a = Frame->MenuAction(id)) return a->isCheckable() && a->isChecked();
    return TApplicationServices::IsMenuItemChecked(id);
}

void korvidaApp::OpenHelp(const std::string& helpFile) {
    // The help's viewer lies outside the program: the desktop's, when there is a
    // file to show.
    if (kv::FileExists(helpFile)) QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(helpFile)));
}

void korvidaApp::CloseHelp(const std::string&) {
    // A viewer the desktop started is the user's to close.
}

void korvidaApp::SaveSettings() {
    TChartWindow* w = Client();
    if (!w || !Frame) return;
    const std::string profile = ProfilePath();
    const char* path = profile.c_str();
    // Every key goes to the file in one write, at the end.
    kv::ProfileBatch batch(profile);

    const bool barVisible = Frame->CommandBar() && Frame->CommandBar()->isVisibleTo(Frame);
    QRect r = Frame->normalGeometry();
    if (!r.isValid()) r = Frame->geometry();

    WriteInt("Window", "left", r.left(), path);
    WriteInt("Window", "top", r.top(), path);
    WriteInt("Window", "right", r.left() + r.width(), path);
    WriteInt("Window", "bottom", r.top() + r.height(), path);
    WriteInt("Window", "handlesize", w->Settings.HandleSizeSetting, path);
    WriteInt("Window", "datahitalgorithm", w->Settings.DataHitAlgorithm, path);
    WritePrivateProfileStringA("Window", "datadrive", w->Settings.DataDrive, path);
    WriteInt("Window", "ManualRefresh", w->ManualRefresh, path);
    WriteInt("Window", "HeaderType", w->Settings.HeaderType, path);
    WriteInt("Window", "HeaderPosition", w->Settings.HeaderPosition, path);
    WriteInt("Window", "FooterType", w->Settings.FooterType, path);
    WriteInt("Window", "FooterPosition", w->Settings.FooterPosition, path);
    WriteInt("Window", "CommandBar", barVisible ? 1 : 0, path);

    for (int k = 1; k <= kv::app::HistorySize; ++k) {
        const std::string key = "file" + std::to_string(k);
        WritePrivateProfileStringA("History", key.c_str(), History[std::size_t(k - 1)].c_str(), path);
    }

    WritePrivateProfileStringA("Other", "editor", w->Settings.Editor, path);
    WriteInt("Other", "ReloadDataBeforePlot", w->Settings.ReloadDataBeforePlot, path);
    WriteInt("Other", "AutoScaleMargin", w->Settings.AutoScaleMargin, path);
    WriteInt("Other", "WMFMargin", w->Settings.WMFMargin, path);
    WriteInt("Other", "DataPrecision", w->Settings.DataPrecision, path);

    w->Defaults.WriteDefaultFrame(path);
    w->Defaults.WriteDefaultAxes(path);
    w->Defaults.WriteDefaultPlotStyle(path);
    w->Defaults.WriteDefaultMemoryPlotStyle(path);
    w->Defaults.WriteDefaultText(path);
    w->Defaults.WriteDefaultParts(path);
}

// ---------------------------------------------------------------- commands

const kv::win::TCommandTable<korvidaApp>& korvidaApp::CommandTable() {
    static const kv::win::TCommandTable<korvidaApp> table(kAppCommands, int(std::size(kAppCommands)));
    return table;
}

bool korvidaApp::ProcessCommand(int id) { return CommandTable().Process(*this, id); }

bool korvidaApp::ProcessCommandEnable(kv::win::TCommandEnabler& ce) {
    return CommandTable().ProcessEnable(*this, ce);
}

void korvidaApp::CmFileNew() {
    TChartWindow* w = Client();
    if (!w) return;
    if (w->Document.Modified != 0 && !w->CanClose()) return;
    NewGraphHooks hooks = w->MakeNewGraphHooks();
    try {
        w->Defaults.NewGraph({w->Document.AxisSets, w->Document.Current, w->Document.CurrentNo,
                              w->Document.Modified, w->FileName},
                             hooks);
    } catch (const std::bad_alloc&) {
        kv::MessageBox(static_cast<QWidget*>(w), kv::LoadString(17), nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    w->ShowCurrentAxisSet();
    w->Invalidate(true);
}

void korvidaApp::CmFileClose() { CmFileNew(); }

void korvidaApp::CmFileExport() {
    if (TChartWindow* w = Client()) RunFileExport(w, AppDirectory(), GraphFileVersion);
}

void korvidaApp::ToolCommand() {
    // The palette is already in its new state; the chart view reads it.
    if (TChartWindow* w = Client()) {
        w->ClearFeedback();
        w->SetToolCursor();
    }
}

void korvidaApp::CmToolSelect() { ToolCommand(); }

// The text and legend buttons act once and hand the page back to the selection
// tool.
void korvidaApp::InsertCommand(void (TChartWindow::*insert)()) {
    TChartWindow* w = Client();
    if (!w) return;
    w->ClearFeedback();
    (w->*insert)();
    if (palette_) palette_->SetButtonDown(CM_TOOLSELECT);
    w->SetToolCursor();
}

void korvidaApp::CmInsertText() { InsertCommand(&TChartWindow::InsertText); }
void korvidaApp::CmInsertLegend() { InsertCommand(&TChartWindow::InsertLegend); }
void korvidaApp::CmToolDragWindow() { ToolCommand(); }
void korvidaApp::CmToolTrimming() { ToolCommand(); }
void korvidaApp::CmToolWatch() { ToolCommand(); }
void korvidaApp::CmToolLine() { ToolCommand(); }
void korvidaApp::CmToolRectangle() { ToolCommand(); }
void korvidaApp::CmToolRoundRect() { ToolCommand(); }
void korvidaApp::CmToolEllipse() { ToolCommand(); }
void korvidaApp::CmToolAxisCut() { ToolCommand(); }
void korvidaApp::CmToolPolyline() { ToolCommand(); }

// ---------------------------------------------------------------- program-wide

namespace kv::app {

bool ReportStrayException(std::exception_ptr e) {
    std::string text;
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        text = kv::LoadString(17);
    } catch (const std::exception& x) {
        text = x.what();
    } catch (...) {
        text = "Unknown exception";
    }
    text += "\n" + kv::LoadString(32765);
    return kv::MessageBox(nullptr, text, nullptr, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

kv::ColorDialogResult QtColorDialog(const kv::ColorDialogRequest& request) {
    auto toQ = [](COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); };
    auto fromQ = [](const QColor& c) { return RGB(BYTE(c.red()), BYTE(c.green()), BYTE(c.blue())); };
    if (request.custom)
        for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, toQ((*request.custom)[std::size_t(i)]));
    QColorDialog dlg(static_cast<QWidget*>(request.owner));
    dlg.setOption(QColorDialog::DontUseNativeDialog, true);
    if (request.flags & CC_RGBINIT) dlg.setCurrentColor(toQ(request.color));
    kv::ColorDialogResult result;
    if (dlg.exec() != QDialog::Accepted) return result;  // custom colours as they were
    result.chosen = true;
    result.color = fromQ(dlg.selectedColor());
    if (request.custom)
        for (int i = 0; i < 16; ++i) (*request.custom)[std::size_t(i)] = fromQ(QColorDialog::customColor(i));
    return result;
}

void InstallProgramServices() {
    kv::InstallQtDialogServices();
    kv::SetColorDialogHandler(QtColorDialog);
    kv::InstallTextLayout();
    // The "C" and "F" buttons of the formula and plot-style dialogs.
    InstallFormulaDialogRunners();
    kv::InstallFontSubstitutions();
    kv::win::InstallEscapePoll();
    InstallPrintServices();
}

}  // namespace kv::app
