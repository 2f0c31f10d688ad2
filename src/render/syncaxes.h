#pragma once
// Keeps the four axes of an axis set in step with its frame type. In a "Box" frame
// the top axis mirrors the bottom one and the right axis the left one; in an "X-Y"
// frame only the bottom and left axes show and the hidden top and right axes carry
// their scales; an "Independent" frame leaves every axis alone. The drawing code
// decides the visibility of a "Box" or "X-Y" frame from the bottom axis alone and
// relies on this having run after every change of the axes or the frame type.
//
// The axes may be working copies that belong to no axis set (the axis dialog passes
// its own). The copied fields are part of the stored document; marking it modified
// and repainting are the caller's business.

class AxisUnit;
class BoxFrame;
class Frame;

// Dispatches on the frame's FrameType: 0 SyncAxesBox, 1 SyncAxesXY, anything else
// (and a null frame or axis) nothing. The argument order is that of the axis
// fields of BoxFrame: left, right, top, bottom.
void SyncAxes(const Frame* frame, AxisUnit* left, AxisUnit* right, AxisUnit* top,
              AxisUnit* bottom);
// SyncAxes on an axis set's own frame and axes.
void SyncAxes(BoxFrame& set);

// All four axes take the bottom axis's visibility and label font; the top axis the
// bottom's tick look, the right axis the left's, both without grid lines of their
// own; the scale group goes across only where the bottom's or the left's common
// switch is on. The frame is not read.
void SyncAxesBox(const Frame* frame, AxisUnit* left, AxisUnit* right, AxisUnit* top,
                 AxisUnit* bottom);
// The bottom and left axes become common; the left takes the bottom's visibility,
// look and font; top and right take the bottom's and left's scales and are hidden
// without labels. The frame is not read.
void SyncAxesXY(const Frame* frame, AxisUnit* left, AxisUnit* right, AxisUnit* top,
                AxisUnit* bottom);
