// The desktop's own notifications as the pop-ups' outlet, through GDBus.
#include "ui/DesktopNotifier.h"

#include "model/PopupChoice.h"
#include "net/DownloadFinishedEvent.h"
#include "site/SiteAddress.h"
#include "skin/SkinImageStore.h"
#include "ui/PopupDialog.h"
#include "util/SayOnStderr.h"
#include "util/SettingsKeys.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/intl.h>
#include <wx/menuitem.h>
#include <wx/utils.h>

#include <gio/gio.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";
const char* const kAppName = "Solvane";
// The name of the program's desktop entry and of its icon, as installed.
const char* const kDesktopEntry = "solvane";
const char* const kCategory = "presence.online";
// A service that has not answered by then will not: the call is given up and its reply dropped.
const int kCallTimeoutMilliseconds = 5000;
// The bus daemon answers at once; this only bounds a wedged one, once, at start.
const int kBusTimeoutMilliseconds = 1000;
// Passes of the main context that a cancelled call needs at most to report back.
const int kDrainRounds = 100;

// The notification service's raw picture: width, height, row stride, alpha, bits per sample,
// channels, bytes.
GVariant* ImageData(const wxImage& image)
{
    const int width = image.GetWidth(), height = image.GetHeight();
    const bool alpha = image.HasAlpha();
    const int channels = alpha ? 4 : 3;
    const size_t area = static_cast<size_t>(width) * height;
    const unsigned char* rgb = image.GetData();
    std::string bytes;
    bytes.reserve(area * channels);
    for (size_t i = 0; i < area; ++i)
    {
        bytes.append(reinterpret_cast<const char*>(rgb + 3 * i), 3);
        if (alpha)
            bytes.push_back(static_cast<char>(image.GetAlpha()[i]));
    }
    GVariant* data = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1);
    return g_variant_new("(iiibii@ay)", width, height, width * channels, alpha, 8, channels, data);
}

// The bus daemon's answer to one question about the service's name; false when it gives none.
bool BusSays(GDBusConnection* connection, const char* method, const char* signature)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        std::strcmp(signature, "(b)") == 0 ? g_variant_new("(s)", kService) : nullptr, G_VARIANT_TYPE(signature),
        G_DBUS_CALL_FLAGS_NONE, kBusTimeoutMilliseconds, nullptr, &error);
    if (!reply)
    {
        SOLVANE_TRACE("%s: %s", method, error->message);
        g_error_free(error);
        return false;
    }
    bool says = false;
    if (std::strcmp(signature, "(b)") == 0)
    {
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        says = owned;
    }
    else
    {
        GVariant* names = g_variant_get_child_value(reply, 0);
        const gchar** list = g_variant_get_strv(names, nullptr);
        for (const gchar** name = list; *name && !says; ++name)
            says = std::strcmp(*name, kService) == 0;
        g_free(list);
        g_variant_unref(names);
    }
    g_variant_unref(reply);
    return says;
}
} // namespace

PopupPlace PopupPlaceFor(const wxString& style, bool nativeWayland, bool serviceThere)
{
    if (style == SettingsKeys::kPopupStyleOwn || (style != SettingsKeys::kPopupStyleDesktop && !nativeWayland))
        return PLACE_OWN_WINDOWS;
    return serviceThere ? PLACE_DESKTOP : PLACE_OWN_WINDOWS_NO_SERVICE;
}

// The connection, the calls on their way and the subscription to the service's signals.
struct DesktopNotifier::Bus
{
    GDBusConnection* connection = nullptr;
    GCancellable* cancellable = g_cancellable_new();
    guint subscription = 0;

    // The calls whose reply has not come through yet, counted down by the reply.
    std::shared_ptr<int> inFlight = std::make_shared<int>(0);

    explicit Bus(GDBusConnection* connection_) : connection(connection_) {}
    ~Bus()
    {
        // Replies still on their way find the call cancelled and leave the notifier alone. Even a
        // cancelled call reports through the main context, and that is this module's code: it is
        // let through now, not after the host has unloaded the module.
        if (subscription)
            g_dbus_connection_signal_unsubscribe(connection, subscription);
        g_cancellable_cancel(cancellable);
        for (int round = 0; *inFlight > 0 && round < kDrainRounds; ++round)
            g_main_context_iteration(nullptr, FALSE);
        g_object_unref(cancellable);
        g_object_unref(connection);
    }

    static void OnReply(GObject* source, GAsyncResult* result, gpointer data);
    static void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
                         GVariant* parameters, gpointer data);
};

// One notification on its way to the service, until its id comes back.
struct DesktopNotifier::Sent
{
    DesktopNotifier* notifier;
    wxString name; // the performer; empty for the summary
    std::shared_ptr<int> inFlight;
};

std::unique_ptr<DesktopNotifier> DesktopNotifier::ForStyle(const wxString& style)
{
    SOLVANE_TRACE("[static]DesktopNotifier::ForStyle(%s)", style);
    const bool wayland = wxGetDisplayInfo().type == wxDisplayWayland;
    // The bus is not even opened for the program's own windows.
    if (PopupPlaceFor(style, wayland, true) == PLACE_OWN_WINDOWS)
        return nullptr;
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!connection)
    {
        SOLVANE_TRACE("no session bus: %s", error->message);
        g_error_free(error);
    }
    // A service the bus starts on the first call counts as there too: some desktops start theirs so.
    const bool there = connection && (BusSays(connection, "NameHasOwner", "(b)") ||
                                      BusSays(connection, "ListActivatableNames", "(as)"));
    if (PopupPlaceFor(style, wayland, there) == PLACE_DESKTOP)
    {
        // The program lives on when the desktop's bus goes; GLib's shared connection would end it.
        g_dbus_connection_set_exit_on_close(connection, FALSE);
        return std::unique_ptr<DesktopNotifier>(new DesktopNotifier(std::make_unique<Bus>(connection)));
    }
    if (connection)
        g_object_unref(connection);
    static bool told = false;
    if (!told)
        SayOnStderr(wxString::Format("no notification service (%s) on the session bus: the pop-ups are the "
                                     "program's own windows",
                                     kService));
    told = true;
    return nullptr;
}

DesktopNotifier::DesktopNotifier(std::unique_ptr<Bus> bus_) : bus(std::move(bus_))
{
    // Subscribed from the GUI thread: GDBus calls back in its main context, which the toolkit runs.
    bus->subscription =
        g_dbus_connection_signal_subscribe(bus->connection, kService, kInterface, nullptr, kPath, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, Bus::OnSignal, this, nullptr);
    Bind(EVT_DOWNLOAD_FINISHED, &DesktopNotifier::OnDownloadFinished, this);
}

DesktopNotifier::~DesktopNotifier()
{
    SOLVANE_TRACE("[%p]DesktopNotifier::~DesktopNotifier(void)", static_cast<void*>(this));
    pictureStop.RequestStop();
    // Gone while the rest of the notifier is still whole: the main context runs as it goes.
    bus.reset();
}

void DesktopNotifier::Show(const User& user, PopupKind kind)
{
    SOLVANE_TRACE("[%p]DesktopNotifier::Show(%s, %d)", static_cast<void*>(this), user.GetName(), kind);
    const int id = ++lastDownload;
    downloads[id] = {user.GetName(), kind};
    if (!PopupDialog::StartPictureDownload(this, id, user.GetName(), pictureStop))
    {
        downloads.erase(id);
        Notify(user.GetName(), kind, wxImage());
    }
}

void DesktopNotifier::OnDownloadFinished(DownloadFinishedEvent& event)
{
    const auto found = downloads.find(event.GetId());
    if (found == downloads.end())
        return;
    const auto [name, kind] = found->second;
    downloads.erase(found);
    // Decoded and scaled on the download's thread; a picture of another size is none of its making.
    const wxImage picture = event.TakeResult<wxImage>().value_or(wxImage());
    Notify(name, kind, PopupDialog::ProfileBitmap(picture).IsOk() ? picture : wxImage());
}

void DesktopNotifier::Notify(const wxString& name, PopupKind kind, const wxImage& picture)
{
    SOLVANE_TRACE("[%p]DesktopNotifier::Notify(%s, %d, %d)", static_cast<void*>(this), name, kind, picture.IsOk());
    const bool summary = name.empty();
    wxImage image = picture;
    if (!summary && !image.IsOk())
    {
        const wxBitmap placeholder =
            SkinImageStore::GetInstance()->GetBitmapBundle("PopupDialog_profileImage").GetBitmap(wxDefaultSize);
        if (placeholder.IsOk())
            image = placeholder.ConvertToImage();
    }
    const wxString text = summary              ? summaryText
                          : kind == POPUP_FREE ? wxString::Format(_("%s is free now"), name)
                                               : wxString::Format(_("%s came online"), name);
    // The service's click on the notification itself is "default"; buttons show the others.
    std::vector<std::pair<const char*, wxString>> actions = {{"default", summary ? _("Show") : _("Open page")}};
    if (!summary)
    {
        actions.emplace_back("open", _("Open page"));
        actions.emplace_back("never", wxStripMenuCodes(_("&Never pop up")));
    }
    GVariantBuilder actionList;
    g_variant_builder_init(&actionList, G_VARIANT_TYPE("as"));
    for (const auto& [key, label] : actions)
    {
        g_variant_builder_add(&actionList, "s", key);
        g_variant_builder_add(&actionList, "s", static_cast<const char*>(label.utf8_str()));
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(kDesktopEntry));
    g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string(kCategory));
    if (image.IsOk())
        g_variant_builder_add(&hints, "{sv}", "image-data", ImageData(image));
    const int expiry = static_cast<int>(PopupDialog::DurationSeconds() * 1000);
    GVariant* parameters = g_variant_new("(susssasa{sv}i)", kAppName, summary ? summaryId : 0, kDesktopEntry,
                                         static_cast<const char*>(text.utf8_str()), "", &actionList, &hints, expiry);
    ++*bus->inFlight;
    g_dbus_connection_call(bus->connection, kService, kPath, kInterface, "Notify", parameters, G_VARIANT_TYPE("(u)"),
                           G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMilliseconds, bus->cancellable, Bus::OnReply,
                           new Sent{this, name, bus->inFlight});
}

void DesktopNotifier::ShowSummary(const wxString& text, std::function<void()> onClick)
{
    SOLVANE_TRACE("[%p]DesktopNotifier::ShowSummary(%s)", static_cast<void*>(this), text);
    summaryText = text;
    summaryClick = std::move(onClick);
    if (summaryOnItsWay)
        summaryWaiting = true;
    else
        SendSummary();
}

void DesktopNotifier::SendSummary()
{
    summaryOnItsWay = true;
    summaryWaiting = false;
    Notify(wxString(), POPUP_NONE, wxImage());
}

void DesktopNotifier::Replied(uint32_t id, const Sent& sent)
{
    SOLVANE_TRACE("[%p]DesktopNotifier::Replied(%u, %s)", static_cast<void*>(this), id, sent.name);
    if (!sent.name.empty())
    {
        if (id)
            shown[id] = sent.name;
        return;
    }
    summaryOnItsWay = false;
    summaryId = id;
    if (summaryWaiting)
        SendSummary();
}

void DesktopNotifier::ActionInvoked(uint32_t id, const wxString& action)
{
    SOLVANE_TRACE("[%p]DesktopNotifier::ActionInvoked(%u, %s)", static_cast<void*>(this), id, action);
    if (id && id == summaryId)
    {
        // A copy: what it does may show the next summary, which replaces the function.
        const std::function<void()> click = summaryClick;
        if (action == "default" && click)
            click();
        return;
    }
    const auto found = shown.find(id);
    if (found == shown.end())
        return;
    if (action == "default" || action == "open")
        Util::LaunchBrowser(SiteAddress::PerformerPage(found->second));
    else if (action == "never")
        WritePopupChoice(found->second, CHOICE_NEVER);
}

void DesktopNotifier::Closed(uint32_t id)
{
    shown.erase(id);
    if (id == summaryId)
        summaryId = 0;
}

void DesktopNotifier::Bus::OnReply(GObject* source, GAsyncResult* result, gpointer data)
{
    const std::unique_ptr<Sent> sent(static_cast<Sent*>(data));
    --*sent->inFlight;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    guint32 id = 0;
    if (reply)
    {
        g_variant_get(reply, "(u)", &id);
        g_variant_unref(reply);
    }
    else
    {
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        SOLVANE_TRACE("Notify: %s", error->message);
        g_error_free(error);
        // The notifier is gone.
        if (cancelled)
            return;
    }
    sent->notifier->Replied(id, *sent);
}

void DesktopNotifier::Bus::OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
                                    GVariant* parameters, gpointer data)
{
    auto* notifier = static_cast<DesktopNotifier*>(data);
    guint32 id = 0;
    if (std::strcmp(signal, "ActionInvoked") == 0 && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)")))
    {
        const gchar* action = nullptr;
        g_variant_get(parameters, "(u&s)", &id, &action);
        notifier->ActionInvoked(id, wxString::FromUTF8(action));
    }
    else if (std::strcmp(signal, "NotificationClosed") == 0 && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)")))
    {
        guint32 reason = 0;
        g_variant_get(parameters, "(uu)", &id, &reason);
        notifier->Closed(id);
    }
}
