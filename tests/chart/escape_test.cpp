// The Escape check on the window system: key presses waiting while a long
// operation polls are taken one per poll, Escape latches, nothing else runs
// meanwhile, and what the poll did not take reaches the window afterwards.

#include "test_util.h"

#include "chart/winlayer/escapepoll.h"
#include "chart/winlayer/window.h"
#include "chart/winlayer/keys.h"
#include "platform/cformat.h"
#include "platform/escape.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class KeyProbe : public kv::win::TWindow {
public:
    void Paint(TDC&, bool, const TRect&) override { ++paints; }
    void EvKeyDown(UINT key, UINT, UINT) override { log.push_back(kv::Format("key %u", key)); }
    void EvLButtonDown(UINT, const TPoint&) override { log.push_back("down"); }
    void EvLButtonUp(UINT, const TPoint&) override { log.push_back("up"); }
    int paints = 0;
    std::vector<std::string> log;
};

class EscapeCheck : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        win.SetLogPixels(96, 96);
        win.SetClientSize(60, 40);
        win.show();
        QCoreApplication::processEvents();
        win.log.clear();
    }
    void TearDown() override {
        AbortRequested = 0;
        AbortPollEnabled = 1;
        QCoreApplication::processEvents();
    }
    void PostKey(int key, QEvent::Type type = QEvent::KeyPress) {
        QCoreApplication::postEvent(win.ClientWidget(), new QKeyEvent(type, key, Qt::NoModifier));
    }
    void PostMouse(QEvent::Type type) {
        const QPointF p(5, 5);
        QCoreApplication::postEvent(win.ClientWidget(),
                                    new QMouseEvent(type, p, win.ClientWidget()->mapToGlobal(p), Qt::LeftButton,
                                                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                    Qt::NoModifier));
    }

    KeyProbe win;
};

TEST_F(EscapeCheck, NothingWaitingGoesOn) {
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(AbortRequested, 0);
}

TEST_F(EscapeCheck, PostedEscapeLatches) {
    PostKey(Qt::Key_Escape);
    EXPECT_EQ(CheckEscapeAbort(), 1);
    EXPECT_EQ(AbortRequested, 1);
    // Latched: every poll answers 1 until a caller clears it.
    PostKey(Qt::Key_A);
    EXPECT_EQ(CheckEscapeAbort(), 1);
    EXPECT_EQ(kv::win::EscapePollPendingKeys(), 0u);  // the queue was not looked at
    AbortRequested = 0;
    QCoreApplication::processEvents();
    // The Escape was taken by the poll; the later key was never polled for.
    EXPECT_EQ(win.log, (std::vector<std::string>{"key 65"}));
}

TEST_F(EscapeCheck, AnotherKeyIsConsumedAndAnEscapeBehindItSeenOnePollLater) {
    PostKey(Qt::Key_A);
    PostKey(Qt::Key_A, QEvent::KeyRelease);
    PostKey(Qt::Key_Escape);
    EXPECT_EQ(CheckEscapeAbort(), 0);  // the key press, dropped
    EXPECT_EQ(CheckEscapeAbort(), 0);  // its release
    EXPECT_EQ(CheckEscapeAbort(), 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(win.log.empty());
}

TEST_F(EscapeCheck, PollSwitchOffLeavesTheKeysAlone) {
    AbortPollEnabled = 0;
    PostKey(Qt::Key_Escape);
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(AbortRequested, 0);
    AbortRequested = 1;
    EXPECT_EQ(CheckEscapeAbort(), 0);  // not even the latch
    AbortRequested = 0;
    // The Escape reaches the window's own key handling.
    QCoreApplication::processEvents();
    EXPECT_EQ(win.log, (std::vector<std::string>{"key 27"}));
}

TEST_F(EscapeCheck, KeysNotPolledForReachTheWindowAfterwards) {
    PostKey(Qt::Key_A);
    PostKey(Qt::Key_B);
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(kv::win::EscapePollPendingKeys(), 1u);
    EXPECT_TRUE(win.log.empty());
    QCoreApplication::processEvents();  // the operation is over
    QCoreApplication::processEvents();
    EXPECT_EQ(win.log, (std::vector<std::string>{"key 66"}));
    EXPECT_EQ(kv::win::EscapePollPendingKeys(), 0u);
}

TEST_F(EscapeCheck, MouseWaitsUntilTheOperationIsOver) {
    PostMouse(QEvent::MouseButtonPress);
    PostMouse(QEvent::MouseButtonRelease);
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_TRUE(win.log.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(win.log, (std::vector<std::string>{"down", "up"}));
}

TEST_F(EscapeCheck, NoPaintRunsDuringAPoll) {
    QCoreApplication::processEvents();
    const int before = win.paints;
    win.Invalidate();
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(win.paints, before);
    QCoreApplication::processEvents();
    EXPECT_EQ(win.paints, before + 1);
}

// A poll reads a clock; the window system is looked at by the first poll after the
// event loop ran, and then at most once per look interval, however often the
// operation polls.
TEST_F(EscapeCheck, PollsLookAtTheWindowSystemOnlyNowAndThen) {
    const long long before = kv::win::EscapePollLooks();
    QElapsedTimer clock;
    clock.start();
    int polls = 0;
    while (clock.elapsed() < 60) {
        EXPECT_EQ(CheckEscapeAbort(), 0);
        ++polls;
    }
    const long long looks = kv::win::EscapePollLooks() - before;
    EXPECT_GE(looks, 1);
    EXPECT_LE(looks, 1 + clock.elapsed() / kv::win::EscapeLookInterval.count() + 1);
    EXPECT_GT(polls, 1000);
    // An Escape pressed meanwhile is seen at the next look.
    PostKey(Qt::Key_Escape);
    clock.restart();
    while (CheckEscapeAbort() == 0 && clock.elapsed() < 5000) {
    }
    EXPECT_EQ(AbortRequested, 1);
}

// Nothing of the program runs inside a poll: its timers, deferred calls, paint
// requests and the window's repaint all wait for the event loop.
TEST_F(EscapeCheck, TimersCallsAndPaintsWaitForTheEventLoop) {
    QCoreApplication::processEvents();
    std::vector<std::string> ran;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] { ran.push_back("timer"); });
    timer.start(0);
    kv::win::PostCall(&win, [&] { ran.push_back("call"); });
    const int paints = win.paints;
    win.Invalidate();
    QCoreApplication::postEvent(win.ClientWidget(), new QEvent(QEvent::UpdateRequest));
    EXPECT_EQ(CheckEscapeAbort(), 0);  // the first poll looks
    EXPECT_EQ(kv::win::EscapePollPendingKeys(), 0u);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(win.paints, paints);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    std::sort(ran.begin(), ran.end());
    EXPECT_EQ(ran, (std::vector<std::string>{"call", "timer"}));
    EXPECT_EQ(win.paints, paints + 1);
}

}  // namespace
