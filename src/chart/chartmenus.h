#pragma once
// The page view's context menus: one table per menu resource with its items in
// order (ids and texts as the resources give them), a pop-up menu built from a
// table whose items send their command ids through the command router, and the
// service that shows a pop-up (tests install their own to look at the menu and
// pick an item without a user).

#include <QPoint>

#include <functional>
#include <span>

class QMenu;

namespace kv::win {
class TCommandRouter;
class TStatusBar;
}

// The menu resources.
enum ContextMenuId : int {
    FigureMenu = 102,     // a figure
    TextMenu = 103,       // a text
    SeriesMenu = 104,     // a series
    MultipleMenu = 105,   // a multiple selection
    PageMenu = 106,       // nothing selected
    AxisSetMenu = 107,    // an axis set picked at a frame edge
    NodeMenu = 109,       // a node of a polyline in node editing
};

enum class ContextLineKind { Item, Separator, Popup, EndPopup };

// One line of a menu table: an item (id, text), a separator, or a sub-menu that
// opens (its text) with its items up to its EndPopup. Texts are UTF-8.
struct ContextMenuLine {
    ContextLineKind Kind;
    int Id;
    const char* Text;
};

// The lines of a menu resource; empty for an unknown id.
std::span<const ContextMenuLine> ContextMenuLines(int menuId);

// Item states a menu shows beyond the router's: greyed items and a check mark.
struct ContextMenuStates {
    std::function<bool(int id)> Grayed;   // true: shown greyed whatever the router says
    std::function<int(int id)> Check;     // 1 checked, 0 not, -1 as the router says
};

// Builds the pop-up of a menu resource into menu: every item an action that runs
// its command through router when chosen, enabled and checked as the router's
// state says (an item the router does not enable is greyed), then the states'
// overrides. Each action's data() is its command id and its status tip the
// command's hint (kv::win::StatusHint).
void BuildContextMenu(QMenu& menu, int menuId, kv::win::TCommandRouter& router,
                      const ContextMenuStates& states = {});

// While menu is open, the highlighted item's status tip is the status bar's
// message; when the menu closes, the message it found (a read-out) comes back.
// A null bar shows nothing.
void ShowMenuHints(QMenu& menu, kv::win::TStatusBar* bar);

// Shows a pop-up at a screen position and returns when it closed; a chosen item
// has sent its command by then. The program's runner tracks the menu modally.
using PopupMenuRunner = std::function<void(QMenu& menu, QPoint screenPos)>;
// Installs a runner (empty: the program's own); returns the previous one.
PopupMenuRunner SetPopupMenuRunner(PopupMenuRunner runner);
void RunPopupMenu(QMenu& menu, QPoint screenPos);
