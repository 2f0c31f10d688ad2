#include "platform/escape.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

TEST(MessageBoxTest, DefaultButtonOfEachSet) {
    const std::pair<unsigned, int> cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, IDOK},
        {MB_YESNOCANCEL | MB_ICONQUESTION, IDYES},
        {MB_YESNO, IDYES},
        {MB_ABORTRETRYIGNORE, IDABORT},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
        {MB_OK | MB_DEFBUTTON2, IDOK},
        {0xE, IDOK},  // unknown set
    };
    for (const auto& [flags, want] : cases) EXPECT_EQ(kv::DefaultButton(flags), want) << flags;
}

TEST(MessageBoxTest, ScriptAnswersInOrderThenDefaultAndRecords) {
    kv::ScriptedMessageBoxes boxes({IDCANCEL, IDNO});
    int owner = 0;
    EXPECT_EQ(kv::MessageBox(&owner, "one", nullptr, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(kv::MessageBox(nullptr, "two", "", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(kv::MessageBox(nullptr, "three", "WARNING", MB_YESNOCANCEL), IDYES);
    boxes.Answer(IDRETRY);
    EXPECT_EQ(kv::MessageBox(nullptr, "four", "Caution!!", MB_OKCANCEL), IDRETRY);

    const auto& shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].owner, &owner);
    EXPECT_EQ(shown[0].text, "one");
    EXPECT_EQ(shown[0].caption, "korvida");
    EXPECT_EQ(shown[1].caption, "korvida");
    EXPECT_EQ(shown[1].flags, MB_YESNOCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(shown[2].caption, "WARNING");
    boxes.Clear();
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(MessageBoxTest, ScriptRestoresThePreviousHandler) {
    int outerCalls = 0;
    kv::MessageBoxHandler before = kv::SetMessageBoxHandler([&](const kv::MessageBoxRequest&) {
        ++outerCalls;
        return IDNO;
    });
    {
        kv::ScriptedMessageBoxes inner({IDYES});
        EXPECT_EQ(kv::MessageBox(nullptr, "x", nullptr, MB_YESNO), IDYES);
        EXPECT_EQ(outerCalls, 0);
    }
    EXPECT_EQ(kv::MessageBox(nullptr, "x", nullptr, MB_YESNO), IDNO);
    EXPECT_EQ(outerCalls, 1);
    kv::SetMessageBoxHandler(std::move(before));
}

TEST(MessageBoxTest, WithoutHandlerAnswersDefaultAndWritesText) {
    kv::MessageBoxHandler before = kv::SetMessageBoxHandler(nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(kv::MessageBox(nullptr, "File open error!!", nullptr, MB_OKCANCEL), IDOK);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("korvida: File open error!!"),
              std::string::npos);
    kv::SetMessageBoxHandler(std::move(before));
}

class EscapeTest : public ::testing::Test {
protected:
    void SetUp() override {
        AbortRequested = 0;
        AbortPollEnabled = 1;
        previous_ = kv::SetKeyMessageSource([this](kv::KeyMessage* out) {
            if (queue_.empty()) return false;
            *out = queue_.front();
            queue_.pop_front();
            return true;
        });
    }
    void TearDown() override {
        kv::SetKeyMessageSource(std::move(previous_));
        AbortRequested = 0;
        AbortPollEnabled = 1;
    }
    std::deque<kv::KeyMessage> queue_;
    kv::KeyMessageSource previous_;
};

TEST_F(EscapeTest, EscapePressLatchesOtherKeysAreConsumed) {
    queue_ = {{WM_KEYDOWN, 'A'}, {WM_KEYUP, VK_ESCAPE}, {WM_CHAR, 0x1B},
              {WM_KEYDOWN, VK_ESCAPE}, {WM_KEYDOWN, 'B'}};
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(queue_.size(), 4u);  // one message per poll
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(AbortRequested, 0);
    EXPECT_EQ(CheckEscapeAbort(), 1);
    EXPECT_EQ(AbortRequested, 1);
    // Latched: later polls answer 1 without taking messages.
    EXPECT_EQ(CheckEscapeAbort(), 1);
    EXPECT_EQ(queue_.size(), 1u);
    AbortRequested = 0;  // an operation clears it at its start
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_TRUE(queue_.empty());
    EXPECT_EQ(CheckEscapeAbort(), 0);
}

TEST_F(EscapeTest, DisabledPollAnswersZeroAndTakesNothing) {
    queue_ = {{WM_KEYDOWN, VK_ESCAPE}};
    AbortRequested = 1;
    AbortPollEnabled = 0;
    EXPECT_EQ(CheckEscapeAbort(), 0);
    AbortRequested = 0;
    EXPECT_EQ(CheckEscapeAbort(), 0);
    EXPECT_EQ(queue_.size(), 1u);
    AbortPollEnabled = 1;
    EXPECT_EQ(CheckEscapeAbort(), 1);
}

TEST_F(EscapeTest, NoSourceAnswersZero) {
    kv::KeyMessageSource mine = kv::SetKeyMessageSource(nullptr);
    EXPECT_EQ(CheckEscapeAbort(), 0);
    AbortRequested = 1;
    EXPECT_EQ(CheckEscapeAbort(), 1);
    kv::SetKeyMessageSource(std::move(mine));
}

}  // namespace
