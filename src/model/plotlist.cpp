// Duplicating, reordering and deleting series and figures of an axis set, and
// keeping the series references inside texts pointing at the same series.

#include "model/boxframe.h"

#include "platform/cp932.h"

#include <cstring>
#include <memory>

namespace {

TextRelayoutHook g_textRelayout = nullptr;

// True when every column a series assignment copies has exactly as many rows as X,
// so a copy would reproduce those columns unchanged.
bool ColumnsAsACopyHasThem(const TPlot& p) {
    const int rows = p.XData.GetItemsInContainer();
    if (p.YData.GetItemsInContainer() != rows) return false;
    if (p.PlotFile.IsXErrorBar == 1 && (p.XMinData.GetItemsInContainer() != rows ||
                                        p.XMaxData.GetItemsInContainer() != rows))
        return false;
    if (p.PlotFile.IsYErrorBar == 1 && (p.YMinData.GetItemsInContainer() != rows ||
                                        p.YMaxData.GetItemsInContainer() != rows))
        return false;
    return true;
}

// A moved series becomes a value copy of itself. Where its columns already have the
// copy's shape the series itself is moved (a column may hold millions of rows) and
// only the error columns a copy leaves out are dropped.
TPlot* AsValueCopy(TPlot* p) {
    if (!ColumnsAsACopyHasThem(*p)) {
        std::unique_ptr<TPlot> old(p);
        return new TPlot(*old);
    }
    if (p->PlotFile.IsXErrorBar != 1) {
        p->XMinData.Flush();
        p->XMaxData.Flush();
    }
    if (p->PlotFile.IsYErrorBar != 1) {
        p->YMinData.Flush();
        p->YMaxData.Flush();
    }
    return p;
}

// Takes entry `from` out and puts it back before position `to`, counted after the
// removal.
template <class T>
void MoveEntry(TIArrayAsVector<T>& list, int from, int to, T* (*asCopy)(T*)) {
    T* item = asCopy(list.Detach(from));
    list.AddAt(item, to);
}

TZukei* ZukeiAsCopy(TZukei* z) { return z; }  // a figure's assignment copies every field

// The figure operations: the same moves as the series ones, without a map.
int ToTop(TIArrayAsVector<TZukei>& list, int n) {
    const int count = list.GetItemsInContainer();
    if (n < 1 || n > count) return 0;
    MoveEntry(list, n, count, &ZukeiAsCopy);
    return 1;
}
int Up(TIArrayAsVector<TZukei>& list, int n) {
    const int count = list.GetItemsInContainer();
    if (n < 1 || n > count) return 0;
    if (n < count) MoveEntry(list, n, n + 1, &ZukeiAsCopy);
    return 1;
}
int Down(TIArrayAsVector<TZukei>& list, int n) {
    if (n == 1) return 1;
    if (n < 1 || n > list.GetItemsInContainer()) return 0;
    MoveEntry(list, n, n - 1, &ZukeiAsCopy);
    return 1;
}
int ToBottom(TIArrayAsVector<TZukei>& list, int n) {
    if (n < 1 || n > list.GetItemsInContainer()) return 0;
    MoveEntry(list, n, 1, &ZukeiAsCopy);
    return 1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void BoxFrame::ResetPlotOrderMap() {
    PlotOrderMap.Flush();
    for (int i = 1, count = PlotList.GetItemsInContainer(); i <= count; ++i) PlotOrderMap.Add(i);
}

int BoxFrame::DuplicatePlot(int n) {
    ResetPlotOrderMap();
    const int count = PlotList.GetItemsInContainer();
    if (n < 1 || n > count || PlotList.IsFull()) return 0;
    auto copy = std::make_unique<TPlot>(*PlotList[n]);
    if (!PlotList.Add(copy)) return 0;
    PlotOrderMap.Add(count + 1);
    return 1;
}

int BoxFrame::PlotToTop(int n) {
    ResetPlotOrderMap();
    const int count = PlotList.GetItemsInContainer();
    if (n < 1 || n > count) return 0;
    MoveEntry(PlotList, n, count, &AsValueCopy);
    for (int i = n + 1; i <= count; ++i) PlotOrderMap[i] = i - 1;
    PlotOrderMap[n] = count;
    return 1;
}

int BoxFrame::PlotUp(int n) {
    ResetPlotOrderMap();
    const int count = PlotList.GetItemsInContainer();
    if (n < 1 || n > count) return 0;
    if (n == count) return 1;
    MoveEntry(PlotList, n, n + 1, &AsValueCopy);
    PlotOrderMap[n] = n + 1;
    PlotOrderMap[n + 1] = n;
    return 1;
}

int BoxFrame::PlotDown(int n) {
    ResetPlotOrderMap();
    const int count = PlotList.GetItemsInContainer();
    if (n == 1) return 1;
    if (n < 1 || n > count) return 0;
    MoveEntry(PlotList, n, n - 1, &AsValueCopy);
    PlotOrderMap[n - 1] = n;
    PlotOrderMap[n] = n - 1;
    return 1;
}

int BoxFrame::PlotToBottom(int n) {
    ResetPlotOrderMap();
    const int count = PlotList.GetItemsInContainer();
    if (n < 1 || n > count) return 0;
    MoveEntry(PlotList, n, 1, &AsValueCopy);
    for (int i = 1; i < n; ++i) PlotOrderMap[i] = i + 1;
    PlotOrderMap[n] = 1;
    return 1;
}

int BoxFrame::DeletePlot(int n) {
    ResetPlotOrderMap();
    const int count = PlotList.GetItemsInContainer();
    if (n < 1 || n > count) return 0;
    PlotList.Destroy(n);
    PlotOrderMap[n] = 0;
    for (int i = n + 1; i <= count; ++i) PlotOrderMap[i] = i - 1;
    return 1;
}

int BoxFrame::ZukeiToTop(int n) { return ToTop(ZukeiList, n); }
int BoxFrame::ZukeiUp(int n) { return Up(ZukeiList, n); }
int BoxFrame::ZukeiDown(int n) { return Down(ZukeiList, n); }
int BoxFrame::ZukeiToBottom(int n) { return ToBottom(ZukeiList, n); }

void BoxFrame::RenumberTextRefs(TText* text) const {
    if (!text) return;
    // The map covers exactly the series numbers before the operation (plus the
    // identity entry a duplicate appends); any other number names no series.
    const int mapped = PlotOrderMap.GetItemsInContainer();
    char* p = text->String.data();
    while (*p) {
        if (p[0] == '%' && (p[1] == 'd' || p[1] == 'p') && IsDigit(p[2]) && IsDigit(p[3]) &&
            IsDigit(p[4])) {
            const int k = (p[2] - '0') * 100 + (p[3] - '0') * 10 + (p[4] - '0');
            if (k >= 1 && k <= mapped) {
                const int to = PlotOrderMap[k];
                if (to == 0) {
                    std::memcpy(p, "*****", 5);
                } else if (to > 0 && to <= 999) {
                    p[2] = char('0' + to / 100);
                    p[3] = char('0' + to / 10 % 10);
                    p[4] = char('0' + to % 10);
                }
                p += 5;
                continue;
            }
        }
        p = CharNextA(p);
    }
}

void BoxFrame::RenumberAllTextRefs() {
    for (TText* t : TextList) RenumberTextRefs(t);
    for (AxisUnit* axis : {&LeftAxis, &BottomAxis, &TopAxis, &RightAxis})
        for (TText* t : axis->LabelTexts) RenumberTextRefs(t);
    RelayoutTexts(*this);
}

void SetTextRelayoutHook(TextRelayoutHook hook) { g_textRelayout = hook; }

void RelayoutTexts(BoxFrame& set) {
    if (g_textRelayout) g_textRelayout(set);
}
