#include "chart/winlayer/escapepoll.h"

#include "chart/winlayer/keys.h"
#include "platform/escape.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPaintEvent>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace kv::win {

namespace {

using Clock = std::chrono::steady_clock;

// A call of the program's, waiting for the event loop.
class DeferredCallEvent final : public QEvent {
public:
    DeferredCallEvent(QPointer<QObject> context, std::function<void()> call)
        : QEvent(Type()), context_(std::move(context)), call_(std::move(call)) {}

    static QEvent::Type Type() {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    // The same call in a new event; this one is left empty.
    DeferredCallEvent* TakeOver() { return new DeferredCallEvent(std::move(context_), std::move(call_)); }
    void Run() {
        if (context_ && call_) call_();
    }

private:
    QPointer<QObject> context_;
    std::function<void()> call_;
};

// Receives the deferred calls and runs them.
class CallRunner final : public QObject {
public:
    static CallRunner* Instance() {
        static QPointer<CallRunner> runner;
        if (!runner && QCoreApplication::instance()) runner = new CallRunner(QCoreApplication::instance());
        return runner;
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != DeferredCallEvent::Type()) return QObject::event(e);
        static_cast<DeferredCallEvent*>(e)->Run();
        return true;
    }

private:
    explicit CallRunner(QObject* parent) : QObject(parent) {}
};

struct HeldEvent {
    QPointer<QObject> receiver;
    std::unique_ptr<QEvent> event;
};

struct HeldPaint {
    QPointer<QWidget> widget;
    QRegion region;
};

struct RecordedKey {
    KeyMessage message;
    QPointer<QObject> receiver;
    std::unique_ptr<QEvent> event;
};

class EscapePoll final : public QObject {
public:
    static EscapePoll*& Instance() {
        static EscapePoll* instance = nullptr;
        return instance;
    }

    bool Pumping() const { return pumping_; }
    std::size_t Pending() const { return keys_.size(); }
    long long Looks() const { return looks_; }

    // The key source of CheckEscapeAbort: one recorded message per call.
    bool Take(KeyMessage* out) {
        if (keys_.empty() && DueForLook()) Pump();
        if (keys_.empty()) return false;
        *out = keys_.front().message;
        keys_.pop_front();
        return true;
    }

    // The event loop ran: what waited then was delivered, so the next poll looks
    // at once.
    void LoopRan() {
        if (!pumping_) loopRan_ = true;
    }

    // A look for the operation's own window.
    bool PumpFor(QWidget* window) {
        if (pumping_ || !window) return false;
        answering_ = window;
        Pump();
        answering_ = nullptr;
        return true;
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* e) override {
        if (!pumping_ || receiver == this) return false;
        if (Answers(receiver)) return false;
        const QEvent::Type type = e->type();
        switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(e);
            RecordedKey r;
            r.message.message = type == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
            r.message.key = int(VirtualKeyFromQt(key->key(), key->modifiers()));
            r.receiver = receiver;
            r.event.reset(e->clone());
            keys_.push_back(std::move(r));
            return true;
        }
        case QEvent::ShortcutOverride:
            // Accepting the override keeps the shortcut map out of it, so the key
            // arrives here as a key press instead of running a command.
            e->accept();
            return true;
        case QEvent::Shortcut:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::HoverEnter:
        case QEvent::HoverLeave:
        case QEvent::HoverMove:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::NativeGesture:
        case QEvent::ContextMenu:
        case QEvent::Close:
        case QEvent::Timer:
        case QEvent::UpdateRequest:
        case QEvent::Expose:
            Hold(receiver, e);
            return true;
        case QEvent::Paint:
            // Painted again once the operation is over.
            if (receiver->isWidgetType()) {
                paints_.push_back({static_cast<QWidget*>(receiver), static_cast<QPaintEvent*>(e)->region()});
                return true;
            }
            Hold(receiver, e);
            return true;
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::WindowStateChange:
            if (!receiver->isWindowType()) return false;
            Hold(receiver, e);
            return true;
        default:
            break;
        }
        if (type == DeferredCallEvent::Type()) {
            held_.push_back({receiver, std::unique_ptr<QEvent>(static_cast<DeferredCallEvent*>(e)->TakeOver())});
            return true;
        }
        // The program's own events (a window's paint request, for one) wait too.
        if (type >= QEvent::User && type <= QEvent::MaxUser) {
            Hold(receiver, e);
            return true;
        }
        return false;
    }

    bool event(QEvent* e) override {
        if (e->type() != ResumeEvent()) return QObject::event(e);
        resumePosted_ = false;
        if (pumping_) {
            PostResume();
            return true;
        }
        // The event loop runs again: the keys nobody polled for go where they
        // were headed.
        std::deque<RecordedKey> keys = std::move(keys_);
        keys_.clear();
        for (RecordedKey& r : keys)
            if (r.receiver && r.event) QCoreApplication::postEvent(r.receiver, r.event.release());
        return true;
    }

private:
    // Whether receiver is the window a look answers, or a part of it.
    bool Answers(QObject* receiver) const {
        QWidget* window = answering_;
        if (!window) return false;
        if (receiver == window || receiver == window->windowHandle()) return true;
        return receiver->isWidgetType() && window->isAncestorOf(static_cast<QWidget*>(receiver));
    }

    static QEvent::Type ResumeEvent() {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

    bool DueForLook() {
        const Clock::time_point now = Clock::now();
        if (!loopRan_ && now - lastLook_ < EscapeLookInterval) return false;
        loopRan_ = false;
        lastLook_ = now;
        return true;
    }

    void Hold(QObject* receiver, QEvent* e) {
        // Let the sender think nobody took it (a close stays open for now).
        e->ignore();
        held_.push_back({receiver, std::unique_ptr<QEvent>(e->clone())});
    }

    void PostResume() {
        if (resumePosted_) return;
        resumePosted_ = true;
        QCoreApplication::postEvent(this, new QEvent(ResumeEvent()), Qt::LowEventPriority);
    }

    void Pump() {
        if (pumping_ || !QCoreApplication::instance()) return;
        ++looks_;
        pumping_ = true;
        // Timers and socket notifiers stay due and fire once the event loop runs.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::ExcludeSocketNotifiers |
                                        QEventLoop::X11ExcludeTimers);
        pumping_ = false;
        // Held events queue up again behind what is waiting; the next look holds
        // them once more, the resumed event loop delivers them.
        std::vector<HeldEvent> held = std::move(held_);
        held_.clear();
        for (HeldEvent& h : held)
            if (h.receiver) QCoreApplication::postEvent(h.receiver, h.event.release());
        std::vector<HeldPaint> paints = std::move(paints_);
        paints_.clear();
        for (HeldPaint& p : paints)
            if (p.widget) p.widget->update(p.region);
        if (!keys_.empty()) PostResume();
    }

    bool pumping_ = false;
    QPointer<QWidget> answering_;
    bool resumePosted_ = false;
    bool loopRan_ = true;
    Clock::time_point lastLook_{};
    long long looks_ = 0;
    std::deque<RecordedKey> keys_;
    std::vector<HeldEvent> held_;
    std::vector<HeldPaint> paints_;
};

}  // namespace

void InstallEscapePoll() {
    EscapePoll*& poll = EscapePoll::Instance();
    if (poll || !QCoreApplication::instance()) return;
    poll = new EscapePoll;
    QCoreApplication::instance()->installEventFilter(poll);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, poll, [poll] { poll->LoopRan(); });
    SetKeyMessageSource([](KeyMessage* out) {
        EscapePoll* p = EscapePoll::Instance();
        return p && p->Take(out);
    });
}

void UninstallEscapePoll() {
    EscapePoll*& poll = EscapePoll::Instance();
    if (!poll) return;
    SetKeyMessageSource({});
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(poll);
    delete poll;
    poll = nullptr;
}

bool EscapePollPumping() {
    EscapePoll* poll = EscapePoll::Instance();
    return poll && poll->Pumping();
}

std::size_t EscapePollPendingKeys() {
    EscapePoll* poll = EscapePoll::Instance();
    return poll ? poll->Pending() : 0;
}

long long EscapePollLooks() {
    EscapePoll* poll = EscapePoll::Instance();
    return poll ? poll->Looks() : 0;
}

bool PumpWindowEvents(QWidget* window) {
    EscapePoll* poll = EscapePoll::Instance();
    return poll && poll->PumpFor(window);
}

void PostCall(QObject* context, std::function<void()> call) {
    CallRunner* runner = CallRunner::Instance();
    if (!runner || !context || !call) return;
    QCoreApplication::postEvent(runner, new DeferredCallEvent(context, std::move(call)));
}

}  // namespace kv::win
