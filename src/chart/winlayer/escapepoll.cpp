#include "chart/winlayer/escapepoll.h"

#include "chart/winlayer/keys.h"
#include "platform/escape.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace kv::win {

namespace {

struct HeldEvent {
    QPointer<QObject> receiver;
    std::unique_ptr<QEvent> event;
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

    // The key source of CheckEscapeAbort: one recorded message per call.
    bool Take(KeyMessage* out) {
        if (keys_.empty()) Pump();
        if (keys_.empty()) return false;
        *out = keys_.front().message;
        keys_.pop_front();
        return true;
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* e) override {
        if (!pumping_) return false;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(e);
            RecordedKey r;
            r.message.message = e->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
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
            Hold(receiver, e);
            return true;
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::WindowStateChange:
            if (!receiver->isWindowType()) return false;
            Hold(receiver, e);
            return true;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            // A drag answers at once or not at all: nothing is dropped meanwhile.
            e->ignore();
            return true;
        default:
            return false;
        }
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
    static QEvent::Type ResumeEvent() {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
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
        pumping_ = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        pumping_ = false;
        // Held events queue up again behind what is waiting; the next poll holds
        // them once more, the resumed event loop delivers them.
        std::vector<HeldEvent> held = std::move(held_);
        held_.clear();
        for (HeldEvent& h : held)
            if (h.receiver) QCoreApplication::postEvent(h.receiver, h.event.release());
        if (!keys_.empty()) PostResume();
    }

    bool pumping_ = false;
    bool resumePosted_ = false;
    std::deque<RecordedKey> keys_;
    std::vector<HeldEvent> held_;
};

}  // namespace

void InstallEscapePoll() {
    EscapePoll*& poll = EscapePoll::Instance();
    if (poll || !QCoreApplication::instance()) return;
    poll = new EscapePoll;
    QCoreApplication::instance()->installEventFilter(poll);
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

}  // namespace kv::win
