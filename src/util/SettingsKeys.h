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
constexpr long kPopupDurationDefault = 8;
constexpr long kPopupDurationMax = 86400;
constexpr const char* kPopupOnlyFavorite = "/PopupDialog/onlyFavorite";
constexpr const char* kPopupOnline = "/PopupDialog/online";
constexpr const char* kPopupFree = "/PopupDialog/free";
/// Seconds since the epoch until which no pop-up is queued; -1 until resumed, 0 or absent: none.
constexpr const char* kPopupPausedUntil = "/PopupDialog/pausedUntil";
/// At most this many pop-ups start in any minute; 0: no limit. What the cap holds back is
/// counted in one summary pop-up.
constexpr const char* kPopupPerMinute = "/PopupDialog/perMinute";
constexpr long kPopupPerMinuteDefault = 10;
constexpr long kPopupPerMinuteMin = 0;
constexpr long kPopupPerMinuteMax = 600;
/// The performers who always pop up, and those who never do, each name followed by a comma.
constexpr const char* kPopupAlways = "/PopupDialog/always";
constexpr const char* kPopupNever = "/PopupDialog/never";
/// Seconds: one back online sooner than this after leaving gets no pop-up, and "now free" comes
/// at most once in this time for one performer.
constexpr const char* kPopupFlapSeconds = "/PopupDialog/flapSeconds";
constexpr long kPopupFlapSecondsDefault = 120;
constexpr long kPopupFlapSecondsMin = 0;
constexpr long kPopupFlapSecondsMax = 86400;
/// Quiet hours: every day from "HH:MM" to "HH:MM" local time (crossing midnight when the end
/// comes first), no pop-up is shown; off unless switched on.
constexpr const char* kPopupQuietHours = "/PopupDialog/quietHours";
constexpr const char* kPopupQuietFrom = "/PopupDialog/quietFrom";
constexpr const char* kPopupQuietTo = "/PopupDialog/quietTo";
constexpr const char* kPopupQuietFromDefault = "22:00";
constexpr const char* kPopupQuietToDefault = "07:00";
/// True: no pop-up while the active window is full screen.
constexpr const char* kPopupNotFullScreen = "/PopupDialog/notFullScreen";
constexpr bool kPopupNotFullScreenDefault = true;
/// "own" (the program's windows), "desktop" (the desktop's notification service) or "auto".
constexpr const char* kPopupStyle = "/PopupDialog/style";
constexpr const char* kPopupStyleOwn = "own";
constexpr const char* kPopupStyleDesktop = "desktop";
constexpr const char* kPopupStyleAuto = "auto";
constexpr const char* kPopupStyleDefault = kPopupStyleAuto;

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
