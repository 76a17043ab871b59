// The stop token that every worker heeds, and the call that a worker waits for on the main thread.
#include "util/StopToken.h"
#include "util/MainThreadCall.h"

#include "TimeLimit.h"

#include <gtest/gtest.h>

#include <wx/app.h>

#include <chrono>
#include <future>
#include <thread>

using Clock = std::chrono::steady_clock;

// Copies share one request; a token made of two follows either, also one requested before; a
// wait ends as soon as the request comes from another thread, and lasts its time without one.
TEST(StopTokenTest, CopiesAndFollowersSeeTheRequestAndItEndsAWait)
{
    for (const int stopped : {0, 1, 2})
    {
        SCOPED_TRACE(stopped);
        StopToken a, b;
        if (stopped == 2)
            b.RequestStop();
        const StopToken either = StopToken::AnyOf(a, b), copy = a;
        EXPECT_EQ(stopped == 2, either.IsStopRequested());
        if (stopped == 1)
            std::thread([copy] { copy.RequestStop(); }).join();
        EXPECT_EQ(stopped == 1, a.IsStopRequested());
        EXPECT_EQ(stopped != 0, either.IsStopRequested());
    }
    StopToken token;
    auto start = Clock::now();
    EXPECT_FALSE(token.WaitFor(50));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));
    std::thread requester([token] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        token.RequestStop();
    });
    start = Clock::now();
    EXPECT_TRUE(token.WaitFor(10000));
    EXPECT_LT(Clock::now() - start, TimeLimit(1000));
    requester.join();
}

// A stop ends the wait at once, and the call then either never runs or, already running, finishes
// harmlessly after the worker has gone on. (The result coming back shows in the host's "Yes" to
// an update.)
TEST(MainThreadCallTest, AStopEndsTheWait)
{
    StopToken stop;
    // Stopped once queued, before the main thread gets to it: the call is dropped.
    bool ran = false;
    auto answer = std::async(std::launch::async, [&] { return CallOnMainThread([&] { return ran = true; }, stop); });
    EXPECT_TRUE(WaitUntil([] { return wxAppConsole::GetInstance()->HasPendingEvents(); }));
    stop.RequestStop();
    EXPECT_EQ(std::future_status::ready, answer.wait_for(TimeLimit(1000)));
    EXPECT_EQ(std::nullopt, answer.get());
    wxAppConsole::GetInstance()->ProcessPendingEvents();
    EXPECT_FALSE(ran);

    // Stopped while it runs: it finishes after the worker has returned.
    StopToken late;
    std::promise<void> workerLeft;
    bool finished = false;
    answer = std::async(std::launch::async, [&] {
        const auto result = CallOnMainThread(
            [&] {
                late.RequestStop();
                workerLeft.get_future().wait();
                return finished = true;
            },
            late);
        workerLeft.set_value();
        return result;
    });
    while (answer.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        wxAppConsole::GetInstance()->ProcessPendingEvents();
    EXPECT_EQ(std::nullopt, answer.get());
    EXPECT_TRUE(finished);
}
