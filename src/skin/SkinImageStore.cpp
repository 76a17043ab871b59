// The skin: every picture the GUI shows, read once from the zip archive beside the host.
#include "skin/SkinImageStore.h"

#include "util/ImageCheck.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/filename.h>
#include <wx/imagbmp.h>
#include <wx/imaggif.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/imagxpm.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace
{
std::unique_ptr<SkinImageStore> instance;
// The largest picture file the skin holds is some kilobytes; this leaves room for any real one.
const size_t kMaxEntryBytes = 16u << 20;

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

// The toolkit's type of a checked format.
wxBitmapType BitmapTypeOf(ImageCheck::Format format)
{
    switch (format)
    {
    case ImageCheck::PNG: return wxBITMAP_TYPE_PNG;
    case ImageCheck::JPEG: return wxBITMAP_TYPE_JPEG;
    case ImageCheck::GIF: return wxBITMAP_TYPE_GIF;
    case ImageCheck::BMP: return wxBITMAP_TYPE_BMP;
    case ImageCheck::ICO: return wxBITMAP_TYPE_ICO;
    case ImageCheck::XPM: return wxBITMAP_TYPE_XPM;
    default: return wxBITMAP_TYPE_INVALID;
    }
}

// An XPM made from the checked strings. The toolkit's reader of the file moves text about in
// place with overlapping copies; its decoder takes these strings instead.
wxImage ReadXpm(const std::string& bytes)
{
    const std::vector<std::string> strings = ImageCheck::SaneXpmLines(bytes);
    if (strings.empty())
        return wxImage();
    std::vector<const char*> lines;
    for (const std::string& text : strings)
        lines.push_back(text.c_str());
    lines.push_back(nullptr);
    return wxImage(lines.data());
}

// The entry the archive stands at, decoded. Zip streams can not seek, and the decoders must: GIF
// reads back and forth.
// What can not be read or decoded gives an empty image, silently: a damaged skin only shows
// fewer pictures.
// An entry that unpacks past the limit is no picture of the skin's (a few hundred bytes of zip
// can unpack to gigabytes): it is given up before it takes the memory.
wxImage ReadPicture(wxInputStream& entry)
{
    std::string bytes;
    char chunk[65536];
    while (bytes.size() <= kMaxEntryBytes)
    {
        const size_t got = entry.Read(chunk, sizeof chunk).LastRead();
        if (got == 0)
            break;
        bytes.append(chunk, got);
    }
    if (entry.GetLastError() == wxSTREAM_READ_ERROR || bytes.empty() || bytes.size() > kMaxEntryBytes)
        return wxImage();
    const wxBitmapType type = BitmapTypeOf(ImageCheck::SaneFormatOf(bytes));
    wxImage image;
    if (type == wxBITMAP_TYPE_INVALID || !wxImage::FindHandler(type))
        return image;
    if (type == wxBITMAP_TYPE_XPM)
        return ReadXpm(bytes);
    wxMemoryInputStream data(bytes.data(), bytes.size());
    image.LoadFile(data, type, -1);
    return image;
}

// The strip brought to width: its columns kept, the last one repeated or the last ones dropped.
wxImage Widened(const wxImage& image, int width)
{
    if (image.GetWidth() == width)
        return image;
    wxImage widened(width, image.GetHeight(), false);
    if (image.HasAlpha())
        widened.InitAlpha();
    if (image.HasMask())
        widened.SetMaskColour(image.GetMaskRed(), image.GetMaskGreen(), image.GetMaskBlue());
    for (int x = 0; x < width; ++x)
    {
        const int from = std::min(x, image.GetWidth() - 1);
        for (int y = 0; y < image.GetHeight(); ++y)
        {
            widened.SetRGB(x, y, image.GetRed(from, y), image.GetGreen(from, y), image.GetBlue(from, y));
            if (image.HasAlpha())
                widened.SetAlpha(x, y, image.GetAlpha(from, y));
        }
    }
    return widened;
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
    // Read entry by entry rather than through the toolkit's archive file system, which loses
    // its streams on some damaged archives. A missing or damaged archive leaves the skin empty,
    // without a message; a damaged entry only that picture.
    wxLogNull quiet;
    wxFFileInputStream file(archivePath);
    if (!file.IsOk())
        return;
    wxZipInputStream zip(file);
    for (std::unique_ptr<wxZipEntry> entry(zip.GetNextEntry()); entry; entry.reset(zip.GetNextEntry()))
    {
        // Files only, at the root: a folder named like a picture is no picture.
        const wxString path = entry->GetName(wxPATH_UNIX);
        if (entry->IsDir() || path.find('/') != wxString::npos)
            continue;
        wxString name, extension;
        wxFileName::SplitPath(path, nullptr, &name, &extension, wxPATH_UNIX);
        wxBitmapType type;
        if (name.empty() || !ImageTypeOf(extension, type))
            continue;
        // The size the archive declares is checked first; what it really unpacks to, as it is read.
        if (entry->GetSize() > static_cast<wxFileOffset>(kMaxEntryBytes))
            continue;
        EnsureHandler(type);
        // A later entry of the same name replaces an earlier one, whatever their formats.
        images[name] = ReadPicture(zip);
        zip.Reset();
    }
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

wxBitmapBundle SkinImageStore::GetBitmapBundle(const wxString& name, const wxSize& size) const
{
    SOLVANE_TRACE("[%p]SkinImageStore::GetBitmapBundle(%s, %d, %d)", static_cast<const void*>(this), name, size.x,
                  size.y);
    return MakeBundle(wxString::Format("%s %dx%d", name, size.x, size.y), name,
                      [&size](const wxImage& image, int scale) {
                          return size == wxDefaultSize || image.GetSize() == size * scale
                                     ? image
                                     : image.Scale(size.x * scale, size.y * scale, wxIMAGE_QUALITY_HIGH);
                      });
}

wxBitmapBundle SkinImageStore::GetStripBundle(const wxString& name, int width) const
{
    SOLVANE_TRACE("[%p]SkinImageStore::GetStripBundle(%s, %d)", static_cast<const void*>(this), name, width);
    return MakeBundle(wxString::Format("%s strip %d", name, width), name,
                      [width](const wxImage& image, int scale) { return Widened(image, width * scale); });
}

wxBitmapBundle SkinImageStore::MakeBundle(const wxString& key, const wxString& name,
                                          const std::function<wxImage(const wxImage&, int)>& fit) const
{
    SOLVANE_TRACE("[%p]SkinImageStore::MakeBundle(%s)", static_cast<const void*>(this), key);
    const auto made = bundles.find(key);
    if (made != bundles.end())
        return made->second;
    const wxImage& normal = GetImage(name);
    if (!normal.IsOk())
        return wxBitmapBundle();
    wxVector<wxBitmap> bitmaps(1, wxBitmap(fit(normal, 1), -1));
    // A rendering of another size than twice the picture's is not its own: the toolkit would
    // take it for the wrong scale.
    const wxImage& twice = GetImage(name + "@2x");
    if (twice.IsOk() && twice.GetSize() == normal.GetSize() * 2)
        bitmaps.push_back(wxBitmap(fit(twice, 2), -1));
    return bundles[key] = wxBitmapBundle::FromBitmaps(bitmaps);
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
