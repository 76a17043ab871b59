// The skin: every picture the GUI shows, read once from the zip archive beside the host.
#include "skin/SkinImageStore.h"

#include "util/Trace.h"
#include "util/Util.h"

#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/fs_zip.h>
#include <wx/imagbmp.h>
#include <wx/imaggif.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/imagxpm.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <memory>
#include <vector>

namespace
{
std::unique_ptr<SkinImageStore> instance;

// The entry extensions that hold pictures, compared exactly: "PNG" is not a picture here.
bool ImageTypeOf(const wxString& extension, wxBitmapType& type)
{
    static const struct
    {
        const char* extension;
        wxBitmapType type;
    } table[] = {
        {"bmp", wxBITMAP_TYPE_BMP},  {"ico", wxBITMAP_TYPE_ICO},   {"xpm", wxBITMAP_TYPE_XPM},
        {"jpg", wxBITMAP_TYPE_JPEG}, {"jpeg", wxBITMAP_TYPE_JPEG}, {"png", wxBITMAP_TYPE_PNG},
        {"gif", wxBITMAP_TYPE_GIF},
    };
    for (const auto& row : table)
    {
        if (extension == row.extension)
        {
            type = row.type;
            return true;
        }
    }
    return false;
}

std::unique_ptr<wxImageHandler> NewHandler(wxBitmapType type)
{
    switch (type)
    {
    case wxBITMAP_TYPE_BMP: return std::make_unique<wxBMPHandler>();
    case wxBITMAP_TYPE_ICO: return std::make_unique<wxICOHandler>();
    case wxBITMAP_TYPE_XPM: return std::make_unique<wxXPMHandler>();
    case wxBITMAP_TYPE_JPEG: return std::make_unique<wxJPEGHandler>();
    case wxBITMAP_TYPE_PNG: return std::make_unique<wxPNGHandler>();
    case wxBITMAP_TYPE_GIF: return std::make_unique<wxGIFHandler>();
    default: return nullptr;
    }
}

// One entry, decoded. Zip streams can not seek, and the decoders must: the format is recognised
// by peeking at the first bytes, and GIF reads back and forth. What can not be read or decoded
// gives an empty image, silently: a damaged skin only shows fewer pictures.
wxImage ReadPicture(wxFileSystem& files, const wxString& location)
{
    wxLogNull quiet;
    const std::unique_ptr<wxFSFile> file(files.OpenFile(location));
    wxInputStream* entry = file ? file->GetStream() : nullptr;
    if (!entry)
        return wxImage();
    wxMemoryOutputStream copy;
    copy.Write(*entry);
    if (entry->GetLastError() == wxSTREAM_READ_ERROR || copy.GetLength() == 0)
        return wxImage();
    wxMemoryInputStream data(copy);
    wxImage image;
    image.LoadFile(data, wxBITMAP_TYPE_ANY, -1);
    return image;
}
} // namespace

SkinImageStore* SkinImageStore::GetInstance()
{
    SOLVANE_TRACE("[static]SkinImageStore::GetInstance(void)");
    if (!instance)
        instance = std::make_unique<SkinImageStore>(GetArchivePath());
    return instance.get();
}

void SkinImageStore::Release()
{
    SOLVANE_TRACE("[static]SkinImageStore::Release(void)");
    instance.reset();
}

wxString SkinImageStore::GetArchivePath()
{
    SOLVANE_TRACE("[static]SkinImageStore::GetArchivePath(void)");
    wxFileName name = Util::GetApplicationFileName();
    if (!name.IsOk())
        return wxString();
    name.SetExt("skin");
    return name.GetFullPath(wxPATH_NATIVE);
}

SkinImageStore::SkinImageStore(const wxString& archivePath) : images(100)
{
    SOLVANE_TRACE("[%p]SkinImageStore::SkinImageStore(%s)", static_cast<void*>(this), archivePath);
    if (!archivePath.empty())
        Load(archivePath);
}

SkinImageStore::~SkinImageStore()
{
    SOLVANE_TRACE("[%p]SkinImageStore::~SkinImageStore(void)", static_cast<void*>(this));
    for (const wxString& name : addedHandlers)
        wxImage::RemoveHandler(name);
}

void SkinImageStore::Load(const wxString& archivePath)
{
    SOLVANE_TRACE("[%p]SkinImageStore::Load(%s)", static_cast<void*>(this), archivePath);
    // The zip handler is needed only while the archive is read, so it leaves right after.
    const auto zip = std::make_unique<wxZipFSHandler>();
    wxFileSystem::AddHandler(zip.get());
    {
        wxFileSystem files;
        // As a URL, so that blanks, '#' or '%' in the host's folder do not break the location.
        const wxString archive = wxFileSystem::FileNameToURL(wxFileName(archivePath)) + "#zip:";
        std::vector<wxString> matches;
        {
            // A missing or damaged archive leaves the skin empty, without a message.
            wxLogNull quiet;
            // Files only, at the root: a folder named like a picture is no picture.
            for (wxString match = files.FindFirst(archive + "*", wxFILE); !match.empty(); match = files.FindNext())
                matches.push_back(match);
        }
        for (const wxString& match : matches)
        {
            const size_t at = match.rfind("#zip:");
            if (at == wxString::npos)
                continue;
            wxString name, extension;
            wxFileName::SplitPath(match.Mid(at + 5), nullptr, &name, &extension, wxPATH_UNIX);
            wxBitmapType type;
            if (name.empty() || !ImageTypeOf(extension, type))
                continue;
            EnsureHandler(type);
            // A later entry of the same name replaces an earlier one, whatever their formats.
            images[name] = ReadPicture(files, match);
        }
    }
    wxFileSystem::RemoveHandler(zip.get());
}

void SkinImageStore::EnsureHandler(wxBitmapType type)
{
    SOLVANE_TRACE("[%p]SkinImageStore::EnsureHandler(%d)", static_cast<void*>(this), static_cast<int>(type));
    if (wxImage::FindHandler(type))
        return;
    std::unique_ptr<wxImageHandler> handler = NewHandler(type);
    if (!handler)
        return;
    addedHandlers.push_back(handler->GetName());
    // The toolkit's list owns its handlers.
    wxImage::AddHandler(handler.release());
}

const wxImage& SkinImageStore::GetImage(const wxString& name) const
{
    SOLVANE_TRACE("[%p]SkinImageStore::GetImage(%s)", static_cast<const void*>(this), name);
    const auto found = images.find(name);
    return found != images.end() ? found->second : emptyImage;
}

wxBitmap SkinImageStore::GetBitmap(const wxString& name) const
{
    SOLVANE_TRACE("[%p]SkinImageStore::GetBitmap(%s)", static_cast<const void*>(this), name);
    const wxImage& image = GetImage(name);
    // The toolkit asserts on a bitmap made from an empty image.
    if (!image.IsOk())
        return wxBitmap();
    return wxBitmap(image, -1);
}

wxIcon SkinImageStore::GetIcon(const wxString& name) const
{
    SOLVANE_TRACE("[%p]SkinImageStore::GetIcon(%s)", static_cast<const void*>(this), name);
    const wxBitmap bitmap = GetBitmap(name);
    wxIcon icon;
    if (bitmap.IsOk())
        icon.CopyFromBitmap(bitmap);
    return icon;
}
