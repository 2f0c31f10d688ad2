#pragma once
// The main window: a frame with the chart view as its client, the command bar
// along the top, the tool palette at the left, the status bar at the bottom and
// the menu bar with the program's keys. It answers the command-bar item of the
// Window menu and the exit command; every other command goes to the chart view or
// the application object through the router.

#include "chart/winlayer/commands.h"
#include "chart/winlayer/services.h"

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>

class korvidaApp;
class TChartWindow;
class QAction;
class QActionGroup;
class QShortcut;
class QToolBar;

namespace kv::app {

// The tool palette as the chart view reads it: which exclusive button is down.
class TQtToolPalette : public kv::win::TToolPalette {
public:
    bool IsButtonDown(int id) const override;
    void SetButtonDown(int id) override;
    void SetAction(int id, QAction* action) { actions_[id] = action; }
    QAction* Action(int id) const;

private:
    std::map<int, QAction*> actions_;
};

}  // namespace kv::app

class MainFrame : public QMainWindow, public kv::win::TCommandTarget {
    Q_OBJECT
public:
    MainFrame(korvidaApp& app, TChartWindow* client);
    ~MainFrame() override;

    // Runs SetupWindow once; later calls do nothing.
    void Create();
    bool IsCreated() const { return created_; }
    // The chart view's set-up, then the frame's: rectangle and command bar from the
    // profile, the history into the File menu, zoom to the paper, the command line,
    // the current axis set in the status bar.
    virtual void SetupWindow();

    // Puts a graph file at the top of the history and renames the history items.
    void AddToHistory(const std::string& name);
    // The history items' texts from the application's history.
    void UpdateHistoryMenu();

    TChartWindow* Client() const { return client_; }
    QToolBar* CommandBar() const { return commandBar_; }
    QToolBar* ToolPaletteBar() const { return toolPalette_; }
    // The menu item, or the bar or palette button, of a command; null when none.
    QAction* MenuAction(int id) const;
    QAction* ButtonAction(int id) const;
    // The shortcuts of the accelerator table, in its order.
    const std::vector<QShortcut*>& Shortcuts() const { return shortcuts_; }

    // ---- Commands.
    bool ProcessCommand(int id) override;
    bool ProcessCommandEnable(kv::win::TCommandEnabler& ce) override;
    static const kv::win::TCommandTable<MainFrame>& CommandTable();
    void CmCommandBar();
    void CeCommandBar(kv::win::TCommandEnabler& ce);
    void CmExit();

    // ---- Decorations, built by the application object.
    void SetupCommandBar(kv::win::TCommandRouter& router);
    void SetupToolPalette(kv::win::TCommandRouter& router, kv::app::TQtToolPalette& palette);
    void SetupStatusBar();
    void SetupMenu(kv::win::TCommandRouter& router);
    kv::win::TQtStatusBar* Status() const { return status_.get(); }

protected:
    void closeEvent(QCloseEvent* e) override;
    // Files dragged from the desktop: local files are taken, and handed to the
    // application once the drop itself has finished.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    // The bars are fixed: no menu to hide them besides the Window menu's item.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    // Lays the hidden frame out so that the chart view knows its client size
    // before it is first shown.
    void LayOutNow();

    korvidaApp& app_;
    TChartWindow* client_;
    QToolBar* commandBar_ = nullptr;
    QToolBar* toolPalette_ = nullptr;
    QActionGroup* toolGroup_ = nullptr;
    std::map<int, QAction*> buttons_;
    std::unique_ptr<kv::win::TQtStatusBar> status_;
    std::vector<QShortcut*> shortcuts_;
    bool created_ = false;
};
