#pragma once
// What the program does with a graph file it has read, for the graph-file fuzzer
// and the damaged-file tests: lay out its texts and figures, measure and draw the
// whole page in every output mode, then write it, read it back and write it again.
// Header-only, so the fuzzer (built without the test helpers) shares it.

#include "model/graphfile.h"
#include "platform/escape.h"
#include "render/graphdraw.h"
#include "render/kvx.h"
#include "render/output.h"

#include <QImage>

#include <cstdio>
#include <string>

namespace kvtest {

// Long drawings of a damaged document (a series of a million points, curves of
// huge division counts) are what the Escape key is for: an Escape press arrives
// after this many polls, so every drawing ends soon, as under an impatient user.
constexpr long kExerciseEscapeAfterPolls = 20000;

// The bytes a document's content is written as.
inline std::string WrittenContent(const TEnv& env, const TIArrayAsVector<BoxFrame>& sets) {
    opstream os;
    WriteGraphContent(os, env, sets);
    return os.buffer();
}

// Lays out and draws the axis sets: each figure's bounds, the texts (when a
// layout is installed), the page's extent estimate, the measured extent, kvx
// records into sink (may be null) and a small image of the page.
inline void DrawEverywhere(const TIArrayAsVector<BoxFrame>& sets, const TEnv& env, std::FILE* sink) {
    long polls = 0;
    kv::KeyMessageSource previous = kv::SetKeyMessageSource([&polls](kv::KeyMessage* out) {
        if (++polls < kExerciseEscapeAfterPolls) return false;
        *out = kv::KeyMessage{WM_KEYDOWN, VK_ESCAPE};
        return true;
    });
    for (BoxFrame* set : sets) {
        for (TZukei* z : set->ZukeiList) z->UpdateBounds();
        RelayoutTexts(*set);
    }
    (void)GetGraphExtent(sets);

    TDC none;
    TRect extent(0, 0, 0, 0);
    DrawGraph(sets, OUT_EXTENT, none, nullptr, &extent);

    OutPageInfo(env.PrintableWidth, env.PrintableHeight, sink);
    OutBoundingBox(extent.left, extent.top, extent.right, extent.bottom, sink);
    DrawGraph(sets, OUT_VECTOR, none, sink, &extent);

    // The page view at a small size: 16384 twips across 32 pixels.
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    {
        TDC dc(&image);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowOrg(TPoint(0, 0));
        dc.SetWindowExt(TSize(16384, 16384));
        dc.SetViewportOrg(TPoint(0, 0));
        dc.SetViewportExt(TSize(32, 32));
        DrawGraph(sets, OUT_DC, dc, nullptr, nullptr);
    }
    kv::SetKeyMessageSource(std::move(previous));
    AbortRequested = 0;
}

// Writes the content, reads it back and writes it again; false when the copy is
// refused or differs.
inline bool WritesBackTheSame(const TEnv& env, const TIArrayAsVector<BoxFrame>& sets) {
    const std::string first = WrittenContent(env, sets);
    ipstream again(first);
    again.readVersion();
    GraphFileContent back;
    if (ReadGraphContent(again, back) != GraphReadStatus::Ok) return false;
    if (back.AxisSets.GetItemsInContainer() != sets.GetItemsInContainer()) return false;
    return WrittenContent(*back.Env, back.AxisSets) == first;
}

}  // namespace kvtest
