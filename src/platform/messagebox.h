#pragma once
// The one message-box service every message of the program goes through. The
// application installs a service that shows real dialogs; tests install a
// scripted answerer. Texts and captions are UTF-8.

#include <functional>
#include <string>
#include <vector>

// Button sets, icons and answers with their Win32 values.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONHAND = MB_ICONSTOP;
constexpr unsigned MB_ICONERROR = MB_ICONSTOP;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONASTERISK = MB_ICONINFORMATION;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_DEFMASK = 0xF00;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONMASK = 0xF0;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

namespace kv {

// The title shown when a message has no caption.
inline constexpr const char* kApplicationTitle = "korvida";

struct MessageBoxRequest {
    void* owner = nullptr;  // the owning window, opaque here
    std::string text;
    std::string caption;    // already defaulted to kApplicationTitle
    unsigned flags = 0;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Installs the handler that answers every message box; returns the previous one.
// Without a handler a message box answers the default button of its set (OK,
// Yes or Abort) after writing the text to standard error.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Shows a message box; a null or empty caption shows kApplicationTitle.
int MessageBox(void* owner, const std::string& text, const char* caption, unsigned flags);

// A scripted answerer for tests: records every request and answers from a queue
// (IDOK / IDYES / ... in order; the default button once the queue is empty).
// Installed for its lifetime.
class ScriptedMessageBoxes {
public:
    explicit ScriptedMessageBoxes(std::vector<int> answers = {});
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    void Answer(int id) { answers_.push_back(id); }
    const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

private:
    std::vector<int> answers_;
    std::vector<MessageBoxRequest> shown_;
    MessageBoxHandler previous_;
};

// The default button of a flag set: IDOK for OK and OK/Cancel, IDYES for the
// Yes sets, IDABORT / IDRETRY for theirs; MB_DEFBUTTON2 / MB_DEFBUTTON3 pick the
// second or third button of the set instead.
int DefaultButton(unsigned flags);

}  // namespace kv
