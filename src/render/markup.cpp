#include "render/markup.h"

#include "model/boxframe.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/winmath.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Three digits at s[i..i+2] as a number, or -1.
int ThreeDigits(std::string_view s, std::size_t i) {
    if (i + 3 > s.size() || !IsDigit(s[i]) || !IsDigit(s[i + 1]) || !IsDigit(s[i + 2])) return -1;
    return (s[i] - '0') * 100 + (s[i + 1] - '0') * 10 + (s[i + 2] - '0');
}

// A sign and two digits at s[i..i+2]; false when they are not there.
bool SignedTwoDigits(std::string_view s, std::size_t i, int& value) {
    if (i + 3 > s.size() || (s[i] != '+' && s[i] != '-') || !IsDigit(s[i + 1]) ||
        !IsDigit(s[i + 2]))
        return false;
    value = (s[i + 1] - '0') * 10 + (s[i + 2] - '0');
    if (s[i] == '-') value = -value;
    return true;
}

// The bytes before the terminator, at most 260 of them (a path buffer's worth).
std::string_view PathBytes(const char* path) {
    if (!path) return {};
    return std::string_view(path, strnlen(path, MAX_PATH));
}

void CopyOut(const std::string& s, char* out) {
    if (out) lstrcpynA(out, s.c_str(), MAX_PATH);
}

}  // namespace

void EscapeMarkup(const std::string& in, std::string& out) {
    std::string r;
    r.reserve(in.size() + 8);
    const char* p = in.c_str();
    const char* end = p + std::strlen(p);
    while (p < end) {
        const char* next = CharNextA(p);
        if (next - p == 1 && (*p == '%' || *p == '@' || *p == '^' || *p == '_')) r += '%';
        r.append(p, std::size_t(next - p));
        p = next;
    }
    out = std::move(r);
}

void GetFileNameExt(const char* path, char* out) {
    kv::SplitPath parts = kv::SplitFilePathCp932(PathBytes(path));
    CopyOut(parts.name + parts.ext, out);
}

void GetDriveDir(const char* path, char* out) {
    kv::SplitPath parts = kv::SplitFilePathCp932(PathBytes(path));
    CopyOut(parts.drive + parts.dir, out);
}

TPoint& RotatePoint(TPoint& out, int x, int y, int cx, int cy, double degrees) {
    // The constant and the factor 1/180 give the same truncations as stored
    // documents were laid out with.
    const double r = degrees * (1.0 / 180.0) * 3.1415926;
    const double dx = double(x) - cx, dy = double(y) - cy;
    const double c = std::cos(r), s = std::sin(r);
    out.x = TruncToIntSaturated(c * dx + s * dy + cx);
    out.y = TruncToIntSaturated(-s * dx + c * dy + cy);
    return out;
}

namespace kv {

std::string ExpandSeriesRefs(std::string_view text, const BoxFrame* set) {
    // A stored string ends at its first zero byte, as the character walk does.
    std::string_view s = text.substr(0, std::min(text.size(), text.find('\0')));
    const int count = set ? set->PlotList.GetItemsInContainer() : 0;
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '%' && i + 1 < s.size() && (s[i + 1] == 'D' || s[i + 1] == 'd')) {
            const int n = ThreeDigits(s, i + 2);
            if (n >= 1 && n <= count) {
                const TPlot* plot = set->PlotList[n];
                char path[MAX_PATH + 1];
                lstrcpynA(path, plot->DataFileName, MAX_PATH);
                std::string shown;
                if (s[i + 1] == 'D') {
                    shown = path;
                } else {
                    char name[MAX_PATH];
                    GetFileNameExt(path, name);
                    shown = name;
                }
                EscapeMarkup(shown, shown);
                out += shown;
                i += 5;
            } else {
                ++i;  // the "%" goes; the letter and digits follow as text
            }
            continue;
        }
        const std::size_t step =
            (IsDBCSLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        out.append(s.data() + i, step);
        i += step;
    }
    return out;
}

int MarkupUnit::Entries() const {
    switch (kind) {
    case MarkupKind::Text:
    case MarkupKind::Superscript:
    case MarkupKind::Subscript:
    case MarkupKind::Normal:
    case MarkupKind::LineBreak:
    case MarkupKind::Control:
    case MarkupKind::Stray: return 1;
    case MarkupKind::Escaped:
    case MarkupKind::Weight:
    case MarkupKind::Face:
    case MarkupKind::Tab: return 2;
    case MarkupKind::Size:
    case MarkupKind::Shift:
    case MarkupKind::Spacing:
    case MarkupKind::Move:
    case MarkupKind::Sample: return 5;
    }
    return 1;
}

MarkupUnit NextMarkupUnit(std::string_view s, int offset) {
    MarkupUnit u;
    u.offset = offset;
    const std::size_t i = std::size_t(offset);
    const char c = s[i];
    switch (c) {
    case '^': u.kind = MarkupKind::Superscript; return u;
    case '_': u.kind = MarkupKind::Subscript; return u;
    case '@': u.kind = MarkupKind::Normal; return u;
    case '\r':
        u.kind = (i + 1 < s.size() && s[i + 1] == '\n') ? MarkupKind::LineBreak : MarkupKind::Control;
        return u;
    case '\n': u.kind = MarkupKind::Control; return u;
    case '%': break;
    default: {
        u.kind = MarkupKind::Text;
        // A lead byte takes its trail byte along when there is one.
        if (IsDBCSLeadByte(static_cast<unsigned char>(c)) && i + 1 < s.size() && s[i + 1] != '\0')
            u.length = 2;
        return u;
    }
    }

    u.kind = MarkupKind::Stray;
    if (i + 1 >= s.size()) return u;
    const char k = s[i + 1];
    u.code = k;
    switch (k) {
    case 'N':
    case 'B':
    case 'I':
    case 'O': u.kind = MarkupKind::Weight; u.length = 2; return u;
    case 'G':
    case 'F': u.kind = MarkupKind::Face; u.length = 2; return u;
    case 'T': u.kind = MarkupKind::Tab; u.length = 2; u.value = 2; return u;
    case 't': u.kind = MarkupKind::Tab; u.length = 2; u.value = 1; return u;
    case '%':
    case '@':
    case '^':
    case '_': u.kind = MarkupKind::Escaped; u.length = 2; return u;
    case 'S':
    case 'p': {
        const int n = ThreeDigits(s, i + 2);
        if (n < 0) break;
        u.kind = k == 'S' ? MarkupKind::Size : MarkupKind::Sample;
        u.length = 5;
        u.value = n;
        return u;
    }
    case 'Y':
    case 'P':
    case 'X': {
        int v = 0;
        if (!SignedTwoDigits(s, i + 2, v)) break;
        u.kind = k == 'Y' ? MarkupKind::Shift : k == 'P' ? MarkupKind::Spacing : MarkupKind::Move;
        u.length = 5;
        u.value = v;
        return u;
    }
    default: break;
    }
    u.kind = MarkupKind::Stray;
    u.code = 0;
    return u;
}

bool ApplyMarkupFont(const MarkupUnit& unit, const LOGFONT& base, LOGFONT& run) {
    switch (unit.kind) {
    case MarkupKind::Weight:
        run.lfWeight = (unit.code == 'B' || unit.code == 'O') ? FW_BOLD : FW_NORMAL;
        run.lfItalic = (unit.code == 'I' || unit.code == 'O') ? 1 : 0;
        return true;
    case MarkupKind::Face:
        if (unit.code == 'G') {
            std::memset(run.lfFaceName, 0, sizeof run.lfFaceName);
            lstrcpynA(run.lfFaceName, "Symbol", LF_FACESIZE);
            run.lfCharSet = SYMBOL_CHARSET;
        } else {
            std::memcpy(run.lfFaceName, base.lfFaceName, sizeof run.lfFaceName);
            run.lfCharSet = base.lfCharSet;
        }
        return true;
    case MarkupKind::Size: run.lfHeight = MulDiv(base.lfHeight, unit.value, 100); return true;
    case MarkupKind::Superscript:
    case MarkupKind::Subscript: run.lfHeight = MulDiv(base.lfHeight, 2, 3); return true;
    case MarkupKind::Normal: run.lfHeight = base.lfHeight; return true;
    default: return false;
    }
}

int LegendSampleWidth(int lineHeight, int legendLength) {
    const double f = legendLength * 3.0 * 0.01;
    return TruncToIntSaturated(lineHeight * f);
}

long long MulDiv64(long long a, long long b, long long c) {
    if (c == 0) return 0;
    const __int128 p = (__int128)a * b;
    __int128 q = p / c;
    const __int128 r = p % c;
    if (r != 0) {
        const __int128 r2 = (r < 0 ? -r : r) * 2;
        const __int128 cc = c < 0 ? -(__int128)c : (__int128)c;
        if (r2 >= cc) q += ((p < 0) != (c < 0)) ? -1 : 1;
    }
    if (q > LLONG_MAX) return LLONG_MAX;
    if (q < LLONG_MIN) return LLONG_MIN;
    return (long long)q;
}

}  // namespace kv
