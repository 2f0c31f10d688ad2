// The Axis menu's commands on whole axis sets: add, delete, duplicate, the
// drawing order, the current-only display, autoscaling, the base settings and
// the stored scaling; and the double click that opens the dialog of the
// selection at the next release.
//
// There is always at least one axis set, and after every command CurrentNo
// names an axis set of the list and Current is that axis set.

#include "chart/chartwindow.h"
#include "dialogs/autoscaledialog.h"
#include "dialogs/axisframe.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <memory>
#include <new>

using kv::win::Application;

namespace {

constexpr int kAxisSetMemoryError = 14;

// The question of an axis-set command; true on OK.
bool Confirm(TChartWindow& w, int stringId, const char* caption) {
    return kv::MessageBox(static_cast<QWidget*>(&w), kv::LoadString(stringId), caption,
                          MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

// Moves axis set `from` to place `to` (both from 1), the sets between shifting by
// one. Exchanges only: nothing is allocated, so nothing can be lost half-way.
void MoveAxisSet(TIArrayAsVector<BoxFrame>& sets, int from, int to) {
    for (int i = from; i < to; ++i) sets.Swap(i, i + 1);
    for (int i = from; i > to; --i) sets.Swap(i, i - 1);
}

}  // namespace

// ---- Making and removing axis sets.

int TChartWindow::AddAxisSet() {
    try {
        auto set = std::make_unique<BoxFrame>();
        Defaults.PrepareNewAxisSet(set.get(), MakeNewGraphHooks());
        Document.AxisSets.Add(set);
    } catch (const std::bad_alloc&) {
        kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(kAxisSetMemoryError), nullptr, MB_OK);
        return 0;
    }
    // The new set is drawn last; the current one stays current.
    Document.Current = Document.AxisSets.At(Document.CurrentNo);
    Invalidate(true);
    return 1;
}

void TChartWindow::DeleteAxisSet() {
    const int n = Document.AxisSets.GetItemsInContainer();
    ClearFeedback();
    bool removed = false;
    if (n >= 2) {
        removed = Document.AxisSets.Destroy(Document.CurrentNo);
    } else if (AddAxisSet() == 1) {
        // A fresh default axis set takes the place of the only one.
        removed = Document.AxisSets.Destroy(Document.CurrentNo);
    }
    if (removed || !Document.AxisSets.IsValidIndex(Document.CurrentNo)) {
        Document.CurrentNo = 1;
        Document.Current = Document.AxisSets.At(1);
    }
    ShowCurrentAxisSet();
    Invalidate(true);
}

void TChartWindow::CopyAxisScaling(AxisUnit* to, const AxisUnit* from) {
    if (!to || !from) return;
    to->IsCommon = from->IsCommon;
    to->Scaling = from->Scaling;
    to->RangeStart = from->RangeStart;
    to->RangeEnd = from->RangeEnd;
    to->RangeInc = from->RangeInc;
    to->ScaleInv = from->ScaleInv;
    to->AutoCrossPoint = from->AutoCrossPoint;
    to->CrossPointValue = from->CrossPointValue;
    to->MinorTickDivision = from->MinorTickDivision;
}

// ---- Commands.

void TChartWindow::CmAddAxisSet() {
    if (!Confirm(*this, 34, "STOP")) return;
    AddAxisSet();
    Document.Modified = 1;
}

void TChartWindow::CmDeleteAxisSet() {
    if (!Confirm(*this, 15, "STOP")) return;
    ClearFeedback();
    DeleteAxisSet();
    Document.Modified = 1;
}

void TChartWindow::CmDuplicateAxisSet() {
    if (!Confirm(*this, 148, "CAUTION")) return;
    ClearFeedback();
    if (Document.Current) {
        // The copy is made whole before it joins the list: a failed allocation
        // leaves no half-copied axis set behind.
        try {
            auto copy = std::make_unique<BoxFrame>(*Document.Current);
            Document.AxisSets.Add(copy);
            Document.Current = Document.AxisSets.At(Document.CurrentNo);
            Invalidate(true);
        } catch (const std::bad_alloc&) {
            kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(kAxisSetMemoryError), nullptr, MB_OK);
        }
    }
    Document.Modified = 1;
    ShowCurrentAxisSet();
}

namespace {

enum class Order { ToTop, Up, Down, ToBottom };

void ChangeAxisSetOrder(TChartWindow& w, Order order, int stringId) {
    const int n = w.Document.AxisSets.GetItemsInContainer();
    if (!Confirm(w, stringId, "CAUTION")) return;
    const int c = w.Document.CurrentNo;
    if (!w.Document.AxisSets.IsValidIndex(c)) return;
    int place = c;
    switch (order) {
    case Order::ToTop: place = n; break;
    case Order::Up:
        if (c >= n) return;
        place = c + 1;
        break;
    case Order::Down:
        if (c <= 1) return;
        place = c - 1;
        break;
    case Order::ToBottom: place = 1; break;
    }
    w.ClearFeedback();
    MoveAxisSet(w.Document.AxisSets, c, place);
    w.Document.CurrentNo = place;
    w.Document.Current = w.Document.AxisSets.At(place);
    w.ShowCurrentAxisSet();
    w.Document.Modified = 1;
    w.Invalidate(true);
}

}  // namespace

void TChartWindow::CmAxisSetToTop() { ChangeAxisSetOrder(*this, Order::ToTop, 149); }
void TChartWindow::CmAxisSetUp() { ChangeAxisSetOrder(*this, Order::Up, 150); }
void TChartWindow::CmAxisSetDown() { ChangeAxisSetOrder(*this, Order::Down, 151); }
void TChartWindow::CmAxisSetToBottom() { ChangeAxisSetOrder(*this, Order::ToBottom, 152); }

void TChartWindow::CmCurrentAxisSetOnly() {
    if (CurrentOnly == 1) {
        CurrentOnly = 0;
    } else {
        CurrentOnly = 1;
        ClearFeedback();
    }
    Application().CheckMenuItem(CM_CURRENTAXISSETONLY, CurrentOnly == 1);
    Invalidate(true);
}

void TChartWindow::CeCurrentAxisSetOnly(kv::win::TCommandEnabler& ce) {
    ce.Enable(true);
    ce.SetCheck(CurrentOnly == 1 ? kv::win::MF_CHECKED : kv::win::MF_UNCHECKED);
}

void TChartWindow::CmAutoScale() {
    if (!Document.Current) return;
    int result;
    {
        TAutoscaleDialog dialog(this, Document.Current);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    Document.Modified = 1;
    ClearFeedback();
    UpdateAxisLabels(Document.Current);
    Invalidate(true);
}

void TChartWindow::CmAxisBase() {
    if (!Document.Current) return;
    int result;
    {
        TAxisBaseDialog dialog(this, Document.Current);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    ClearFeedback();
    Invalidate(true);
    Document.Modified = 1;
}

void TChartWindow::CmCopyScaling() {
    if (!Confirm(*this, 55531, "CAUTION") || !Document.Current || !ScalingStore) return;
    ScalingStore->Frame = Document.Current->Frame;
    ScalingStore->LeftAxis = Document.Current->LeftAxis;
    ScalingStore->RightAxis = Document.Current->RightAxis;
    ScalingStore->TopAxis = Document.Current->TopAxis;
    ScalingStore->BottomAxis = Document.Current->BottomAxis;
}

void TChartWindow::CmPasteScaling() {
    if (!Confirm(*this, 55532, "CAUTION") || !Document.Current || !ScalingStore) return;
    Document.Current->Frame.FrameType = ScalingStore->Frame.FrameType;
    CopyAxisScaling(&Document.Current->LeftAxis, &ScalingStore->LeftAxis);
    CopyAxisScaling(&Document.Current->RightAxis, &ScalingStore->RightAxis);
    CopyAxisScaling(&Document.Current->TopAxis, &ScalingStore->TopAxis);
    CopyAxisScaling(&Document.Current->BottomAxis, &ScalingStore->BottomAxis);
    ClearFeedback();
    UpdateAxisLabels(Document.Current);
    Document.Modified = 1;
    Invalidate(true);
}

// ---- The double click: the selection was made by its first click; the release
// that follows opens the selection's dialog.

void TChartWindow::EvLButtonDblClk(UINT modKeys, const TPoint& point) {
    TWindow::EvLButtonDblClk(modKeys, point);
    DoubleClicked = true;
    SetCapture();
}
