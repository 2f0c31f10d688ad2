// The right mouse button on the page: it ends a polyline being entered, turns a
// drag of the selection into a rubber band, or opens the context menu of the
// selection, picking what lies under the pointer first when nothing is selected.
// The menus only send command ids; the commands work on the selection this
// handler leaves in place.

#include "chart/chartmenus.h"

#include "chart/chartwindow.h"
#include "chart/winlayer/commands.h"
#include "chart/winlayer/keystate.h"
#include "platform/winmath.h"
#include "render/hittest.h"
#include "render/zukeidraw.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace {

using K = ContextLineKind;

constexpr ContextMenuLine kFigureMenu[] = {
    {K::Item, 201, "ｽﾀｲﾙ..."},    {K::Separator, 0, nullptr}, {K::Item, 203, "削除"},
    {K::Item, 202, "複製"},       {K::Separator, 0, nullptr}, {K::Popup, 0, "表示順"},
    {K::Item, 204, "最上位へ"},   {K::Item, 205, "上へ"},      {K::Item, 206, "下へ"},
    {K::Item, 207, "最下位へ"},   {K::EndPopup, 0, nullptr},
};

constexpr ContextMenuLine kTextMenu[] = {
    {K::Item, 301, "ﾃｷｽﾄ編集..."}, {K::Item, 303, "ﾌｫﾝﾄ..."}, {K::Separator, 0, nullptr},
    {K::Item, 304, "削除"},        {K::Item, 302, "複製"},
};

constexpr ContextMenuLine kSeriesMenu[] = {
    {K::Item, 401, "ｽﾀｲﾙ..."},
    {K::Item, 402, "再読込..."},
    {K::Separator, 0, nullptr},
    {K::Item, 407, "削除"},
    {K::Item, 408, "複製"},
    {K::Item, 410, "ｴﾃﾞｨﾀ"},
    {K::Popup, 0, "表示順"},
    {K::Item, 403, "最上位へ"},
    {K::Item, 404, "上へ"},
    {K::Item, 405, "下へ"},
    {K::Item, 406, "最下位へ"},
    {K::EndPopup, 0, nullptr},
    {K::Separator, 0, nullptr},
    {K::Popup, 0, "最小２乗ﾌｨｯﾃｨﾝｸﾞ"},
    {K::Item, 412, "線形..."},
    {K::Item, 413, "非線形..."},
    {K::EndPopup, 0, nullptr},
    {K::Item, 414, "ﾃﾞｰﾀﾏｽｸ..."},
    {K::Separator, 0, nullptr},
    {K::Item, 411, "ﾌｧｲﾙへｾｰﾌﾞ..."},
    {K::Item, 415, "情報..."},
};

constexpr ContextMenuLine kMultipleMenu[] = {
    {K::Popup, 0, "ﾃｷｽﾄ"},       {K::Item, 503, "ｽﾀｲﾙ..."}, {K::Item, 502, "ﾌｫﾝﾄ..."},
    {K::EndPopup, 0, nullptr},   {K::Item, 504, "図形..."}, {K::Separator, 0, nullptr},
    {K::Item, 501, "削除"},
};

constexpr ContextMenuLine kPageMenu[] = {
    {K::Item, 107, "25%"},
    {K::Item, 108, "50%"},
    {K::Item, 109, "75%"},
    {K::Item, 110, "100%"},
    {K::Item, 111, "150%"},
    {K::Item, 112, "200%"},
    {K::Item, 113, "400%"},
    {K::Item, 126, "用紙全体の表示"},
    {K::Item, 127, "ｸﾞﾗﾌ全体の表示"},
    {K::Separator, 0, nullptr},
    {K::Item, 125, "ﾄﾞﾗﾌﾄ表示"},
    {K::Item, 24340, "ﾌﾟﾚﾋﾞｭｰ"},
};

constexpr ContextMenuLine kAxisSetMenu[] = {
    {K::Item, 101, "外枠..."},         {K::Item, 102, "X Axis..."},     {K::Item, 103, "Y Axis..."},
    {K::Item, 104, "Top Axis..."},     {K::Item, 105, "Right Axis..."}, {K::Separator, 0, nullptr},
    {K::Item, 123, "ｵｰﾄｽｹｰﾘﾝｸﾞ..."},
};

constexpr ContextMenuLine kNodeMenu[] = {
    {K::Item, 901, "ノード挿入"},
    {K::Item, 902, "ノード削除"},
};

PopupMenuRunner& Runner() {
    static PopupMenuRunner runner;
    return runner;
}

}  // namespace

std::span<const ContextMenuLine> ContextMenuLines(int menuId) {
    switch (menuId) {
    case FigureMenu: return kFigureMenu;
    case TextMenu: return kTextMenu;
    case SeriesMenu: return kSeriesMenu;
    case MultipleMenu: return kMultipleMenu;
    case PageMenu: return kPageMenu;
    case AxisSetMenu: return kAxisSetMenu;
    case NodeMenu: return kNodeMenu;
    default: return {};
    }
}

void BuildContextMenu(QMenu& menu, int menuId, kv::win::TCommandRouter& router,
                      const ContextMenuStates& states) {
    std::vector<QMenu*> open{&menu};
    for (const ContextMenuLine& line : ContextMenuLines(menuId)) {
        QMenu* into = open.back();
        switch (line.Kind) {
        case ContextLineKind::Separator: into->addSeparator(); break;
        case ContextLineKind::Popup: open.push_back(into->addMenu(QString::fromUtf8(line.Text))); break;
        case ContextLineKind::EndPopup:
            if (open.size() > 1) open.pop_back();
            break;
        case ContextLineKind::Item: {
            QAction* action = into->addAction(QString::fromUtf8(line.Text));
            action->setData(line.Id);
            action->setStatusTip(QString::fromStdString(kv::win::StatusHint(line.Id)));
            const kv::win::TCommandEnabler ce = router.QueryState(line.Id);
            bool enabled = ce.IsEnabled();
            if (states.Grayed && states.Grayed(line.Id)) enabled = false;
            action->setEnabled(enabled);
            int check = states.Check ? states.Check(line.Id) : -1;
            if (check < 0) check = ce.GetCheck();
            if (check < 0 && router.IsChecked(line.Id)) check = kv::win::MF_CHECKED;
            if (check >= 0) {
                action->setCheckable(true);
                action->setChecked(check == kv::win::MF_CHECKED);
            }
            const int id = line.Id;
            QObject::connect(action, &QAction::triggered, action, [&router, id] { router.Execute(id); });
            break;
        }
        }
    }
}

void ShowMenuHints(QMenu& menu, kv::win::TStatusBar* bar) {
    if (!bar) return;
    // A pop-up's hints have no frame to reach: the menu is a window of its own
    // and is owned by the page view, not by the main frame.
    const auto show = [bar](QAction* a) { bar->SetMessage(a->statusTip().toStdString()); };
    QObject::connect(&menu, &QMenu::hovered, &menu, show);
    for (QMenu* sub : menu.findChildren<QMenu*>()) QObject::connect(sub, &QMenu::hovered, sub, show);
    QObject::connect(&menu, &QMenu::aboutToHide, &menu,
                     [bar, before = bar->GetMessage()] { bar->SetMessage(before); });
}

PopupMenuRunner SetPopupMenuRunner(PopupMenuRunner runner) {
    return std::exchange(Runner(), std::move(runner));
}

void RunPopupMenu(QMenu& menu, QPoint screenPos) {
    if (Runner()) {
        Runner()(menu, screenPos);
        return;
    }
    menu.exec(screenPos);
}

// ---- The handler.

namespace {

int Sat(std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

// Selects what lies under p for the menu: a text, a figure, a data point of a
// series of the current axis set, or the frame edge of an axis set (which
// becomes current); nothing when nothing is hit.
void PickForMenu(TChartWindow& w, TPoint p) {
    TDC& dc = *w.WindowDC;
    BoxFrame* set = w.Document.Current;
    TRect r;
    if (w.HitText(p, r)) {
        w.TextFrameShown = 1;
        w.FeedbackRect = r;
        w.DrawRubberRect(dc, r);
        w.SetHitCursor(p);
        w.TextSelected = 1;
        return;
    }
    if (w.HitFigure(p, r)) {
        const SelectedFlags::IndexList& sel = set->Selected.Zukeis;
        const TZukei* figure = sel.IsEmpty() ? nullptr : set->ZukeiList.At(sel[sel.LowerBound()]);
        if (figure) {
            w.FeedbackRect = r;
            if (figure->Kind == ZukeiLine) {
                w.LineHandlesShown = 1;
                w.DrawRubberLine(dc, r);
            } else if (figure->Kind == ZukeiPolyline) {
                w.NodeHandlesShown = 1;
                w.DrawFigureHandles(dc, figure);
            } else {
                w.HandlesShown = 1;
                w.DrawRectHandles(dc, r);
            }
            w.SetHitCursor(p);
            w.ZukeiSelected = 1;
            return;
        }
    }
    int n = 0, row = 0;
    double x = 0.0, y = 0.0;
    if (::HitPlot(set, p, w.HandleSize, w.Settings.DataHitAlgorithm, &n, &x, &y, &row)) {
        w.PlotSelected = 1;
        w.SelectedPlot = n;
        w.SelectedRow = row;
        w.DataCursor.X = x;
        w.DataCursor.Y = y;
        set->DrawDataPointMark(dc, x, y, n);
        w.ShowPlotReadout();
        return;
    }
    int k = 0;
    if (w.HitFrameEdge(p, r, k)) {
        BoxFrame* picked = w.Document.AxisSets.At(k);
        if (!picked) return;
        w.HandlesShown = 1;
        w.FeedbackRect = r;
        w.DrawRectHandles(dc, r);
        w.SetHitCursor(p);
        w.AxisSelected = 1;
        w.UnselectAll();
        picked->Selected.State = 1;
        // The mark of the current axis set moves to the picked one.
        w.DrawFrameSelection(dc, w.Document.Current);
        w.Document.Current = picked;
        w.Document.CurrentNo = k;
        w.DrawFrameSelection(dc, w.Document.Current);
        w.ShowCurrentAxisSet();
    }
}

// The right button ends the polyline being entered: its rubber segment and
// outline go, and with two nodes or more it joins the current axis set's figures.
void EndPolyline(TChartWindow& w) {
    w.ReleaseCapture();
    BoxFrame* set = w.Document.Current;
    TZukei* scratch = w.ScratchZukei.get();
    if (w.WindowDC && scratch) {
        TDC& dc = *w.WindowDC;
        const int nodes = scratch->Nodes.GetItemsInContainer();
        if (nodes >= 1) {
            const DoublePoint& last = scratch->Nodes[scratch->Nodes.LowerBound() + nodes - 1];
            const std::int64_t x =
                std::int64_t(TruncToIntSaturated(last.X)) + TruncToIntSaturated(set->Frame.OriginX);
            const std::int64_t y =
                std::int64_t(TruncToIntSaturated(last.Y)) + TruncToIntSaturated(set->Frame.OriginY);
            const TPen pen = dc.GetPen();
            dc.SetROP2(R2_NOTXORPEN);
            dc.SelectObject(TPen(RGB(0, 0, 0), 0, PS_SOLID));
            dc.MoveToEx(Sat(x), Sat(y));
            dc.LineTo(w.DragPoint.x, w.DragPoint.y);
            dc.SelectObject(pen);
            dc.SetROP2(R2_COPYPEN);
        }
    }
    w.PolylineActive = 0;
    // The outline of the entered nodes is erased the way the entry drew it:
    // solid and without the closing segment.
    if (w.WindowDC && scratch) {
        const TPen pen = w.WindowDC->GetPen();
        DrawPolylineOutline(set, *w.WindowDC, scratch, PS_SOLID, 1);
        w.WindowDC->SelectObject(pen);
    }

    std::unique_ptr<TZukei> figure;
    try {
        figure = std::make_unique<TZukei>();
        if (scratch) *figure = *scratch;
        figure->UpdateBounds();
    } catch (const std::bad_alloc&) {
        figure.reset();
    }
    if (w.ToolBar) w.ToolBar->SetButtonDown(ToolSelect);
    w.SetToolCursor();
    w.Document.Modified = 1;
    if (!figure) return;
    const TRect r = w.GetFigureRect(set, figure.get());
    if (figure->Nodes.GetItemsInContainer() >= 2) {
        try {
            set->ZukeiList.Add(figure);
        } catch (const std::bad_alloc&) {
        }
    }
    w.InvalidatePageRect(r);
    w.UpdateWindow();
}

void ShowContextMenu(TChartWindow& w, int menuId, QPoint screenPos, const ContextMenuStates& states) {
    // The application's chain when the window belongs to one, so that the
    // frame's and the application's commands (the preview) are reached too.
    kv::win::TCommandRouter* router = kv::win::TCommandRouter::RouterOf(&w);
    kv::win::TCommandRouter own;
    if (!router) {
        own.SetTargets({&w});
        router = &own;
    }
    QMenu menu(static_cast<QWidget*>(&w));
    BuildContextMenu(menu, menuId, *router, states);
    ShowMenuHints(menu, w.StatusBar);
    RunPopupMenu(menu, screenPos);
}

}  // namespace

void TChartWindow::EvRButtonDown(UINT modKeys, const TPoint& point) {
    TWindow::EvRButtonDown(modKeys, point);
    if (!WindowDC || !Document.Current) return;
    const int tool = GetCurrentTool();
    TPoint p = point;
    WindowDC->DPtoLP(&p);

    if (Dragging == 1) {
        // A drag of the selection goes on as a rubber band from here; no menu.
        if (HandlesShown || TextFrameShown || LineHandlesShown) {
            ClearFeedback();
            p = SnapToGrid(p);
            SetHitCursor(p);
            DragStart = DragPoint = p;
            PickRect = TRect(point.x - PickTolerance, point.y - PickTolerance, point.x + PickTolerance,
                             point.y + PickTolerance);
            DragRect = TRect(p.x, p.y, p.x, p.y);
        }
        return;
    }

    if (tool == ToolSelect && !(kv::win::GetKeyState(VK_SHIFT) & 0x8000)) {
        SetHitCursor(p);
        // An existing selection keeps its menu wherever the pointer is.
        if (!(HandlesShown || TextFrameShown || PlotSelected || LineHandlesShown || NodeHandlesShown))
            PickForMenu(*this, p);
    }

    if (PolylineActive == 1) {
        EndPolyline(*this);
        return;
    }

    int menuId = PageMenu;
    ContextMenuStates states;
    if (NodeHandlesShown) {
        SetHitCursor(p);
        if (CurrentHit < 100) {
            menuId = FigureMenu;
        } else {
            NodeIndex = CurrentHit - 100;
            menuId = NodeMenu;
        }
    } else if (ZukeiSelected) {
        menuId = FigureMenu;
    } else if (TextSelected) {
        menuId = TextMenu;
    } else if (AxisSelected) {
        menuId = AxisSetMenu;
    } else if (MultiSelected) {
        menuId = MultipleMenu;
    } else if (PlotSelected) {
        menuId = SeriesMenu;
        const TPlot* plot = Document.Current->PlotList.At(SelectedPlot);
        const bool fileSeries = plot && plot->IsFileData == 1;
        states.Grayed = [fileSeries](int id) {
            if (id == CM_PLOTRELOAD || id == CM_PLOTEDITOR) return !fileSeries;
            if (id == CM_PLOTSAVETOFILE) return fileSeries;
            return false;
        };
    } else {
        const bool draft = Quality != 1;
        states.Check = [draft](int id) {
            if (id != CM_DRAFT) return -1;
            return draft ? kv::win::MF_CHECKED : kv::win::MF_UNCHECKED;
        };
    }
    const QPoint screen = ClientWidget()->mapToGlobal(QPoint(point.x, point.y));
    ShowContextMenu(*this, menuId, screen, states);
}
