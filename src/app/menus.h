#pragma once
// The main window's menu bar and keys as data: every item with its command id and
// text, the nested pop-ups, and the accelerator table. The frame builds its
// QMenuBar and its shortcuts from these tables; every item and key sends its
// command id through the command router.

#include <QKeySequence>

#include <span>
#include <string>

class QMenuBar;
class QMenu;
class QAction;
class QWidget;

namespace kv::win {
class TCommandRouter;
}

// Command ids of the application object and the frame.
enum AppCommand : int {
    CM_EXIT = 24310,
    CM_FILENEW = 24331, CM_FILEOPEN = 24332, CM_FILESAVE = 24333, CM_FILESAVEAS = 24334,
    CM_FILEADD = 24335, CM_FILEPRINT = 24337, CM_FILEPRINTSETUP = 24338, CM_FILECLOSE = 24339,
    CM_FILEPRINTPREVIEW = 24340,
    CM_FILEEXPORT = 133,
    CM_HISTORY1 = 135, CM_HISTORY2 = 136, CM_HISTORY3 = 137, CM_HISTORY4 = 138, CM_HISTORY5 = 139,
    CM_HELPABOUT = 2009,
    CM_TOOLSELECT = 1001, CM_INSERTTEXT = 1002, CM_TOOLDRAGWINDOW = 1003, CM_TOOLTRIMMING = 1004,
    CM_TOOLWATCH = 1005, CM_TOOLLINE = 1021, CM_TOOLRECTANGLE = 1022, CM_TOOLROUNDRECT = 1023,
    CM_TOOLELLIPSE = 1024, CM_TOOLAXISCUT = 1025, CM_INSERTLEGEND = 1026, CM_TOOLPOLYLINE = 1027,
    CM_COMMANDBAR = 55530,
};

// The command bar's window id: the same number as its menu item.
constexpr int CommandBarId = CM_COMMANDBAR;

enum class MenuKind { Popup, Item, Separator, EndPopup };

// One line of the menu resource: a pop-up opens (its items follow until its
// EndPopup), an item, or a separator. Texts are UTF-8 with "&" mnemonics; a tab
// separates the text from the key shown at the right.
struct MenuLine {
    MenuKind Kind;
    int Id;
    const char* Text;
};

std::span<const MenuLine> MainMenuLines();

// One accelerator: the key and the command it sends.
struct Accelerator {
    QKeySequence Key;
    int Id;
};

// The accelerator table in its stored order, plus the keys that give the same
// character as an entry (Enter and the keypad's Enter type what Ctrl+M types).
std::span<const Accelerator> Accelerators();

// Builds the menu bar from MainMenuLines, binding every item to its id on the
// router; pop-ups refresh the router's states before they open. Returns nothing;
// items are found by FindMenuAction.
void BuildMainMenu(QMenuBar* bar, kv::win::TCommandRouter& router);
// The menu item of a command, or null.
QAction* FindMenuAction(QMenuBar* bar, int id);
// The text of a command's menu item (UTF-8, as in the table), or empty.
std::string MenuTextOf(int id);

// The tooltip of a command: the text of its menu item (cut at a tab, trailing
// blanks and dots removed, a trailing "(&X)" removed, the first "&" removed);
// for a command without a menu item the string-table text after the line break.
std::string Tooltip(int id);
// The tooltip rule applied to one menu text.
std::string TooltipFromMenuText(const std::string& text);
