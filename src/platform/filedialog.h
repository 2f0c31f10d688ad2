#pragma once
// The open and save file dialogs as one service. The program installs real dialogs
// at start-up (dialogs/kit/qtservices.h); tests install a scripted answerer;
// headless code without either gets "cancelled". Names are local UTF-8 paths.
//
// The request carries the common dialog's settings with their Win32 meaning:
// filter pairs (description, pattern; several patterns separated by ';'), a
// 1-based filter index (0 = the first filter), a title (empty: the dialog's own),
// a default extension added to a typed name without one, and OFN_* flags.

#include "wintypes.h"

#include <functional>
#include <string>
#include <vector>

// OPENFILENAME flags with their Win32 values.
constexpr DWORD OFN_READONLY = 0x1;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_NOCHANGEDIR = 0x8;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;
constexpr DWORD OFN_CREATEPROMPT = 0x2000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x8000;
constexpr DWORD OFN_EXPLORER = 0x80000;
constexpr DWORD OFN_LONGNAMES = 0x200000;

// Extended error codes (CommDlgExtendedError): 0 means the user cancelled.
constexpr DWORD CDERR_GENERALCODES = 0x0000;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD FNERR_SUBCLASSFAILURE = 0x3001;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

namespace kv {

enum class FileDialogKind { Open, Save };

struct FileFilter {
    std::string description;  // shown to the user, e.g. "(*.dat)"
    std::string pattern;      // "*.dat" or "*.dat;*.txt"
};

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    void* owner = nullptr;  // the owning window, opaque here
    std::string title;      // UTF-8; empty: the dialog's own title
    std::vector<FileFilter> filters;
    int filterIndex = 0;    // 1-based; 0 or out of range: the first filter
    std::string initialDir;
    std::string fileName;   // initial name in the name field
    std::string defExt;     // without or with a leading '.'; "" or "." adds nothing
    DWORD flags = 0;
};

struct FileDialogResult {
    bool chosen = false;             // false: cancelled or failed
    DWORD error = 0;                 // when not chosen: 0 = the user cancelled
    std::vector<std::string> files;  // full local paths; several with OFN_ALLOWMULTISELECT
    int filterIndex = 0;             // 1-based index of the filter in use at the end
};

using FileDialogHandler = std::function<FileDialogResult(const FileDialogRequest&)>;

// Installs the handler that runs every file dialog; returns the previous one.
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// Runs a file dialog. Without a handler: not chosen, error 0, a line on stderr.
FileDialogResult RunFileDialog(const FileDialogRequest& request);

// A scripted answerer for tests: records every request and answers from a queue;
// an empty queue answers "cancelled". Installed for its lifetime.
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    // The user picks these files with the filter at filterIndex (1-based; 0 keeps
    // the request's index, or 1 when it had none).
    void Choose(std::vector<std::string> files, int filterIndex = 0);
    void Cancel();
    void Fail(DWORD error);

    const std::vector<FileDialogRequest>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

private:
    std::vector<FileDialogResult> answers_;
    std::vector<FileDialogRequest> shown_;
    FileDialogHandler previous_;
};

}  // namespace kv
