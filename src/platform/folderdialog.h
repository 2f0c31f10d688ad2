#pragma once
// The folder browser as a service: the user picks one file-system folder. The
// program installs a real browser at start-up (dialogs/kit/qtservices.h); tests
// install a scripted answerer; headless code without either gets "cancelled".
// Folders are local UTF-8 paths.

#include "wintypes.h"

#include <functional>
#include <string>
#include <vector>

// BROWSEINFO flags with their Win32 values (only file-system folders are ever
// offered here, whatever the flags).
constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;

namespace kv {

struct FolderDialogRequest {
    void* owner = nullptr;   // the owning window, opaque here
    std::string title;       // UTF-8; empty: the browser's own title
    std::string initialDir;  // where the browser starts; empty: its own choice
    UINT flags = BIF_RETURNONLYFSDIRS;
};

struct FolderDialogResult {
    bool chosen = false;  // false: cancelled
    std::string folder;   // the chosen folder's full local path
};

using FolderDialogHandler = std::function<FolderDialogResult(const FolderDialogRequest&)>;

// Installs the handler that runs every folder browser; returns the previous one.
FolderDialogHandler SetFolderDialogHandler(FolderDialogHandler handler);

// Runs the folder browser. Without a handler: not chosen, a line on stderr.
FolderDialogResult RunFolderDialog(const FolderDialogRequest& request);

// A scripted answerer for tests: records every request and answers from a queue;
// an empty queue answers "cancelled". Installed for its lifetime.
class ScriptedFolderDialogs {
public:
    ScriptedFolderDialogs();
    ~ScriptedFolderDialogs();
    ScriptedFolderDialogs(const ScriptedFolderDialogs&) = delete;
    ScriptedFolderDialogs& operator=(const ScriptedFolderDialogs&) = delete;

    void Choose(std::string folder);
    void Cancel();

    const std::vector<FolderDialogRequest>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

private:
    std::vector<FolderDialogResult> answers_;
    std::vector<FolderDialogRequest> shown_;
    FolderDialogHandler previous_;
};

}  // namespace kv
