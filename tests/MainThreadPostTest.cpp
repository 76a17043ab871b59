// Work handed from a worker to the main thread for a handler that may have gone by then.
#include "util/MainThreadPost.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/event.h>

#include <memory>
#include <string>
#include <thread>

namespace
{
// Counts, on the main thread's side, the work that ran and the work that was let go.
struct Tally
{
    int ran = 0;
    int gone = 0;
    wxEvtHandler* ranWith = nullptr;
};

// Held by the work: its end shows that the work was let go, run or not.
struct Witness
{
    explicit Witness(Tally& tally_) : tally(tally_) {}
    ~Witness() { ++tally.gone; }
    Tally& tally;
};
} // namespace

// Posted from a worker: the work runs on the main thread with its handler while the handler lives,
// is dropped when the handler went first, and is not posted at all without an application; it is
// let go in every case, the target's last copy going on the worker.
TEST(MainThreadPostTest, WorkRunsOnlyForALiveHandlerAndOnlyWithAnApplication)
{
    const struct
    {
        std::string name;
        bool toHandler; // MainThreadTarget, or PostToMainThread
        bool handlerStays;
        bool withApp;
        bool posted;
        int ran;
    } cases[] = {
        {"handler alive", true, true, true, true, 1},
        {"handler destroyed first", true, false, true, true, 0},
        {"no application", true, true, false, false, 0},
        {"the application's own work", false, true, true, true, 1},
        {"the application's own work, no application", false, true, false, false, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Tally tally;
        auto handler = std::make_unique<wxEvtHandler>();
        wxEvtHandler* const expected = handler.get();
        auto target = std::make_unique<MainThreadTarget>(handler.get());
        wxAppConsole* const app = wxAppConsole::GetInstance();
        if (!c.withApp)
            wxAppConsole::SetInstance(nullptr);
        bool posted = false;
        std::thread worker([&, witness = std::make_shared<Witness>(tally)]() mutable {
            // The worker keeps no part of the work once it is posted.
            if (c.toHandler)
                posted = target->Post([&tally, witness](wxEvtHandler& to) {
                    ++tally.ran;
                    tally.ranWith = &to;
                });
            else
                posted = PostToMainThread([&tally, witness] { ++tally.ran; });
            witness.reset();
            target.reset();
        });
        worker.join();
        wxAppConsole::SetInstance(app);
        if (!c.handlerStays)
            handler.reset();
        app->ProcessPendingEvents();
        EXPECT_EQ(c.posted, posted);
        EXPECT_EQ(c.ran, tally.ran);
        EXPECT_EQ(c.toHandler && c.ran ? expected : nullptr, tally.ranWith);
        EXPECT_EQ(1, tally.gone);
        EXPECT_FALSE(app->HasPendingEvents());
    }
}
