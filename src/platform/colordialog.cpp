#include "colordialog.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace kv {

namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}

ColorDialogHandler& Handler() {
    static ColorDialogHandler h;
    return h;
}

}  // namespace

ColorDialogHandler SetColorDialogHandler(ColorDialogHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    return std::exchange(Handler(), std::move(handler));
}

ColorDialogResult RunColorDialog(const ColorDialogRequest& request) {
    ColorDialogHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(request);
    std::fprintf(stderr, "colour dialog: no dialog service, cancelled\n");
    return ColorDialogResult{};
}

ScriptedColorDialogs::ScriptedColorDialogs() {
    previous_ = SetColorDialogHandler([this](const ColorDialogRequest& request) {
        Shown s;
        s.request = request;
        if (request.custom) s.customIn = *request.custom;
        shown_.push_back(s);
        if (answers_.empty()) return ColorDialogResult{};
        Answer a = std::move(answers_.front());
        answers_.erase(answers_.begin());
        if (request.custom)
            for (const auto& [k, c] : a.custom)
                if (k >= 0 && k < 16) (*request.custom)[std::size_t(k)] = c;
        return a.result;
    });
}

ScriptedColorDialogs::~ScriptedColorDialogs() { SetColorDialogHandler(std::move(previous_)); }

void ScriptedColorDialogs::Choose(COLORREF color, std::vector<std::pair<int, COLORREF>> setCustom) {
    Answer a;
    a.result.chosen = true;
    a.result.color = color;
    a.custom = std::move(setCustom);
    answers_.push_back(std::move(a));
}

void ScriptedColorDialogs::Cancel() { answers_.push_back(Answer{}); }

}  // namespace kv
