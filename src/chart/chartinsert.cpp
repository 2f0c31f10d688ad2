// The text and legend tools: a new text in the default text style, filled in its
// dialog, laid out and centred on what the window shows, added to the current
// axis set's free texts and drawn at once. Neither selects the new text.

#include "chart/chartwindow.h"

#include "dialogs/legenddialog.h"
#include "dialogs/textdialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "platform/winmath.h"
#include "render/textlayout.h"

#include <cstdint>
#include <memory>
#include <new>

namespace {

// The centre of the client area in page twips (halves truncated toward zero).
TPoint ViewCentre(const TChartWindow& w) {
    TRect c = w.GetClientRect();
    if (w.WindowDC) w.WindowDC->DPtoLP(c);
    return TPoint(int((std::int64_t(c.left) + c.right) / 2), int((std::int64_t(c.top) + c.bottom) / 2));
}

void ReportNoMemory(TChartWindow& w) {
    kv::MessageBox(static_cast<QWidget*>(&w), kv::LoadString(17), nullptr, MB_OK | MB_ICONSTOP);
}

}  // namespace

void TChartWindow::InsertText() {
    if (!Document.Current) return;
    const TPoint c = ViewCentre(*this);
    std::unique_ptr<TText> text;
    int result = IDCANCEL;
    try {
        text = std::make_unique<TText>();
        Defaults.ApplyDefaultText(text.get());
        TTextDialog dialog(this, text.get(), &Defaults.DefaultText, nullptr);
        result = dialog.Execute();
    } catch (const std::bad_alloc&) {
        ReportNoMemory(*this);
        return;
    }
    if (result != IDOK || text->String.empty()) return;
    ::LayoutText(text.get(), Document.Current);
    const TRect& b = text->BoundingBox;
    const std::int64_t bx = (std::int64_t(b.left) + b.right) / 2;
    const std::int64_t by = (std::int64_t(b.top) + b.bottom) / 2;
    // In doubles with the frame's own origin, truncated at the end.
    text->Position.x = TruncToIntSaturated(double(c.x - bx) - Document.Current->Frame.OriginX);
    text->Position.y = TruncToIntSaturated(double(c.y - by) - Document.Current->Frame.OriginY);
    AppendText(std::move(text));
}

void TChartWindow::InsertLegend() {
    if (!Document.Current) return;
    const TPoint c = ViewCentre(*this);
    std::unique_ptr<TText> text;
    int result = IDCANCEL;
    try {
        text = std::make_unique<TText>();
        Defaults.ApplyDefaultText(text.get());
        TLegendDialog dialog(this, Document.Current, text.get());
        result = dialog.Execute();
    } catch (const std::bad_alloc&) {
        ReportNoMemory(*this);
        return;
    }
    if (result != IDOK) return;
    ::LayoutText(text.get(), Document.Current);
    const TRect& b = text->BoundingBox;
    const std::int64_t bx = (std::int64_t(b.left) + b.right) / 2;
    const std::int64_t by = (std::int64_t(b.top) + b.bottom) / 2;
    // In integers with the frame origin truncated first.
    const std::int64_t ox = TruncToIntSaturated(Document.Current->Frame.OriginX);
    const std::int64_t oy = TruncToIntSaturated(Document.Current->Frame.OriginY);
    text->Position.x = TruncToIntSaturated(double(c.x - bx - ox));
    text->Position.y = TruncToIntSaturated(double(c.y - by - oy));
    AppendText(std::move(text));
}

void TChartWindow::AppendText(std::unique_ptr<TText> text) {
    TText* added = text.get();
    try {
        if (!Document.Current->TextList.Add(text)) added = nullptr;
    } catch (const std::bad_alloc&) {
        added = nullptr;
    }
    if (!added) {
        ReportNoMemory(*this);
        return;
    }
    InvalidatePageRect(GetTextRect(Document.Current, added));
    Document.Modified = 1;
    UpdateWindow();
}
