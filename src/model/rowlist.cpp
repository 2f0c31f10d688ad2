// The lists of numbers and ranges that name parameter columns of a data file and
// mask rows of a series ("1, 3-5"). Both lists share one walker; what a number may
// be and what applying it does differ.

#include "model/plot.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

unsigned CountDashes(const char* text) {
    unsigned n = 0;
    if (!text) return 0;
    for (; *text; ++text)
        if (*text == '-') ++n;
    return n;
}

namespace {

// A part of an item: digits only (the walker let nothing else through). Empty
// parts, parts that read as 0 and numbers beyond the int range are refused; a
// huge row number must not wrap into a small valid one.
bool ReadNumber(std::string_view digits, int& out) {
    if (digits.empty()) return false;
    std::int64_t v = 0;
    for (char c : digits) {
        v = v * 10 + (c - '0');
        if (v > INT_MAX) return false;
    }
    if (v == 0) return false;
    out = int(v);
    return true;
}

// Walks the list and hands each number (first == last) or range to use, which
// answers whether it is acceptable. 1 when the whole list is, 0 at the first bad
// item (the items before it have been handed over).
int WalkList(const char* list, const std::function<bool(int first, int last)>& use) {
    std::string text;
    if (list)
        for (const char* p = list; *p; ++p)
            if (*p != ' ') text += *p;
    if (text.empty()) return 1;
    text += ',';

    std::string item;
    for (char c : text) {
        if (c != ',') {
            if (!(c >= '0' && c <= '9') && c != '-') return 0;
            item += c;
            continue;
        }
        if (item.empty()) return 0;
        const unsigned dashes = CountDashes(item.c_str());
        int first = 0, last = 0;
        if (dashes == 0) {
            if (!ReadNumber(item, first)) return 0;
            last = first;
        } else if (dashes == 1) {
            const std::size_t dash = item.find('-');
            if (!ReadNumber(std::string_view(item).substr(0, dash), first)) return 0;
            if (!ReadNumber(std::string_view(item).substr(dash + 1), last)) return 0;
        } else {
            return 0;
        }
        if (!use(first, last)) return 0;
        item.clear();
    }
    return 1;
}

}  // namespace

int TPlot::ParseParameterColumns(const char* list, int checkOnly) {
    if (!checkOnly)
        for (int& on : PlotFile.ParamColumns) on = 0;
    return WalkList(list, [&](int first, int last) {
        if (first < 1 || first > ParamColumnCount || last < 1 || last > ParamColumnCount ||
            last < first)
            return false;
        if (!checkOnly)
            for (int c = first; c <= last; ++c) PlotFile.ParamColumns[c - 1] = 1;
        return true;
    });
}

int TPlot::ApplyMask(const char* list, int checkOnly) {
    if (checkOnly) return WalkList(list, [](int, int) { return true; });

    const int rows = XData.GetItemsInContainer();
    TDataElement* x = XData.data();
    for (int i = 0; i < rows; ++i) x[i].Flag &= std::uint8_t(~DataFlagMasked);
    return WalkList(list, [&](int first, int last) {
        if (first < 1 || first > rows || last < 1 || last > rows || last < first) return false;
        for (int r = first; r <= last; ++r)
            if (x[r - 1].Flag == 0) x[r - 1].Flag = DataFlagMasked;
        return true;
    });
}
