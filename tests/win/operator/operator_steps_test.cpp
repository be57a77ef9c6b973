// The operator reads whole texts and waits for what it expects, against a window whose thread
// keeps changing it: the race that made a step read half of a new status line.
#include "busy_window.h"
#include "controls.h"
#include "script.h"
#include "session.h"
#include "settle.h"
#include "steps.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// One step of a script, run against `window` as the operator's main window.
bool RunStep(Session& session, const std::string& line, std::string& why) {
    std::vector<Step> steps;
    if (!parse_script(line, steps, why) || steps.size() != 1)
        return false;
    return run_step(session, steps[0], why);
}

Session SessionOn(HWND window) {
    Session session;
    session.main = session.current = window;
    GetWindowThreadProcessId(window, &session.pid);
    session.names["EDIT"] = BusyWindow::kEditId;
    session.names["GO"] = BusyWindow::kButtonId;
    return session;
}

TEST(ReadText, GivesOneWholeTextWhileItChanges) {
    BusyWindow busy(true, 0);
    std::set<std::string> seen;
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        ASSERT_TRUE(read_text(busy.Item(BusyWindow::kEditId), text));
        seen.insert(text);
    }
    for (const std::string& text : seen)
        EXPECT_TRUE(text == BusyWindow::kShort || text == BusyWindow::kLong) << '"' << text << '"';
    EXPECT_EQ(seen.size(), 2u) << "the text was to change under the reads";
}

TEST(Settle, ReturnsOnceThePostedClickIsHandled) {
    BusyWindow busy(false, 400);
    ASSERT_TRUE(post_click(busy.Item(BusyWindow::kButtonId)));
    ASSERT_EQ(settle(busy.Window(), 5000), Settled::Yes);
    std::string text;
    ASSERT_TRUE(read_text(busy.Item(BusyWindow::kEditId), text));
    EXPECT_EQ(text, "clicked");
}

TEST(Settle, GivesUpOnAThreadThatDoesNotTakeIt) {
    BusyWindow busy(false, 3000);
    ASSERT_TRUE(post_click(busy.Item(BusyWindow::kButtonId)));
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(settle(busy.Window(), 300), Settled::TimedOut);
    EXPECT_LT(GetTickCount64() - start, 2900u);
}

TEST(Expectations, WaitUntilTheyHold) {
    BusyWindow busy(false, 700);
    Session session = SessionOn(busy.Window());
    std::string why;
    ASSERT_TRUE(RunStep(session, "click GO", why)) << why;
    EXPECT_TRUE(RunStep(session, "expect-text EDIT clicked", why)) << why;
}

// no-dialog watches from the moment the click was handled, not from when it was posted.
TEST(NoDialog, WatchesOnlyOnceTheClickIsHandled) {
    BusyWindow busy(false, 600);
    Session session = SessionOn(busy.Window());
    std::string why;
    ASSERT_TRUE(RunStep(session, "click GO", why)) << why;
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(RunStep(session, "no-dialog 200", why)) << why;
    const ULONGLONG spent = GetTickCount64() - start;
    // The handler's 600 ms (begun as the click was posted, a moment before `start`) and 200 ms.
    EXPECT_GT(spent, 780u);
    EXPECT_LT(spent, 5000u);
    std::string text;
    ASSERT_TRUE(read_text(busy.Item(BusyWindow::kEditId), text));
    EXPECT_EQ(text, "clicked");
}

TEST(NoDialog, FailsWhileAHandlerIsStillBusy) {
    BusyWindow busy(false, 3000);
    Session session = SessionOn(busy.Window());
    std::string why;
    ASSERT_TRUE(RunStep(session, "click GO", why)) << why;
    ASSERT_TRUE(RunStep(session, "expect-timeout 500", why)) << why;
    EXPECT_FALSE(RunStep(session, "no-dialog 100", why));
    EXPECT_NE(why.find("did not take the posted input within 500 ms"), std::string::npos) << why;
}

TEST(Expectations, FailWithWhatWasSeenLastAndForHowLong) {
    BusyWindow busy(false, 0);
    Session session = SessionOn(busy.Window());
    std::string why;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(RunStep(session, "within 600 expect-text EDIT nothing", why));
    const ULONGLONG spent = GetTickCount64() - start;
    EXPECT_GE(spent, 600u);
    EXPECT_NE(why.find("text is \"(1) Cut = Partial\""), std::string::npos) << why;
    EXPECT_NE(why.find("so for the last "), std::string::npos) << why;
    EXPECT_NE(why.find(" ms of "), std::string::npos) << why;
}

TEST(Expectations, WithinTakesOnlyExpectations) {
    BusyWindow busy(false, 0);
    Session session = SessionOn(busy.Window());
    std::string why;
    EXPECT_FALSE(RunStep(session, "within 100 click GO", why));
    EXPECT_NE(why.find("within takes an expect- step"), std::string::npos) << why;
}

} // namespace
