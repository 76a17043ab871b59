// Time limits of the tests: what a plain build needs, stretched where the sanitizers slow it down,
// and waiting for a condition within one, with or without the toolkit's loop running.
#pragma once

#include <wx/app.h>

#include <chrono>
#include <functional>
#include <thread>

/// The limit for this build of one that a plain build keeps within.
inline std::chrono::milliseconds TimeLimit(long long plainMilliseconds)
{
    return std::chrono::milliseconds(plainMilliseconds * SOLVANE_TEST_SLOWDOWN);
}

/// Waits, without running the event loop, until done() holds or the limit passes; done() then.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = TimeLimit(10000))
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done() && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
}

/// The same, running the toolkit's queue and idle work (where closed windows are deleted) meanwhile.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = TimeLimit(10000))
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();
         std::this_thread::sleep_for(std::chrono::milliseconds(2)))
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        // Through the base class: core tests link no GUI library.
        wxAppConsole::GetInstance()->Yield();
        wxAppConsole::GetInstance()->ProcessIdle();
    }
    return true;
}
