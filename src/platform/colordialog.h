#pragma once
// The colour chooser as a service, like the file dialogs: the program installs the
// real dialog at start-up, tests install a scripted answerer, and code without
// either gets "cancelled". The request carries the chooser's settings with their
// Win32 meaning: the initial colour, the 16 custom colours the dialog shows and may
// change, and CC_* flags.

#include "wintypes.h"

#include <array>
#include <functional>
#include <vector>

// CHOOSECOLOR flags with their Win32 values.
constexpr DWORD CC_RGBINIT = 0x1;
constexpr DWORD CC_FULLOPEN = 0x2;
constexpr DWORD CC_PREVENTFULLOPEN = 0x4;

namespace kv {

using CustomColors = std::array<COLORREF, 16>;

struct ColorDialogRequest {
    void* owner = nullptr;            // the owning window, opaque here
    COLORREF color = 0;               // shown first with CC_RGBINIT
    CustomColors* custom = nullptr;   // read and written back by the dialog; may be null
    DWORD flags = 0;
};

struct ColorDialogResult {
    bool chosen = false;  // false: cancelled
    COLORREF color = 0;
};

using ColorDialogHandler = std::function<ColorDialogResult(const ColorDialogRequest&)>;

// Installs the handler that runs every colour dialog; returns the previous one.
ColorDialogHandler SetColorDialogHandler(ColorDialogHandler handler);

// Runs a colour dialog. Without a handler: cancelled, a line on stderr.
ColorDialogResult RunColorDialog(const ColorDialogRequest& request);

// A scripted answerer for tests: records every request (with the custom colours
// as they were passed) and answers from a queue; an empty queue answers
// "cancelled". A scripted choice may also set custom colours. Installed for its
// lifetime.
class ScriptedColorDialogs {
public:
    ScriptedColorDialogs();
    ~ScriptedColorDialogs();
    ScriptedColorDialogs(const ScriptedColorDialogs&) = delete;
    ScriptedColorDialogs& operator=(const ScriptedColorDialogs&) = delete;

    struct Shown {
        ColorDialogRequest request;
        CustomColors customIn{};
    };

    // The user picks color; entry k of setCustom (k < 16) becomes custom colour k.
    void Choose(COLORREF color, std::vector<std::pair<int, COLORREF>> setCustom = {});
    void Cancel();

    const std::vector<Shown>& Requests() const { return shown_; }

private:
    struct Answer {
        ColorDialogResult result;
        std::vector<std::pair<int, COLORREF>> custom;
    };
    std::vector<Answer> answers_;
    std::vector<Shown> shown_;
    ColorDialogHandler previous_;
};

}  // namespace kv
