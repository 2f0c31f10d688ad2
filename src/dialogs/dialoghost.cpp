#include "dialogs/dialoghost.h"

#include "model/graphfile.h"

#include <QWidget>

namespace kv {

DialogHost* FindDialogHost(const QWidget* from) {
    for (const QWidget* w = from; w; w = w->parentWidget())
        if (auto* host = dynamic_cast<DialogHost*>(const_cast<QWidget*>(w))) return host;
    return nullptr;
}

void MarkAxisSetModified(const QWidget* from, const BoxFrame* set) {
    DialogHost* host = FindDialogHost(from);
    if (!host || !set) return;
    GraphDocument& doc = host->HostDocument();
    for (const BoxFrame* s : doc.AxisSets)
        if (s == set) {
            doc.Modified = 1;
            return;
        }
}

}  // namespace kv
