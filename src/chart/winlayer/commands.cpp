#include "chart/winlayer/commands.h"

#include "platform/stringtable.h"

#include <QAction>

#include <algorithm>

namespace kv::win {

namespace {

std::vector<TCommandRouter*>& Routers() {
    static std::vector<TCommandRouter*> routers;
    return routers;
}

}  // namespace

TCommandRouter::TCommandRouter() { Routers().push_back(this); }

TCommandRouter::~TCommandRouter() { std::erase(Routers(), this); }

TCommandRouter* TCommandRouter::RouterOf(const TCommandTarget* target) {
    if (!target) return nullptr;
    const std::vector<TCommandRouter*>& all = Routers();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        const std::vector<TCommandTarget*>& chain = (*it)->targets_;
        if (std::find(chain.begin(), chain.end(), target) != chain.end()) return *it;
    }
    return nullptr;
}

TCommandEnabler TCommandRouter::QueryState(int id) const {
    for (TCommandTarget* t : targets_) {
        if (!t) continue;
        TCommandEnabler ce(id);
        if (t->ProcessCommandEnable(ce)) return ce;
    }
    TCommandEnabler none(id);
    none.Enable(false);
    return none;
}

bool TCommandRouter::Execute(int id) {
    if (!IsEnabled(id)) return false;
    for (TCommandTarget* t : targets_)
        if (t && t->ProcessCommand(id)) return true;
    return false;
}

void TCommandRouter::BindAction(QAction* action, int id) {
    if (!action) return;
    actions_.push_back({action, id});
    QObject::connect(action, &QAction::triggered, action, [this, id] { Execute(id); });
}

void TCommandRouter::UpdateActions() {
    std::erase_if(actions_, [](const Bound& b) { return b.action.isNull(); });
    for (const Bound& b : actions_) {
        const TCommandEnabler ce = QueryState(b.id);
        b.action->setEnabled(ce.IsEnabled());
        int check = ce.GetCheck();
        if (check < 0) {
            auto it = std::find_if(checks_.begin(), checks_.end(), [&](const auto& c) { return c.first == b.id; });
            if (it != checks_.end()) check = it->second ? MF_CHECKED : MF_UNCHECKED;
        }
        if (check >= 0) {
            b.action->setCheckable(true);
            b.action->setChecked(check == MF_CHECKED);
        }
    }
}

void TCommandRouter::SetCheck(int id, bool checked) {
    for (auto& c : checks_)
        if (c.first == id) {
            c.second = checked;
            return;
        }
    checks_.emplace_back(id, checked);
}

bool TCommandRouter::IsChecked(int id) const {
    for (const auto& c : checks_)
        if (c.first == id) return c.second;
    return false;
}

std::string StatusHint(int id) {
    // Messages whose string ids are also command ids: 107 and 108 of the export,
    // 111 and 112 of the data mask (the zoom commands 25 %, 50 %, 150 %, 200 %).
    static constexpr int kMessagesNotHints[] = {107, 108, 111, 112};
    if (std::find(std::begin(kMessagesNotHints), std::end(kMessagesNotHints), id) !=
        std::end(kMessagesNotHints))
        return {};
    const std::string& s = kv::LoadString(id);
    return s.substr(0, s.find('\n'));
}

}  // namespace kv::win
