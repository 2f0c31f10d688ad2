#include "render/kvx.h"

#include "platform/cformat.h"

#include <climits>
#include <cstring>
#include <string>

int PageHeight = 0;

namespace kvx {
COLORREF LayerBkColor = 0xFFFFFF;
}

namespace {

void Line(FILE* file, const char* fmt, int a, int b) {
    char buf[64];
    kv::SNPrintF(buf, sizeof buf, fmt, a, b);
    std::fputs(buf, file);
}

}  // namespace

int PageToFileY(int y) {
    long long v = (long long)PageHeight - y;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

void OutPageInfo(int width, int height, FILE* file) {
    PageHeight = height;
    kvx::LayerBkColor = 0xFFFFFF;
    if (!file) return;
    kvx::Tag(file, "/PAI");
    Line(file, "%d,%d\r\n", width, height);
}

void OutBoundingBox(int left, int top, int right, int bottom, FILE* file) {
    if (!file) return;
    TRect r = TRect(left, PageToFileY(top), right, PageToFileY(bottom)).Normalized();
    kvx::Tag(file, "/BBX");
    Line(file, "%d,%d,", r.left, r.top);
    Line(file, "%d,%d\r\n", r.right, r.bottom);
}

void OutFileHeader(int version, FILE* file) {
    if (!file) return;
    std::string s = kv::Format("%% Korvida kvx format file exported by Korvida version %1.2f",
                               version * 0.001);
    s += "\r\n";
    std::fputs(s.c_str(), file);
}

void OutFileFooter(FILE* file) {
    if (!file) return;
    std::fputs("% End of Korvida kvx format file\r\n", file);
}

namespace kvx {

void Tag(FILE* file, const char* tag) {
    if (!file) return;
    std::fputs(tag, file);
    std::fputs("\r\n", file);
}

void Point(FILE* file, int x, int y) {
    if (!file) return;
    Line(file, "%d,%d\r\n", x, PageToFileY(y));
}

void Number(FILE* file, int v) {
    if (!file) return;
    char buf[32];
    kv::SNPrintF(buf, sizeof buf, "%d\r\n", v);
    std::fputs(buf, file);
}

void Colour(FILE* file, int first, const TColor& c) {
    if (!file) return;
    char buf[64];
    kv::SNPrintF(buf, sizeof buf, "%d,%d,%d,%d\r\n", first, c.Red(), c.Green(), c.Blue());
    std::fputs(buf, file);
}

void Rect(FILE* file, int l, int t, int r, int b) {
    if (!file) return;
    Line(file, "%d,%d,", l, PageToFileY(t));
    Line(file, "%d,%d\r\n", r, PageToFileY(b));
}

void TextLine(FILE* file, const char* text, int maxBytes) {
    if (!file) return;
    if (text && maxBytes > 0) {
        std::string s(text, strnlen(text, size_t(maxBytes)));
        for (char& ch : s)
            if (ch == '\r' || ch == '\n') ch = ' ';
        std::fwrite(s.data(), 1, s.size(), file);
    }
    std::fputs("\r\n", file);
}

}  // namespace kvx
