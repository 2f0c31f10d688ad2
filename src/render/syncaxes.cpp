// Copying fields between the four axes of an axis set by its frame type.

#include "render/syncaxes.h"

#include "model/axes.h"
#include "model/boxframe.h"

namespace {

// What the mirrored axis shares when the common switch is on: where the values lie
// and where the ticks go.
void CopyScale(AxisUnit& to, const AxisUnit& from) {
    to.Scaling = from.Scaling;
    to.RangeStart = from.RangeStart;
    to.RangeEnd = from.RangeEnd;
    to.RangeInc = from.RangeInc;
    to.ScaleInv = from.ScaleInv;
    to.AutoCrossPoint = from.AutoCrossPoint;
    to.CrossPointValue = from.CrossPointValue;
    to.DispRegionStart = from.DispRegionStart;
    to.DispRegionEnd = from.DispRegionEnd;
    to.MinorTickDivision = from.MinorTickDivision;
    to.TickInside = from.TickInside;
    to.TickOutside = from.TickOutside;
}

// How the ticks and grid lines look. The grid styles are not part of it.
void CopyLook(AxisUnit& to, const AxisUnit& from) {
    to.TickColor = from.TickColor;
    to.TickLength = from.TickLength;
    to.TickWidth = from.TickWidth;
    to.MajorTickLineWidth = from.MajorTickLineWidth;
    to.MajorTickLineColor = from.MajorTickLineColor;
    to.MinorTickLineWidth = from.MinorTickLineWidth;
    to.MinorTickLineColor = from.MinorTickLineColor;
}

void CopyLabelFont(AxisUnit& to, const AxisUnit& from) {
    to.LabelFont = from.LabelFont;
    to.LabelFontColor = from.LabelFontColor;
}

// The top axis after the bottom, the right axis after the left, in a "Box" frame.
void MirrorBox(AxisUnit& mirror, const AxisUnit& from) {
    mirror.IsVisible = from.IsVisible;
    mirror.IsCommon = from.IsCommon;
    CopyLabelFont(mirror, from);
    CopyLook(mirror, from);
    // Only the bottom and left axes draw grid lines in a box.
    mirror.MajorTickLineStyle = 0;
    mirror.MinorTickLineStyle = 0;
    if (from.IsCommon == 1) CopyScale(mirror, from);
}

}  // namespace

void SyncAxesBox(const Frame*, AxisUnit* left, AxisUnit* right, AxisUnit* top,
                 AxisUnit* bottom) {
    if (!left || !right || !top || !bottom) return;
    left->IsVisible = bottom->IsVisible;
    CopyLabelFont(*left, *bottom);
    MirrorBox(*top, *bottom);
    MirrorBox(*right, *left);
}

void SyncAxesXY(const Frame*, AxisUnit* left, AxisUnit* right, AxisUnit* top,
                AxisUnit* bottom) {
    if (!left || !right || !top || !bottom) return;
    bottom->IsCommon = 1;
    left->IsVisible = bottom->IsVisible;
    left->IsCommon = bottom->IsCommon;
    CopyLook(*left, *bottom);
    CopyLabelFont(*left, *bottom);
    CopyScale(*top, *bottom);
    CopyScale(*right, *left);
    top->IsVisible = 0;
    top->LabelFormat = 0;
    right->IsVisible = 0;
    right->LabelFormat = 0;
}

void SyncAxes(const Frame* frame, AxisUnit* left, AxisUnit* right, AxisUnit* top,
              AxisUnit* bottom) {
    if (!frame) return;
    switch (frame->FrameType) {
    case 0: SyncAxesBox(frame, left, right, top, bottom); break;
    case 1: SyncAxesXY(frame, left, right, top, bottom); break;
    default: break;
    }
}

void SyncAxes(BoxFrame& set) {
    SyncAxes(&set.Frame, &set.LeftAxis, &set.RightAxis, &set.TopAxis, &set.BottomAxis);
}
