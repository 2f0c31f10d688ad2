#pragma once
// Shared by the axis, grid and autoscale tests: an axis set with a round frame,
// the moves and lines a drawing sent to a recording device context, and a key
// source that counts Escape polls.

#include "model/boxframe.h"
#include "platform/escape.h"

#include "support/helpers/recording_dc.h"

#include <cstdio>
#include <string>
#include <vector>

namespace axistest {

// One drawn segment: a MoveToEx followed by LineTo calls gives one per LineTo.
struct Segment {
    int x1, y1, x2, y2;
    bool operator==(const Segment&) const = default;
};

inline std::vector<Segment> Segments(const RecordingDC& dc) {
    std::vector<Segment> out;
    int cx = 0, cy = 0;
    for (const std::string& c : dc.Calls()) {
        int x = 0, y = 0;
        if (std::sscanf(c.c_str(), "MoveToEx(%d,%d)", &x, &y) == 2) {
            cx = x;
            cy = y;
        } else if (std::sscanf(c.c_str(), "LineTo(%d,%d)", &x, &y) == 2) {
            out.push_back({cx, cy, x, y});
            cx = x;
            cy = y;
        }
    }
    return out;
}

// Frame at (2000, 3000), 7000 by 7000 twips; every axis 0 to 10 step 2, minor
// division 1, ticks inside, the default base sizes of the frame.
inline void SetRoundFrame(BoxFrame& set) {
    set.Frame.OriginX = 2000;
    set.Frame.OriginY = 3000;
    set.Frame.FrameLengthX = 7000;
    set.Frame.FrameLengthY = 7000;
    for (AxisUnit* a : {&set.BottomAxis, &set.LeftAxis, &set.TopAxis, &set.RightAxis}) {
        a->RangeStart = 0;
        a->RangeEnd = 10;
        a->RangeInc = 2;
        a->MinorTickDivision = 1;
    }
}

// Answers each Escape poll with nothing waiting, except poll number escapeAt (from
// 1), which finds an Escape press; counts the polls. Restores the previous source
// and clears the latch when it goes.
class EscapeScript {
public:
    explicit EscapeScript(int escapeAt = 0) : escapeAt_(escapeAt) {
        AbortRequested = 0;
        previous_ = kv::SetKeyMessageSource([this](kv::KeyMessage* out) {
            ++polls;
            if (polls != escapeAt_) return false;
            out->message = WM_KEYDOWN;
            out->key = VK_ESCAPE;
            return true;
        });
    }
    ~EscapeScript() {
        kv::SetKeyMessageSource(std::move(previous_));
        AbortRequested = 0;
    }
    EscapeScript(const EscapeScript&) = delete;
    EscapeScript& operator=(const EscapeScript&) = delete;

    int polls = 0;

private:
    int escapeAt_;
    kv::KeyMessageSource previous_;
};

}  // namespace axistest
