// The icon as panels of today's desktops show it: an item on the session bus, beside the old tray.
#include "ui/StatusNotifierItem.h"

#include "util/Trace.h"

#include <wx/menu.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <dlfcn.h>
#include <gio/gio.h>
#include <libdbusmenu-glib/menuitem.h>
#include <libdbusmenu-glib/server.h>
#include <unistd.h>

namespace
{
const char kWatcherName[] = "org.kde.StatusNotifierWatcher";
const char kWatcherPath[] = "/StatusNotifierWatcher";
const char kItemPath[] = "/StatusNotifierItem";
const char kMenuPath[] = "/MenuBar";
const char kItemInterface[] = "org.kde.StatusNotifierItem";
// Panels read these; the signals tell them when to read again.
const char kItemXml[] = R"XML(<node><interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
  <signal name="NewTitle"/><signal name="NewIcon"/><signal name="NewStatus"><arg type="s"/></signal>
  <signal name="NewToolTip"/>
</interface></node>)XML";

// The name panels find the item by, one for each process.
wxString OwnName()
{
    return wxString::Format("org.kde.StatusNotifierItem-%ld-1", static_cast<long>(getpid()));
}

// A menu's label as the bus carries it: the mnemonic marked by '_' rather than '&'.
std::string BusLabel(const wxString& label)
{
    std::string out;
    const std::string text = label.utf8_string();
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&')
            out += text[i++];
        else if (text[i] == '&')
            out += '_';
        else if (text[i] == '_')
            out += "__";
        else
            out += text[i];
    }
    return out;
}

// The pictures at every size the skin has, each as rows of ARGB pixels in network byte order.
GVariant* PixmapsVariant(const std::vector<wxImage>& pixmaps)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
    for (wxImage image : pixmaps)
    {
        if (!image.IsOk())
            continue;
        if (image.HasMask())
            image.InitAlpha();
        const int width = image.GetWidth(), height = image.GetHeight();
        std::vector<guchar> argb;
        argb.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
            {
                argb.push_back(image.HasAlpha() ? image.GetAlpha(x, y) : 255);
                argb.push_back(image.GetRed(x, y));
                argb.push_back(image.GetGreen(x, y));
                argb.push_back(image.GetBlue(x, y));
            }
        g_variant_builder_add(&builder, "(ii@ay)", width, height,
                              g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, argb.data(), argb.size(), 1));
    }
    return g_variant_builder_end(&builder);
}

void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
                  GDBusMethodInvocation* invocation, gpointer item)
{
    static_cast<StatusNotifierItem*>(item)->OnMethod(method, invocation);
}

GVariant* OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name, GError**,
                        gpointer item)
{
    return static_cast<StatusNotifierItem*>(item)->GetProperty(name);
}

const GDBusInterfaceVTable kItemVTable = {OnMethodCall, OnGetProperty, nullptr, {}};

// The session bus, opened without waiting for it. Whatever happens to the item, the program lives on
// when the desktop's bus goes (GLib's shared connection would end it then).
void OnBusOpened(GObject*, GAsyncResult* result, gpointer data)
{
    auto* cancellable = static_cast<GCancellable*>(data);
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    if (bus)
        g_dbus_connection_set_exit_on_close(bus, FALSE);
    if (bus && !g_cancellable_is_cancelled(cancellable))
        static_cast<StatusNotifierItem*>(g_object_get_data(G_OBJECT(cancellable), "item"))->OnBus(bus);
    else if (error)
        SOLVANE_TRACE("StatusNotifierItem: no session bus: %s", error->message);
    if (bus)
        g_object_unref(bus);
    g_clear_error(&error);
    g_object_unref(cancellable);
}

// The watcher's answer to the registration. A call cancelled because the item went has nobody
// left to tell: the cancellable, which carries the item, says so.
void OnRegistered(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* cancellable = static_cast<GCancellable*>(data);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!g_cancellable_is_cancelled(cancellable))
    {
        auto* item = static_cast<StatusNotifierItem*>(g_object_get_data(G_OBJECT(cancellable), "item"));
        if (error)
            SOLVANE_TRACE("StatusNotifierItem: the watcher refused the item: %s", error->message);
        item->OnRegisterReply(reply != nullptr);
    }
    if (reply)
        g_variant_unref(reply);
    g_clear_error(&error);
    g_object_unref(cancellable);
}
} // namespace

StatusNotifierItem::StatusNotifierItem(wxWindow* frame_, wxMenu* menu_, const std::vector<wxImage>& pixmaps_,
                                       const wxString& tooltip_, std::function<void(bool)> onRegistered_)
    : frame(frame_), menu(menu_), pixmaps(pixmaps_), tooltip(tooltip_), onRegistered(std::move(onRegistered_))
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::StatusNotifierItem(%p)", static_cast<void*>(this),
                  static_cast<void*>(frame_));
    // The menu library registers its object types with GLib, which outlives this module: were
    // the library unloaded with the module, a module loaded later would find the types' code gone.
    dlopen("libdbusmenu-glib.so.4", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    // Kept by this item rather than once for the process: the module that parsed it may be unloaded.
    nodeInfo = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
    cancellable = g_cancellable_new();
    g_object_set_data(G_OBJECT(cancellable), "item", this);
    g_bus_get(G_BUS_TYPE_SESSION, cancellable, OnBusOpened, g_object_ref(cancellable));
}

void StatusNotifierItem::OnBus(GDBusConnection* bus)
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::OnBus(void)", static_cast<void*>(this));
    // The watcher is a panel's: it may come after the program, go with the panel and come again.
    watchId = g_bus_watch_name_on_connection(
        bus, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection* connection, const gchar*, const gchar*, gpointer item) {
            static_cast<StatusNotifierItem*>(item)->OnWatcherAppeared(connection);
        },
        [](GDBusConnection*, const gchar*, gpointer item) {
            static_cast<StatusNotifierItem*>(item)->OnWatcherVanished();
        },
        this, nullptr);
}

StatusNotifierItem::~StatusNotifierItem()
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::~StatusNotifierItem(void)", static_cast<void*>(this));
    // Neither the watch nor the name calls back once given up; a registration on its way is told
    // through its cancellable that nobody waits for it.
    if (watchId)
        g_bus_unwatch_name(watchId);
    g_cancellable_cancel(cancellable);
    g_object_unref(cancellable);
    Unexport();
    if (nodeInfo)
        g_dbus_node_info_unref(nodeInfo);
}

void StatusNotifierItem::OnWatcherAppeared(GDBusConnection* bus)
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::OnWatcherAppeared(void)", static_cast<void*>(this));
    if (connection || !nodeInfo)
        return;
    connection = G_DBUS_CONNECTION(g_object_ref(bus));
    GError* error = nullptr;
    objectId = g_dbus_connection_register_object(connection, kItemPath, nodeInfo->interfaces[0], &kItemVTable, this,
                                                 nullptr, &error);
    if (!objectId)
    {
        SOLVANE_TRACE("StatusNotifierItem: the item could not be exported: %s", error->message);
        g_clear_error(&error);
        return;
    }
    BuildMenu();
    // The watcher is told of the item once its name is ours: it asks the name for the properties.
    ownerId = g_bus_own_name_on_connection(
        connection, OwnName().utf8_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer item) { static_cast<StatusNotifierItem*>(item)->OnNameAcquired(); },
        nullptr, this, nullptr);
}

void StatusNotifierItem::OnNameAcquired()
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::OnNameAcquired(void)", static_cast<void*>(this));
    g_dbus_connection_call(connection, kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
                           g_variant_new("(s)", static_cast<const char*>(OwnName().utf8_str())), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, cancellable, OnRegistered, g_object_ref(cancellable));
}

void StatusNotifierItem::OnRegisterReply(bool ok)
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::OnRegisterReply(%d)", static_cast<void*>(this), ok);
    SetRegistered(ok);
}

void StatusNotifierItem::OnWatcherVanished()
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::OnWatcherVanished(void)", static_cast<void*>(this));
    // The item is offered afresh to the next watcher, whose panel starts without it.
    Unexport();
    SetRegistered(false);
}

void StatusNotifierItem::SetRegistered(bool value)
{
    if (registered == value)
        return;
    registered = value;
    if (onRegistered)
        onRegistered(value);
}

void StatusNotifierItem::Unexport()
{
    if (ownerId)
        g_bus_unown_name(ownerId);
    if (objectId)
        g_dbus_connection_unregister_object(connection, objectId);
    ownerId = objectId = 0;
    if (menuServer)
        g_object_unref(menuServer);
    menuServer = nullptr;
    menuItems.clear();
    if (connection)
        g_object_unref(connection);
    connection = nullptr;
}

void StatusNotifierItem::Update(const wxString& tooltip_)
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::Update(void)", static_cast<void*>(this));
    const bool changed = tooltip != tooltip_;
    tooltip = tooltip_;
    for (const auto& [busItem, id] : menuItems)
        if (const wxMenuItem* item = menu->FindItem(id))
        {
            dbusmenu_menuitem_property_set_bool(busItem, DBUSMENU_MENUITEM_PROP_ENABLED, item->IsEnabled());
            if (item->IsCheckable())
                dbusmenu_menuitem_property_set_int(busItem, DBUSMENU_MENUITEM_PROP_TOGGLE_STATE,
                                                   item->IsChecked() ? DBUSMENU_MENUITEM_TOGGLE_STATE_CHECKED
                                                                     : DBUSMENU_MENUITEM_TOGGLE_STATE_UNCHECKED);
        }
    if (changed && objectId)
        g_dbus_connection_emit_signal(connection, nullptr, kItemPath, kItemInterface, "NewToolTip", nullptr, nullptr);
}

void StatusNotifierItem::BuildMenu()
{
    // The items mirror the old icon's menu; the states are filled in by Update.
    std::function<void(DbusmenuMenuitem*, const wxMenu*)> add = [&](DbusmenuMenuitem* parent, const wxMenu* from) {
        for (const wxMenuItem* item : from->GetMenuItems())
        {
            DbusmenuMenuitem* busItem = dbusmenu_menuitem_new();
            if (item->IsSeparator())
                dbusmenu_menuitem_property_set(busItem, DBUSMENU_MENUITEM_PROP_TYPE, "separator");
            else
            {
                dbusmenu_menuitem_property_set(busItem, DBUSMENU_MENUITEM_PROP_LABEL,
                                               BusLabel(item->GetItemLabel()).c_str());
                if (item->IsCheckable())
                    dbusmenu_menuitem_property_set(busItem, DBUSMENU_MENUITEM_PROP_TOGGLE_TYPE,
                                                   item->IsRadio() ? DBUSMENU_MENUITEM_TOGGLE_RADIO
                                                                   : DBUSMENU_MENUITEM_TOGGLE_CHECK);
                if (item->IsSubMenu())
                {
                    dbusmenu_menuitem_property_set(busItem, DBUSMENU_MENUITEM_PROP_CHILD_DISPLAY,
                                                   DBUSMENU_MENUITEM_CHILD_DISPLAY_SUBMENU);
                    add(busItem, item->GetSubMenu());
                }
                else
                {
                    menuItems.emplace_back(busItem, item->GetId());
                    g_signal_connect(busItem, DBUSMENU_MENUITEM_SIGNAL_ITEM_ACTIVATED,
                                     G_CALLBACK(+[](DbusmenuMenuitem* activated, guint, gpointer self) {
                                         auto* sni = static_cast<StatusNotifierItem*>(self);
                                         for (const auto& [busItem, id] : sni->menuItems)
                                             if (busItem == activated)
                                                 sni->OnMenuItemActivated(id);
                                     }),
                                     this);
                }
            }
            dbusmenu_menuitem_child_append(parent, busItem);
            g_object_unref(busItem);
        }
    };
    DbusmenuMenuitem* root = dbusmenu_menuitem_new();
    add(root, menu);
    menuServer = dbusmenu_server_new(kMenuPath);
    dbusmenu_server_set_root(menuServer, root);
    g_object_unref(root);
    Update(tooltip);
}

void StatusNotifierItem::OnMenuItemActivated(int id)
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::OnMenuItemActivated(%d)", static_cast<void*>(this), id);
    wxMenuItem* item = menu->FindItem(id);
    if (!item || !item->IsEnabled())
        return;
    // The same command the old icon's menu sends: a check item changes its state first.
    wxCommandEvent command(wxEVT_MENU, id);
    if (item->IsCheckable())
    {
        item->Check(!item->IsChecked());
        command.SetInt(item->IsChecked());
    }
    frame->GetEventHandler()->AddPendingEvent(command);
}

void StatusNotifierItem::OnMethod(const char* method, GDBusMethodInvocation* invocation)
{
    SOLVANE_TRACE("[%p]StatusNotifierItem::OnMethod(%s)", static_cast<void*>(this), method);
    if (g_strcmp0(method, "Activate") == 0)
    {
        // As a click on the old icon: a window in sight is hidden, any other brought back.
        const auto* top = dynamic_cast<wxTopLevelWindow*>(frame);
        const bool inSight = frame->IsShown() && !(top && top->IsIconized());
        wxCommandEvent toggle(wxEVT_MENU, inSight ? wxID_CLOSE : wxID_OPEN);
        frame->GetEventHandler()->AddPendingEvent(toggle);
    }
    // The menu is offered through the Menu property; scrolling and the middle button do nothing.
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* StatusNotifierItem::GetProperty(const char* name) const
{
    const std::string title = "Solvane";
    if (g_strcmp0(name, "Id") == 0)
        return g_variant_new_string("solvane");
    if (g_strcmp0(name, "Title") == 0)
        return g_variant_new_string(title.c_str());
    if (g_strcmp0(name, "Category") == 0)
        return g_variant_new_string("Communications");
    if (g_strcmp0(name, "Status") == 0)
        return g_variant_new_string("Active");
    if (g_strcmp0(name, "WindowId") == 0)
        return g_variant_new_int32(0);
    if (g_strcmp0(name, "IconName") == 0)
        return g_variant_new_string("");
    if (g_strcmp0(name, "IconPixmap") == 0)
        return PixmapsVariant(pixmaps);
    if (g_strcmp0(name, "ItemIsMenu") == 0)
        return g_variant_new_boolean(FALSE);
    if (g_strcmp0(name, "Menu") == 0)
        return g_variant_new_object_path(kMenuPath);
    if (g_strcmp0(name, "ToolTip") == 0)
    {
        // The first line is the title, the rest (a pause, say) the text beneath it.
        const std::string text = tooltip.utf8_string();
        const size_t lineBreak = text.find('\n');
        return g_variant_new("(s@a(iiay)ss)", "", g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0),
                             text.substr(0, lineBreak).c_str(),
                             lineBreak == std::string::npos ? "" : text.substr(lineBreak + 1).c_str());
    }
    return nullptr;
}
