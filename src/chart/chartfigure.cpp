// The commands of one selected figure: its style dialog, delete, duplicate and its
// place in the drawing order of its axis set; and the node commands of a polyline
// in node editing (insert a node before the chosen one, delete the chosen one).
//
// A single figure is the one entry of the figure list of an axis set's selection
// record. The numbers there were valid when the figure was picked; every command
// checks them against the list again, so a number that no longer names a figure
// does nothing.

#include "chart/chartwindow.h"
#include "dialogs/zukeidialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <memory>
#include <new>

namespace {

constexpr int kMemoryError = 17;  // memory allocation error

// The figure an axis set's record selects alone, with its number; null when the
// record holds no figure, several, or a number the list does not have.
TZukei* SingleFigure(BoxFrame& set, int* number = nullptr) {
    const SelectedFlags::IndexList& sel = set.Selected.Zukeis;
    if (sel.GetItemsInContainer() != 1) return nullptr;
    const int n = sel[sel.LowerBound()];
    TZukei* figure = set.ZukeiList.At(n);
    if (figure && number) *number = n;
    return figure;
}

// The polyline of the current axis set that node editing works on, and the node
// count it must at least have for node `k` to exist.
TZukei* EditedPolyline(TChartWindow& w) {
    if (!w.NodeHandlesShown || !w.Document.Current) return nullptr;
    TZukei* figure = SingleFigure(*w.Document.Current);
    if (!figure || figure->Kind != ZukeiPolyline) return nullptr;
    return figure;
}

bool NodeExists(const TZukei& figure, int k) {
    return k >= 0 && k < figure.Nodes.GetItemsInContainer();
}

}  // namespace

// ---- The figure commands

void TChartWindow::CeZukeiSelected(kv::win::TCommandEnabler& ce) { ce.Enable(ZukeiSelected == 1); }

void TChartWindow::CmZukeiStyle() {
    for (BoxFrame* set : Document.AxisSets) {
        TZukei* figure = SingleFigure(*set);
        if (!figure) continue;
        const TRect before = GetFigureRect(set, figure);
        int answer;
        {
            TZukeiDialog dialog(this, figure, &Defaults.DefaultZukei, nullptr);
            answer = dialog.Execute();
        }
        if (answer != IDOK) continue;
        // A changed spline, end-point or division setting changes the curve.
        figure->UpdateBounds();
        Document.Modified = 1;
        InvalidatePageRect(before);
        InvalidatePageRect(GetFigureRect(set, figure));
        UpdateWindow();
    }
}

void TChartWindow::CmZukeiDelete() {
    if (ZukeiSelected != 1 || !Document.Current) return;
    int k = 0;
    const TZukei* figure = SingleFigure(*Document.Current, &k);
    if (!figure) return;
    const TRect gone = GetFigureRect(Document.Current, figure);
    Document.Current->ZukeiList.Destroy(k);
    // The node handles of a figure that is gone cannot be erased by drawing them
    // again; the repaint of its rectangle takes them away.
    NodeHandlesShown = 0;
    ClearFeedback();
    Document.Modified = 1;
    InvalidatePageRect(gone);
}

void TChartWindow::CmZukeiDuplicate() {
    if (ZukeiSelected != 1) return;
    for (BoxFrame* set : Document.AxisSets) {
        const TZukei* figure = SingleFigure(*set);
        if (!figure) continue;
        try {
            auto copy = std::make_unique<TZukei>(*figure);
            if (!set->ZukeiList.Add(copy)) return;
        } catch (const std::bad_alloc&) {
            kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(kMemoryError), nullptr,
                           MB_OK | MB_ICONSTOP);
            return;
        }
        // The copy lies exactly over its source and takes over the selection and
        // its feedback, so the user can drag it away at once.
        for (BoxFrame* s : Document.AxisSets) s->Selected.Clear();
        set->Selected.Zukeis.Add(set->ZukeiList.GetItemsInContainer());
        Document.Modified = 1;
        InvalidatePageRect(FeedbackRect);
        return;
    }
}

namespace {

void MoveSelectedFigure(TChartWindow& w, int (BoxFrame::*op)(int)) {
    if (w.ZukeiSelected != 1) return;
    for (BoxFrame* set : w.Document.AxisSets) {
        int n = 0;
        if (!SingleFigure(*set, &n)) continue;
        if (!(set->*op)(n)) continue;
        // Also when the figure already stood at that end: the order is the same,
        // the selection goes and the page is painted again.
        w.ClearFeedback();
        w.Document.Modified = 1;
        w.Invalidate(true);
        return;
    }
}

}  // namespace

void TChartWindow::CmZukeiToTop() { MoveSelectedFigure(*this, &BoxFrame::ZukeiToTop); }
void TChartWindow::CmZukeiUp() { MoveSelectedFigure(*this, &BoxFrame::ZukeiUp); }
void TChartWindow::CmZukeiDown() { MoveSelectedFigure(*this, &BoxFrame::ZukeiDown); }
void TChartWindow::CmZukeiToBottom() { MoveSelectedFigure(*this, &BoxFrame::ZukeiToBottom); }

// ---- The node commands

void TChartWindow::CeNodeInsert(kv::win::TCommandEnabler& ce) {
    const TZukei* figure = EditedPolyline(*this);
    ce.Enable(figure && NodeIndex >= 1 && NodeExists(*figure, NodeIndex));
}

void TChartWindow::CeNodeDelete(kv::win::TCommandEnabler& ce) {
    const TZukei* figure = EditedPolyline(*this);
    ce.Enable(figure && NodeExists(*figure, NodeIndex) && figure->Nodes.GetItemsInContainer() >= 3);
}

void TChartWindow::CmNodeInsert() {
    TZukei* figure = EditedPolyline(*this);
    const int k = NodeIndex;
    // No node comes before the first one; an index the node list no longer has
    // (the list changed since the node was chosen) names nothing.
    if (!figure || k < 1 || !NodeExists(*figure, k)) return;
    InvalidatePageRect(GetFigureRect(Document.Current, figure));
    TArrayAsVector<DoublePoint>& nodes = figure->Nodes;
    const int lo = nodes.LowerBound();
    const DoublePoint& a = nodes[lo + k - 1];
    const DoublePoint& b = nodes[lo + k];
    // The middle of the straight segment, also under a spline: the curve then
    // passes through it.
    const DoublePoint mid((a.X + b.X) * 0.5, (a.Y + b.Y) * 0.5);
    try {
        nodes.AddAt(mid, lo + k);
    } catch (const std::bad_alloc&) {
        kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(kMemoryError), nullptr,
                       MB_OK | MB_ICONSTOP);
        return;
    }
    figure->UpdateBounds();
    InvalidatePageRect(GetFigureRect(Document.Current, figure));
    Document.Modified = 1;
    UpdateWindow();
}

void TChartWindow::CmNodeDelete() {
    TZukei* figure = EditedPolyline(*this);
    const int k = NodeIndex;
    if (!figure || !NodeExists(*figure, k)) return;
    // A polyline keeps at least two nodes.
    if (figure->Nodes.GetItemsInContainer() < 3) return;
    InvalidatePageRect(GetFigureRect(Document.Current, figure));
    figure->Nodes.Detach(figure->Nodes.LowerBound() + k);
    figure->UpdateBounds();
    InvalidatePageRect(GetFigureRect(Document.Current, figure));
    Document.Modified = 1;
    UpdateWindow();
}
