// Runs a function on the main thread for a worker that waits for it, unless it is told to stop.
//
// Usage (any thread):
//   const std::optional<bool> yes = CallOnMainThread([caption] { return AskNow(caption); }, stop);
//   if (!yes) ...  // stopped first, or no application to run it: the worker goes on without it
//
// A worker that stops leaves at once; the function then runs no more if it has not begun, and if
// it has, it finishes on the main thread into state that both sides share, never the worker's.
#pragma once

#include "util/StopToken.h"

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

/// Runs work on the main thread (at once when called there) and waits for it to end; false,
/// without waiting any longer, once stop is requested, and when there is no application object.
bool RunOnMainThread(std::function<void()> work, const StopToken& stop);

/// As RunOnMainThread, with work's result; none when it did not run to its end.
template <typename Work> std::optional<std::invoke_result_t<Work&>> CallOnMainThread(Work work, const StopToken& stop)
{
    using Result = std::invoke_result_t<Work&>;
    auto result = std::make_shared<std::optional<Result>>();
    if (!RunOnMainThread([work = std::move(work), result]() mutable { result->emplace(work()); }, stop))
        return std::nullopt;
    return std::move(*result);
}
