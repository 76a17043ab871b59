// The icon as panels of today's desktops show it: an item on the session bus, beside the old tray.
#pragma once

#include <wx/image.h>
#include <wx/string.h>

#include <functional>
#include <vector>

class wxMenu;
class wxWindow;
typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GDBusNodeInfo GDBusNodeInfo;
typedef struct _GVariant GVariant;
typedef struct _DbusmenuMenuitem DbusmenuMenuitem;
typedef struct _DbusmenuServer DbusmenuServer;

class StatusNotifierItem
{
public:
    /// Offers the item to the panel's watcher whenever one is on the session bus; calls
    /// onRegistered with true once a watcher holds the item, with false when it has gone.
    StatusNotifierItem(wxWindow* frame, wxMenu* menu, const std::vector<wxImage>& pixmaps, const wxString& tooltip,
                       std::function<void(bool)> onRegistered);
    ~StatusNotifierItem();
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    /// A watcher holds the item: a panel shows it, and it can bring the window back.
    bool IsRegistered() const { return registered; }
    /// A new tooltip; the menu's items are read again too (their enabled and checked states).
    void Update(const wxString& tooltip);

    // The bus's callbacks, which are plain C functions reaching the item through these.
    void OnBus(GDBusConnection* bus);
    void OnWatcherAppeared(GDBusConnection* connection);
    void OnWatcherVanished();
    void OnNameAcquired();
    void OnRegisterReply(bool ok);
    void OnMethod(const char* method, GDBusMethodInvocation* invocation);
    GVariant* GetProperty(const char* name) const;
    void OnMenuItemActivated(int id);

private:
    void SetRegistered(bool value);
    void BuildMenu();
    void Unexport();

    wxWindow* frame; // receives every command
    wxMenu* menu;    // the old icon's, which the frame keeps up to date
    std::vector<wxImage> pixmaps;
    wxString tooltip;
    std::function<void(bool)> onRegistered;
    bool registered = false;

    unsigned watchId = 0;
    unsigned ownerId = 0;
    unsigned objectId = 0;
    GDBusConnection* connection = nullptr;
    GCancellable* cancellable = nullptr;
    GDBusNodeInfo* nodeInfo = nullptr;
    DbusmenuServer* menuServer = nullptr;
    // The bus's items beside the toolkit's, for reading the states again.
    std::vector<std::pair<DbusmenuMenuitem*, int>> menuItems;
};
