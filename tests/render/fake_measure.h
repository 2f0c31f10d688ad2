#pragma once
// A text measure with fixed metrics, so that layouts have exact expected numbers.
//
// For a font of character height h (|lfHeight|, 240 for 0): tmHeight h, tmAscent
// h * 4 / 5; advances h * 7 / 10 for "A", h * 6 / 10 for "B", h for a double-byte
// character, h / 2 for every other character; bold adds h / 10, the Symbol face
// takes h * 9 / 10 for every character. Installed for the life of the object.

#include "render/textlayout.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

class FakeMeasure : public kv::TextMeasure {
public:
    FakeMeasure() { old_ = kv::SetTextMeasure(this); }
    ~FakeMeasure() override { kv::SetTextMeasure(old_); }
    FakeMeasure(const FakeMeasure&) = delete;
    FakeMeasure& operator=(const FakeMeasure&) = delete;

    static int Em(const LOGFONT& lf) { return lf.lfHeight == 0 ? 240 : std::abs(lf.lfHeight); }
    static int AdvanceOf(const LOGFONT& lf, const char* s, int count) {
        const int h = Em(lf);
        if (std::strncmp(lf.lfFaceName, "Symbol", LF_FACESIZE) == 0) return h * 9 / 10;
        int w = count == 2 ? h : s[0] == 'A' ? h * 7 / 10 : s[0] == 'B' ? h * 6 / 10 : h / 2;
        if (lf.lfWeight >= 700) w += h / 10;
        return w;
    }

    void Begin() override { ++begun; }
    void End() override { ++ended; }
    void SelectFont(const LOGFONT& lf) override {
        lf_ = lf;
        selected.push_back(lf);
    }
    int Height() override { return Em(lf_); }
    int Ascent() override { return zeroAscent ? 0 : Em(lf_) * 4 / 5; }
    int Advance(const char* s, int count) override {
        measured.emplace_back(s, std::size_t(count));
        return AdvanceOf(lf_, s, count);
    }

    bool zeroAscent = false;
    int begun = 0, ended = 0;
    std::vector<LOGFONT> selected;
    std::vector<std::string> measured;

private:
    LOGFONT lf_{};
    kv::TextMeasure* old_ = nullptr;
};
