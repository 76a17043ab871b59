// The names of every setting the program reads and writes, each spelled here and nowhere else.
#pragma once

namespace SettingsKeys
{
/// The site's servers, "host[:port]" each.
constexpr const char* kWebServer = "/Site/webserver";
constexpr const char* kImageServer = "/Site/imageserver";
constexpr const char* kPreviewServer = "/Site/previewserver";

/// The account the login check sends; the password is kept as typed.
constexpr const char* kId = "/id";
constexpr const char* kPassword = "/password";
/// The favourites the latest login check named, every name followed by a comma; gone at exit.
constexpr const char* kFavorites = "/favorites";

/// Seconds between the starts of two polls.
constexpr const char* kSyncInterval = "/System/syncinterval";
/// True: an unreachable site is retried quietly instead of ending the program after the box.
constexpr const char* kKeepTrying = "/System/keeptrying";
/// Seconds: the longest quiet wait between two attempts while the site stays unreachable.
constexpr const char* kRetryMaxDelay = "/System/retrymaxdelay";

/// The main window's place and size as it was last closed.
constexpr const char* kMainFrameX = "/MainFrame/x";
constexpr const char* kMainFrameY = "/MainFrame/y";
constexpr const char* kMainFrameWidth = "/MainFrame/width";
constexpr const char* kMainFrameHeight = "/MainFrame/height";
/// Seconds the splash screen stays at start.
constexpr const char* kSplashScreenDuration = "/SplashScreen/duration";

/// Seconds a pop-up stays.
constexpr const char* kPopupDuration = "/PopupDialog/duration";
constexpr const char* kPopupOnlyFavorite = "/PopupDialog/onlyFavorite";
constexpr const char* kPopupOnline = "/PopupDialog/online";
constexpr const char* kPopupFree = "/PopupDialog/free";
/// Seconds since the epoch until which no pop-up is queued; -1 until resumed, 0 or absent: none.
constexpr const char* kPopupPausedUntil = "/PopupDialog/pausedUntil";

/// False: the update service is never asked. The host reads it too, before the module starts.
constexpr const char* kUpdateCheck = "/Update/check";
/// The highest version the person ever said "Yes" to: an offer below it is a replayed old one.
constexpr const char* kUpdateHighestAccepted = "/Update/highestAccepted";

/// Days the history keeps; a stored value outside the range is held to it.
constexpr const char* kHistoryDays = "/History/days";
constexpr long kHistoryDaysDefault = 30;
constexpr long kHistoryDaysMin = 1;
constexpr long kHistoryDaysMax = 3650;
} // namespace SettingsKeys
