// The selection feedback drawn again after a paint. Painting wipes every NOT-XOR
// shape inside the painted area; the paint context is clipped to that area, so
// drawing the shapes of the present selection once more on it restores exactly
// what was wiped and the screen matches the feedback fields again.

#include "chart/chartmouse.h"

#include "render/zukeidraw.h"

using namespace chartmouse;

namespace {

// The text a selection record names by the first of its lists, axis labels of
// axes 1 to 4 then free texts, that holds exactly one entry. A list with more
// entries belongs to a multiple selection, which is shown as one frame.
const TText* SingleText(const BoxFrame& set) {
    const SelectedFlags& sel = set.Selected;
    const std::pair<const SelectedFlags::IndexList*, const TIArrayAsVector<TText>*> lists[] = {
        {&sel.AxisTexts1, &set.BottomAxis.LabelTexts}, {&sel.AxisTexts2, &set.LeftAxis.LabelTexts},
        {&sel.AxisTexts3, &set.TopAxis.LabelTexts},    {&sel.AxisTexts4, &set.RightAxis.LabelTexts},
        {&sel.Texts, &set.TextList}};
    for (const auto& [list, items] : lists)
        if (list->GetItemsInContainer() == 1) return items->At((*list)[list->LowerBound()]);
    return nullptr;
}

}  // namespace

void TChartWindow::RedrawFeedback(TDC& dc) {
    const int tool = GetCurrentTool();
    if (tool == ToolSelect) {
        if (TextSelected) {
            for (BoxFrame* set : Document.AxisSets) {
                // A number that names no text any more draws nothing.
                const TText* text = SingleText(*set);
                if (!text) continue;
                FeedbackRect = GetTextRect(set, text);
                DrawRubberRect(dc, FeedbackRect);
            }
        } else if (ZukeiSelected) {
            for (BoxFrame* set : Document.AxisSets) {
                const SelectedFlags::IndexList& list = set->Selected.Zukeis;
                if (list.GetItemsInContainer() != 1) continue;
                const TZukei* figure = set->ZukeiList.At(list[list.LowerBound()]);
                if (!figure) continue;
                FeedbackRect = GetFigureRect(set, figure);
                if (figure->Kind == ZukeiLine) {
                    DrawRubberLine(dc, FeedbackRect);
                } else if (figure->Kind == ZukeiPolyline) {
                    if (const TZukei* shown = SelectedFigure(*this)) DrawFigureHandles(dc, shown);
                } else {
                    DrawRectHandles(dc, FeedbackRect);
                }
            }
        } else if (AxisSelected) {
            for (BoxFrame* set : Document.AxisSets) {
                if (set->Selected.State != 1) continue;
                FeedbackRect = GetFrameRect(set);
                DrawRectHandles(dc, FeedbackRect);
            }
        } else if (MultiSelected) {
            DrawRubberRect(dc, FeedbackRect);
        } else if (PlotSelected) {
            if (Document.Current)
                Document.Current->DrawDataPointMark(dc, DataCursor.X, DataCursor.Y, SelectedPlot);
        }
    } else if (tool == ToolWatch && !WatchHidden) {
        DrawCrossCursor(dc, WatchPoint.x, WatchPoint.y);
    }

    // A polyline being entered: its outline and rubber segment, so that the next
    // click or move erases what is on the screen.
    if (PolylineActive && Document.Current) {
        const TZukei& scratch = *ScratchZukei;
        const TPen pen = dc.GetPen();
        DrawPolylineOutline(Document.Current, dc, &scratch, PS_SOLID, 1);
        dc.SelectObject(pen);
        if (!scratch.Nodes.IsEmpty())
            XorSegment(dc, NodePoint(Origin(*this), scratch.Nodes[scratch.Nodes.UpperBound()]), DragPoint);
    }
}
