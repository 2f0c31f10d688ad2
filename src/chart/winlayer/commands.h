#pragma once
// Commands: the ids of menu items, accelerator keys and palette buttons (ints from
// the resources) reach the chart window first, then the main frame, then the
// application object. Each of them answers a command through a static table of
// entries: the id, its handler and, optionally, its enable handler.
//
// A command is enabled when the first target that has an entry for it says so: its
// enable handler decides; an entry with a handler and no enable handler is enabled;
// an entry with neither (a command whose work is not there yet) is disabled. A
// command nobody lists is disabled. Running a disabled command does nothing, as a
// greyed menu item or its accelerator does nothing.

#include <QList>
#include <QPointer>

#include <string>
#include <vector>

class QAction;

namespace kv::win {

// The status-bar hint of a command (menu item, context-menu item or button): the
// string-table text with the command's id up to its first line break; empty when
// the table has none, or when the text of that id is one of the program's messages
// rather than a hint (the zoom commands share their ids with export and mask
// messages).
std::string StatusHint(int id);

// Check states of menu items and buttons.
constexpr int MF_UNCHECKED = 0;
constexpr int MF_CHECKED = 1;

// What the enable handlers say of one command.
class TCommandEnabler {
public:
    explicit TCommandEnabler(int id) : id_(id) {}
    int GetId() const { return id_; }
    void Enable(bool on = true) {
        enabled_ = on;
        handled_ = true;
    }
    // MF_CHECKED or MF_UNCHECKED; -1 leaves the item's check mark as it is.
    void SetCheck(int state) { check_ = state; }
    bool IsEnabled() const { return enabled_; }
    int GetCheck() const { return check_; }
    bool WasHandled() const { return handled_; }

private:
    int id_;
    bool enabled_ = false;
    bool handled_ = false;
    int check_ = -1;
};

// One link of the command chain.
class TCommandTarget {
public:
    virtual ~TCommandTarget() = default;
    // Runs command id; false when this target has no handler for it.
    virtual bool ProcessCommand(int id) = 0;
    // Fills ce when this target has an entry for its id (true), else false.
    virtual bool ProcessCommandEnable(TCommandEnabler& ce) = 0;
};

// One entry of a class's command table.
template <class T>
struct TCommandEntry {
    int Id;
    void (T::*Handler)();                    // null: the command's work is not available
    void (T::*Enabler)(TCommandEnabler&);    // null: enabled when there is a handler
};

// The lookups of a static command table.
template <class T>
class TCommandTable {
public:
    TCommandTable(const TCommandEntry<T>* entries, int count) : entries_(entries), count_(count) {}

    const TCommandEntry<T>* Find(int id) const {
        for (int i = 0; i < count_; ++i)
            if (entries_[i].Id == id) return &entries_[i];
        return nullptr;
    }
    bool Process(T& target, int id) const {
        const TCommandEntry<T>* e = Find(id);
        if (!e || !e->Handler) return false;
        (target.*(e->Handler))();
        return true;
    }
    bool ProcessEnable(T& target, TCommandEnabler& ce) const {
        const TCommandEntry<T>* e = Find(ce.GetId());
        if (!e) return false;
        if (e->Enabler) (target.*(e->Enabler))(ce);
        if (!ce.WasHandled()) ce.Enable(e->Handler != nullptr);
        if (!e->Handler) ce.Enable(false);  // nothing to run, whatever the enabler said
        return true;
    }
    int Count() const { return count_; }
    const TCommandEntry<T>& operator[](int i) const { return entries_[i]; }

private:
    const TCommandEntry<T>* entries_;
    int count_;
};

// The chain chart window -> frame -> application. Targets are not owned.
class TCommandRouter {
public:
    TCommandRouter();
    ~TCommandRouter();
    TCommandRouter(const TCommandRouter&) = delete;
    TCommandRouter& operator=(const TCommandRouter&) = delete;

    // The router whose chain holds target (the one made last when several do), so
    // that a window's pop-up menus reach the same chain as the main menu; null
    // when no router holds it.
    static TCommandRouter* RouterOf(const TCommandTarget* target);

    // The chain in order; null entries are skipped.
    void SetTargets(std::vector<TCommandTarget*> targets) { targets_ = std::move(targets); }
    const std::vector<TCommandTarget*>& Targets() const { return targets_; }

    // The state the first target with an entry gives; disabled when none has one.
    TCommandEnabler QueryState(int id) const;
    bool IsEnabled(int id) const { return QueryState(id).IsEnabled(); }
    // Runs an enabled command at the first target with a handler; false when the
    // command is disabled or nobody ran it.
    bool Execute(int id);

    // Menus and buttons: an action bound to an id runs the command when triggered;
    // UpdateActions gives every bound action its enabled state and check mark
    // (as an idle pass does for menus).
    void BindAction(QAction* action, int id);
    void UpdateActions();

    // Check marks set by the program (CheckMenuItem); an enable handler's check
    // state wins over them.
    void SetCheck(int id, bool checked);
    bool IsChecked(int id) const;

private:
    struct Bound {
        QPointer<QAction> action;
        int id;
    };
    std::vector<TCommandTarget*> targets_;
    std::vector<Bound> actions_;
    std::vector<std::pair<int, bool>> checks_;
};

}  // namespace kv::win
