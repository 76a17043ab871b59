// The names of the settings that the everyday-use features read and write, each in one place.
#pragma once

namespace SettingsKeys
{
constexpr const char* kWebServer = "/Site/webserver";
constexpr const char* kImageServer = "/Site/imageserver";
constexpr const char* kPreviewServer = "/Site/previewserver";
/// Seconds between the starts of two polls.
constexpr const char* kSyncInterval = "/System/syncinterval";
/// True: an unreachable site is retried quietly instead of ending the program after the box.
constexpr const char* kKeepTrying = "/System/keeptrying";
/// Seconds: the longest quiet wait between two attempts while the site stays unreachable.
constexpr const char* kRetryMaxDelay = "/System/retrymaxdelay";
/// Seconds a pop-up stays.
constexpr const char* kPopupDuration = "/PopupDialog/duration";
constexpr const char* kPopupOnlyFavorite = "/PopupDialog/onlyFavorite";
constexpr const char* kPopupOnline = "/PopupDialog/online";
constexpr const char* kPopupFree = "/PopupDialog/free";
/// Seconds since the epoch until which no pop-up is queued; -1 until resumed, 0 or absent: none.
constexpr const char* kPopupPausedUntil = "/PopupDialog/pausedUntil";
constexpr const char* kUpdateCheck = "/Update/check";
/// Days the history keeps.
constexpr const char* kHistoryDays = "/History/days";
} // namespace SettingsKeys
