#include "messagebox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace kv {

namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}

MessageBoxHandler& Handler() {
    static MessageBoxHandler h;
    return h;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    return std::exchange(Handler(), std::move(handler));
}

int DefaultButton(unsigned flags) {
    // The buttons of each set, in the order they are shown.
    static constexpr int kButtons[][3] = {
        {IDOK, IDOK, IDOK},              // MB_OK
        {IDOK, IDCANCEL, IDCANCEL},      // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},    // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},         // MB_YESNOCANCEL
        {IDYES, IDNO, IDNO},             // MB_YESNO
        {IDRETRY, IDCANCEL, IDCANCEL},   // MB_RETRYCANCEL
    };
    unsigned type = flags & MB_TYPEMASK;
    if (type >= sizeof kButtons / sizeof kButtons[0]) return IDOK;
    unsigned def = flags & MB_DEFMASK;
    int which = def == MB_DEFBUTTON2 ? 1 : def == MB_DEFBUTTON3 ? 2 : 0;
    return kButtons[type][which];
}

int MessageBox(void* owner, const std::string& text, const char* caption, unsigned flags) {
    MessageBoxRequest request;
    request.owner = owner;
    request.text = text;
    request.caption = (caption && *caption) ? caption : kApplicationTitle;
    request.flags = flags;

    // Called outside the lock: a handler may itself show a message box.
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(request);
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return DefaultButton(flags);
}

ScriptedMessageBoxes::ScriptedMessageBoxes(std::vector<int> answers)
    : answers_(std::move(answers)) {
    previous_ = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        shown_.push_back(request);
        if (answers_.empty()) return DefaultButton(request.flags);
        int answer = answers_.front();
        answers_.erase(answers_.begin());
        return answer;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { SetMessageBoxHandler(std::move(previous_)); }

}  // namespace kv
