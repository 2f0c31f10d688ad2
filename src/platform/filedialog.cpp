#include "filedialog.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace kv {

namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}

FileDialogHandler& Handler() {
    static FileDialogHandler h;
    return h;
}

}  // namespace

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    return std::exchange(Handler(), std::move(handler));
}

FileDialogResult RunFileDialog(const FileDialogRequest& request) {
    FileDialogHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    if (handler) return handler(request);
    std::fprintf(stderr, "file dialog \"%s\": no dialog service, cancelled\n",
                 request.title.c_str());
    return FileDialogResult{};
}

ScriptedFileDialogs::ScriptedFileDialogs() {
    previous_ = SetFileDialogHandler([this](const FileDialogRequest& request) {
        shown_.push_back(request);
        if (answers_.empty()) return FileDialogResult{};
        FileDialogResult answer = std::move(answers_.front());
        answers_.erase(answers_.begin());
        if (answer.chosen && answer.filterIndex == 0) {
            const int n = int(request.filters.size());
            answer.filterIndex =
                request.filterIndex >= 1 && request.filterIndex <= n ? request.filterIndex : 1;
        }
        return answer;
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs() { SetFileDialogHandler(std::move(previous_)); }

void ScriptedFileDialogs::Choose(std::vector<std::string> files, int filterIndex) {
    FileDialogResult r;
    r.chosen = true;
    r.files = std::move(files);
    r.filterIndex = filterIndex;
    answers_.push_back(std::move(r));
}

void ScriptedFileDialogs::Cancel() { answers_.push_back(FileDialogResult{}); }

void ScriptedFileDialogs::Fail(DWORD error) {
    FileDialogResult r;
    r.error = error;
    answers_.push_back(std::move(r));
}

}  // namespace kv
