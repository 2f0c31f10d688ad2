#include "dialogs/chartlink.h"

#include "chart/chartwindow.h"

#include <QApplication>
#include <QMainWindow>

namespace kv {

TChartWindow* FindChartWindow(const QWidget* from) {
    for (const QWidget* w = from; w; w = w->parentWidget())
        if (auto* chart = qobject_cast<TChartWindow*>(const_cast<QWidget*>(w))) return chart;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<QMainWindow*>(top))
            if (auto* chart = qobject_cast<TChartWindow*>(main->centralWidget())) return chart;
    return nullptr;
}

void MarkAxisSetModified(const QWidget* from, const BoxFrame* set) {
    TChartWindow* chart = FindChartWindow(from);
    if (!chart || !set) return;
    for (const BoxFrame* s : chart->AxisSets)
        if (s == set) {
            chart->Modified = 1;
            return;
        }
}

}  // namespace kv
