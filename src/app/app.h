#pragma once
// The application object: the root of the running program. It builds the main
// frame with its chart view, bars and menu, records the program directory and the
// per-user profile path, keeps the file history and the graph-file dialog's data,
// answers the file, history and tool commands, and stands behind the services the
// chart view asks of its application (kv::win::TApplicationServices).
//
// Paths are local file names (UTF-8). The graph-file paths the program keeps (the
// document's name, the history, the dialog's last name) hold at most
// MaxGraphPath bytes, the size of the fields the profile and the graph file's
// readers give them.

#include "app/history.h"
#include "app/printing.h"
#include "chart/winlayer/commands.h"
#include "chart/winlayer/services.h"
#include "platform/colordialog.h"
#include "platform/filedialog.h"

#include <QMetaObject>

#include <exception>
#include <memory>
#include <string>
#include <vector>

class MainFrame;
class TChartWindow;
class QToolBar;

namespace kv::app {
class TQtToolPalette;
}

constexpr std::size_t MaxGraphPath = 259;

class korvidaApp : public kv::win::TApplicationServices, public kv::win::TCommandTarget {
public:
    // Installs itself as the chart view's application; the graph-file version and
    // the empty history are set.
    korvidaApp();
    ~korvidaApp() override;
    korvidaApp(const korvidaApp&) = delete;
    korvidaApp& operator=(const korvidaApp&) = delete;

    // ---- Start-up.
    // The program's arguments (argv[1] on) for the command-line step.
    static void SetArguments(int argc, char** argv);
    static std::vector<std::string>& SavedArguments();
    // Builds the chart view and the frame with the command bar, the tool palette,
    // the status bar and the menu; masks the floating-point exceptions; records
    // the program directory, the graph-file dialog's data and the profile path.
    // No window is shown.
    void InitMainWindow();
    // InitMainWindow, then the frame's set-up (the chart view's profile settings,
    // the frame's rectangle, command bar and history, zoom to the paper, the
    // command line), then, when show is true, the frame is shown.
    void InitInstance(bool show = true);
    // InitInstance and the event loop; the loop's exit code.
    int Run();

    // ---- What the chart view asks of its application.
    std::string ProfilePath() const override { return profilePath_; }
    std::string AppDirectory() const override { return appDirectory_; }
    int SaveGraph() override;
    void SaveSettings() override;
    void UpdateCaption(const char* name) override;
    kv::win::TStatusBar* StatusBar() override;
    kv::win::TToolPalette* ToolPalette() override;
    bool GetPrinterPage(kv::win::TPrinterPage& page) override;
    void CheckMenuItem(int id, bool checked) override;
    bool IsMenuItemChecked(int id) const override;
    void OpenHelp(const std::string& helpFile) override;
    void CloseHelp(const std::string& helpFile) override;

    // ---- The command table.
    bool ProcessCommand(int id) override;
    bool ProcessCommandEnable(kv::win::TCommandEnabler& ce) override;
    static const kv::win::TCommandTable<korvidaApp>& CommandTable();
    // Gives every menu item and button its state, as an idle pass does.
    void UpdateCommandStates();

    // ---- New graph and the close command: after the close check when the graph
    // is modified, one new axis set with the default styles, "Untitled.kv3".
    void CmFileNew();
    void CmFileClose();
    // The export dialog and the writer it chooses.
    void CmFileExport();

    // ---- Printing, the full-screen page and the about box (appprint.cpp).
    // Prints the page after the printable-size check (page setup offered when
    // the document's printable size is not the printer's).
    void CmFilePrint();
    // The page-setup dialog, then the page re-measured and zoomed to the paper
    // (also after Cancel).
    void CmFilePrintSetup();
    // Enabled while the printer object reports no error.
    void CePrint(kv::win::TCommandEnabler& ce);
    // A changed system setting: for "windows", the printer object is replaced
    // unless it is still the system's default printer.
    void EvWinIniChange(const char* section);
    void CmFilePrintPreview();
    void CmHelpAbout();
    // The printer object, made when there is none.
    kv::app::TPrinter& PrinterObject();
    // Owned; made with the margin controls of page setup disabled.
    std::unique_ptr<kv::app::TPrinter> Printer = MakeInitialPrinter();

    // ---- Graph files.
    void CmFileOpen();
    void CmFileAdd();
    void CmFileSave();
    void CmFileSaveAs();
    // The graph read into the open document (1), or left as it was after a
    // message (0).
    int ReadGraphFile(const std::string& path);
    int WriteGraphFile(const std::string& path);
    int AddGraphFile(const std::string& path);
    // Runs once from the frame's set-up: a single graph-file argument is opened;
    // otherwise every argument is read as a data file into the current axis set.
    void ProcessCommandLine();
    // Opens a graph file without a dialog (a dropped file): silently nothing for a
    // name that is not a graph file, else the close check, the read and the
    // after-read steps. 1 when the graph was opened.
    int OpenGraphFile(const char* name);
    // Files dropped on the frame (local paths, in drop order): one graph file is
    // opened, several names with a graph file among them change nothing; data
    // files become series of the current axis set, several of them after the
    // question whether they share the first one's reading settings. The page is
    // repainted.
    void EvDropFiles(const std::vector<std::string>& names);

    // ---- History.
    void CmHistory1();
    void CmHistory2();
    void CmHistory3();
    void CmHistory4();
    void CmHistory5();

    // ---- Tools of the palette.
    void CmToolSelect();
    void CmInsertText();
    void CmInsertLegend();
    void CmToolDragWindow();
    void CmToolTrimming();
    void CmToolWatch();
    void CmToolLine();
    void CmToolRectangle();
    void CmToolRoundRect();
    void CmToolEllipse();
    void CmToolAxisCut();
    void CmToolPolyline();

    // ---- Parts.
    TChartWindow* Client() const;
    MainFrame* Frame = nullptr;
    kv::win::TCommandRouter Router;
    kv::app::History History;
    // The graph-file dialogs' data: filter, filter index, flags, default
    // extension; the owner and title are set for each use.
    kv::FileDialogRequest FileDialogData;
    // The name the next graph-file dialog proposes: the last one chosen.
    std::string FileNameBuffer;
    int GraphFileVersion = 1340;

private:
    // The open graph named path after a successful read: not modified, caption,
    // history, zoom to the paper.
    void AfterRead(const std::string& path);
    // False (after the message) when a parameter-only axis set holds a series made
    // in memory: such a graph cannot be saved.
    bool MemoryDataCheck();
    // Runs the graph-file dialog; true with the chosen path. False when cancelled
    // or failed: a failure of an open dialog (and a name too long to keep) is
    // reported, a cancel is not.
    bool RunGraphFileDialog(kv::FileDialogKind kind, int titleId, std::string& path);
    // Saves under a name chosen in a save dialog (parameter-only sets written
    // without their columns): 1 when written, the document then carrying the name.
    int SaveUnderNewName(int titleId);
    void ReopenHistory(int k);
    // The command line's data files: the first through the data-reading and
    // plot-style dialogs, the others read with a copy of its series, then the
    // current axis set autoscaled.
    void ProcessDataFileArguments(const std::vector<std::string>& args);
    void ToolCommand();
    static std::unique_ptr<kv::app::TPrinter> MakeInitialPrinter();
    // Nothing tells the program that the system's default printer changed: the
    // print commands look first and treat a change as the system's notice.
    void FollowDefaultPrinter();
    std::string seenDefaultPrinter_ = kv::DefaultPrinterName();
    void InsertCommand(void (TChartWindow::*insert)());

    std::string appDirectory_;
    std::string profilePath_;
    std::unique_ptr<MainFrame> frame_;
    std::unique_ptr<kv::app::TQtToolPalette> palette_;
    kv::win::TApplicationServices* previousServices_ = nullptr;
    QMetaObject::Connection idle_;
};

namespace kv::app {

// The application's handler of an exception that left a command: its text (or
// the memory message) and string 32765, asking whether the program goes on.
// True to go on.
bool ReportStrayException(std::exception_ptr e);

// Installs the real dialogs behind the message-box, file and colour dialog
// services, the text layout and the font substitutions: what the program needs
// before its first window.
void InstallProgramServices();

// The colour service's real dialog: Qt's own, opened on the request's colour and
// custom colours. Only OK hands back the colour and the custom colours; Cancel
// leaves both as they were.
kv::ColorDialogResult QtColorDialog(const kv::ColorDialogRequest& request);

}  // namespace kv::app
