// Work handed from a worker to the main thread for a handler that may have gone by then.
#include "util/MainThreadPost.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/event.h>

#include <memory>
#include <thread>

// Posted from a worker: the work runs on the main thread with its handler while the handler lives,
// is dropped when the handler went first, and is not posted at all without an application; it is
// let go in every case, the target's last copy going on the worker.
TEST(MainThreadPostTest, WorkRunsOnlyForALiveHandlerAndOnlyWithAnApplication)
{
    const struct
    {
        bool toHandler, handlerStays, withApp, posted;
        int ran;
    } cases[] = {{true, true, true, true, 1},
                 {true, false, true, true, 0},
                 {true, true, false, false, 0},
                 {false, true, true, true, 1},
                 {false, true, false, false, 0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.toHandler << c.handlerStays << c.withApp);
        auto handler = std::make_unique<wxEvtHandler>();
        wxEvtHandler* const expected = handler.get();
        auto target = std::make_unique<MainThreadTarget>(handler.get());
        int ran = 0;
        wxEvtHandler* ranWith = nullptr;
        const auto held = std::make_shared<int>(); // goes with the work
        wxAppConsole* const app = wxAppConsole::GetInstance();
        if (!c.withApp)
            wxAppConsole::SetInstance(nullptr);
        bool posted = false;
        std::thread([&, work = held]() mutable {
            posted = c.toHandler ? target->Post([&ran, &ranWith, work](wxEvtHandler& to) { ++ran, ranWith = &to; })
                                 : PostToMainThread([&ran, work] { ++ran; });
            work.reset();
            target.reset();
        }).join();
        wxAppConsole::SetInstance(app);
        if (!c.handlerStays)
            handler.reset();
        app->ProcessPendingEvents();
        EXPECT_EQ(c.posted, posted);
        EXPECT_EQ(c.ran, ran);
        EXPECT_EQ(c.toHandler && c.ran ? expected : nullptr, ranWith);
        EXPECT_EQ(1, held.use_count());
        EXPECT_FALSE(app->HasPendingEvents());
    }
}
