// The skin: every picture the GUI shows, read once from the zip archive beside the host.
#pragma once

#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/string.h>

#include <functional>
#include <unordered_map>
#include <vector>

class SkinImageStore
{
public:
    /// The store of the archive beside the host, read on the first call.
    static SkinImageStore* GetInstance();
    /// Destroys the store that GetInstance made; the GUI's services call it as the module exits.
    static void Release();
    /// The archive beside the host: the application file name with the extension "skin".
    static wxString GetArchivePath();

    /// Reads every picture at the root of the archive; without a readable archive it stays empty.
    explicit SkinImageStore(const wxString& archivePath);
    /// Also takes back the image handlers that this store added to the toolkit.
    ~SkinImageStore();
    SkinImageStore(const SkinImageStore&) = delete;
    SkinImageStore& operator=(const SkinImageStore&) = delete;

    /// The picture of an entry, named without folder and extension; an empty image if none.
    const wxImage& GetImage(const wxString& name) const;
    /// Invalid when the picture is missing: the toolkit shows such a bitmap or icon as nothing.
    wxBitmap GetBitmap(const wxString& name) const;
    wxIcon GetIcon(const wxString& name) const;
    /// The picture with its rendering at twice the size ("NAME@2x") where the skin has one, for
    /// the toolkit to choose by the screen's scale; both scaled to size (in logical pixels) when
    /// one is given. Empty when the picture is missing.
    wxBitmapBundle GetBitmapBundle(const wxString& name, const wxSize& size = wxDefaultSize) const;
    /// The same for a strip: brought to width (in logical pixels) by repeating or dropping its
    /// last columns, so that its drawing stays sharp.
    wxBitmapBundle GetStripBundle(const wxString& name, int width) const;

private:
    void Load(const wxString& archivePath);
    /// The bundle of the picture and its 2x rendering, each passed through fit with its scale;
    /// made once for each key.
    wxBitmapBundle MakeBundle(const wxString& key, const wxString& name,
                              const std::function<wxImage(const wxImage&, int)>& fit) const;
    void EnsureHandler(wxBitmapType type);

    std::unordered_map<wxString, wxImage> images;
    // Every pop-up asks for the same few: they are made once (the GUI thread alone asks).
    mutable std::unordered_map<wxString, wxBitmapBundle> bundles;
    const wxImage emptyImage;
    // Their code is the toolkit's, but they were created by the module, which is unloaded
    // while the toolkit lives on.
    std::vector<wxString> addedHandlers;
};
