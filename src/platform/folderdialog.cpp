#include "folderdialog.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace kv {

namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}

FolderDialogHandler& Handler() {
    static FolderDialogHandler h;
    return h;
}

}  // namespace

FolderDialogHandler SetFolderDialogHandler(FolderDialogHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    return std::exchange(Handler(), std::move(handler));
}

FolderDialogResult RunFolderDialog(const FolderDialogRequest& request) {
    FolderDialogHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(request);
    std::fprintf(stderr, "folder browser \"%s\": no dialog service, cancelled\n",
                 request.title.c_str());
    return FolderDialogResult{};
}

ScriptedFolderDialogs::ScriptedFolderDialogs() {
    previous_ = SetFolderDialogHandler([this](const FolderDialogRequest& request) {
        shown_.push_back(request);
        if (answers_.empty()) return FolderDialogResult{};
        FolderDialogResult answer = std::move(answers_.front());
        answers_.erase(answers_.begin());
        return answer;
    });
}

ScriptedFolderDialogs::~ScriptedFolderDialogs() { SetFolderDialogHandler(std::move(previous_)); }

void ScriptedFolderDialogs::Choose(std::string folder) {
    answers_.push_back(FolderDialogResult{true, std::move(folder)});
}

void ScriptedFolderDialogs::Cancel() { answers_.push_back(FolderDialogResult{}); }

}  // namespace kv
