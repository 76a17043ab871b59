// The names of every setting the program reads and writes, each spelled here and nowhere else.
#pragma once

namespace SettingsKeys
{
/// The site's servers, "host[:port]" each.
constexpr const char* kWebServer = "/Site/webserver";
constexpr const char* kImageServer = "/Site/imageserver";
constexpr const char* kPreviewServer = "/Site/previewserver";
constexpr const char* kWebServerDefault = "127.0.0.1:18080";
constexpr const char* kImageServerDefault = "127.0.0.1:18081";
constexpr const char* kPreviewServerDefault = "127.0.0.1:18082";

/// The account the login check sends; the password is kept as typed.
constexpr const char* kId = "/id";
constexpr const char* kPassword = "/password";
/// The favourites the latest login check named, every name followed by a comma; gone at exit.
constexpr const char* kFavorites = "/favorites";

/// Seconds between the starts of two polls.
constexpr const char* kSyncInterval = "/System/syncinterval";
constexpr long kSyncIntervalDefault = 10;
/// What the settings dialog offers; the polling reads any value from the least on.
constexpr long kSyncIntervalMin = 1;
constexpr long kSyncIntervalMax = 3600;
/// True: an unreachable site is retried quietly instead of ending the program after the box.
constexpr const char* kKeepTrying = "/System/keeptrying";
constexpr bool kKeepTryingDefault = false;
/// Seconds: the longest quiet wait between two attempts while the site stays unreachable.
constexpr const char* kRetryMaxDelay = "/System/retrymaxdelay";
/// A stored value outside the range reads as the default.
constexpr long kRetryMaxDelayDefault = 300;
constexpr long kRetryMaxDelayMin = 1;
constexpr long kRetryMaxDelayMax = 300;

/// The main window's place and size as it was last closed.
constexpr const char* kMainFrameX = "/MainFrame/x";
constexpr const char* kMainFrameY = "/MainFrame/y";
constexpr const char* kMainFrameWidth = "/MainFrame/width";
constexpr const char* kMainFrameHeight = "/MainFrame/height";
/// The size of a window never closed before; wider when the page tabs need it.
constexpr int kMainFrameWidthDefault = 240;
constexpr int kMainFrameHeightDefault = 480;
/// Seconds the splash screen stays at start.
constexpr const char* kSplashScreenDuration = "/SplashScreen/duration";
/// Not positive: no splash screen; a larger value is held to the most.
constexpr long kSplashScreenDurationDefault = 3;
constexpr long kSplashScreenDurationMax = 86400;

/// Seconds a pop-up stays.
constexpr const char* kPopupDuration = "/PopupDialog/duration";
constexpr long kPopupDurationDefault = 8;
constexpr long kPopupDurationMin = 1;
constexpr long kPopupDurationMax = 86400;
/// The most the settings dialog offers; a larger stored value still counts for the pop-ups.
constexpr long kPopupDurationOfferedMax = 60;
constexpr const char* kPopupOnlyFavorite = "/PopupDialog/onlyFavorite";
constexpr bool kPopupOnlyFavoriteDefault = false;
constexpr const char* kPopupOnline = "/PopupDialog/online";
constexpr bool kPopupOnlineDefault = true;
constexpr const char* kPopupFree = "/PopupDialog/free";
constexpr bool kPopupFreeDefault = true;
/// Seconds since the epoch until which no pop-up is queued; -1 until resumed, 0 or absent: none.
constexpr const char* kPopupPausedUntil = "/PopupDialog/pausedUntil";
constexpr long kPopupPausedUntilDefault = 0;
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
constexpr bool kPopupQuietHoursDefault = false;
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
constexpr bool kUpdateCheckDefault = true;
/// The highest version the person ever said "Yes" to: an offer below it is a replayed old one.
constexpr const char* kUpdateHighestAccepted = "/Update/highestAccepted";

/// Days the history keeps; a stored value outside the range is held to it.
constexpr const char* kHistoryDays = "/History/days";
constexpr long kHistoryDaysDefault = 30;
constexpr long kHistoryDaysMin = 1;
constexpr long kHistoryDaysMax = 3650;
} // namespace SettingsKeys
