// The page's margin texts: the document's file name or today's date, at the head
// and the foot of the printable area, drawn at the end of every drawing of the
// whole page on a device; and the command that chooses them.

#include "chart/chartheader.h"

#include "chart/chartwindow.h"
#include "dialogs/headerdialog.h"
#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/winmath.h"
#include "render/output.h"
#include "render/textlayout.h"

#include <algorithm>
#include <ctime>
#include <optional>

namespace {

// "ＭＳ Ｐゴシック" in the document's code page.
constexpr char kHeaderFace[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
constexpr BYTE kShiftJisCharset = 128;

// The bytes of one UTF-8 sequence that starts with lead (1 for a stray byte).
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

// A local file name as document bytes, character by character, so that one
// character the code page lacks does not cost the whole name.
std::string ToDocumentBytes(const std::string& utf8) {
    if (std::optional<std::string> whole = kv::Utf8ToCp932(utf8)) return *whole;
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        const std::optional<std::string> one = kv::Utf8ToCp932(std::string_view(utf8).substr(i, n));
        out += one ? *one : std::string("?");
        i += n;
    }
    return out;
}

// The x of a margin text's origin for its position setting, given the printable
// width W and the text's width w; none for a position that names no place (-1
// from a list left without a selection, or an edited profile's value).
std::optional<long long> MarginTextX(int position, long long W, long long w) {
    switch (position) {
    case HeaderFooterCenter: return W / 2 - w / 2;
    case HeaderFooterLeft: return HeaderFooterMargin;
    case HeaderFooterRight: return W - w - HeaderFooterMargin;
    default: return std::nullopt;
    }
}

}  // namespace

namespace kv {

std::string EscapeTextMarkup(const std::string& cp932) {
    std::string out;
    out.reserve(cp932.size());
    const char* p = cp932.c_str();
    const char* end = p + cp932.size();
    while (p < end) {
        const char* next = CharNextA(p);
        if (next == p) {  // an embedded zero: copied as it is
            out += *p++;
            continue;
        }
        if (next - p == 1 && (*p == '%' || *p == '@' || *p == '^' || *p == '_')) out += '%';
        out.append(p, next);
        p = next;
    }
    return out;
}

std::string HeaderFooterString(int type, const std::string& fileName, int year, int month, int day) {
    switch (type) {
    case HeaderFooterFilename: return EscapeTextMarkup(ToDocumentBytes(fileName));
    case HeaderFooterDate: return kv::Format("%d / %d / %d", year, month, day);
    default: return std::string();
    }
}

}  // namespace kv

void TChartWindow::DrawHeaderFooter(TDC& dc) {
    if (!Document.Env || !Document.Current) return;

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);

    // Foot first (the Header fields), then head (the Footer fields).
    struct Margin {
        int type;
        int position;
        bool atFoot;
    };
    const Margin margins[] = {{Settings.HeaderType, Settings.HeaderPosition, true},
                              {Settings.FooterType, Settings.FooterPosition, false}};

    const long long W = Document.Env->PrintableWidth;
    const long long H = Document.Env->PrintableHeight;
    for (const Margin& m : margins) {
        TText text;
        text.String = kv::HeaderFooterString(m.type, FileName, local.tm_year + 1900, local.tm_mon + 1,
                                             local.tm_mday);
        text.Font.lfHeight = -HeaderFooterHeight;
        text.Font.lfCharSet = kShiftJisCharset;
        lstrcpynA(text.Font.lfFaceName, kHeaderFace, LF_FACESIZE);
        ::LayoutText(&text, Document.Current);

        const long long w = (long long)text.BoundingBox.right - text.BoundingBox.left;
        const long long h = (long long)text.BoundingBox.bottom - text.BoundingBox.top;
        const std::optional<long long> x = MarginTextX(m.position, W, w);
        if (!x) continue;
        const long long y = m.atFoot ? H - h - HeaderFooterMargin : HeaderFooterMargin;
        // Stored relative to the current axis set's frame, which DrawText adds back.
        text.Position.x = TruncToIntSaturated(double(*x) - Document.Current->Frame.OriginX);
        text.Position.y = TruncToIntSaturated(double(y) - Document.Current->Frame.OriginY);
        Document.Current->DrawText(OUT_DC, dc, &text, nullptr, nullptr);
    }
}

void TChartWindow::CmHeaderFooter() {
    int result;
    {
        THeaderDialog dialog(this);
        result = dialog.Execute();
    }
    // The settings belong to the program, not to the document.
    if (result == IDOK) Invalidate(true);
}
