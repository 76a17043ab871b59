// The skin: every picture the GUI shows, read once from the zip archive beside the host.
#include "skin/SkinImageStore.h"

#include "util/ImageHeader.h"
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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
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

// The decoders allocate whatever size a picture announces before they find out that the data
// is not there, so a damaged skin of a few bytes could ask for gigabytes (a GIF frame of
// 65535 x 65535, say). A picture is decoded only when its first bytes announce one of the skin's
// formats within these bounds, by its own decoder.
constexpr int64_t kMaxSide = 4096;
constexpr int64_t kMaxPixels = kMaxSide * kMaxSide;
constexpr int64_t kMaxXpmColors = 65536;

uint32_t Le16(const std::string& bytes, size_t at)
{
    return at + 2 <= bytes.size()
               ? static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8
               : 0;
}

uint32_t Le32(const std::string& bytes, size_t at)
{
    return at + 4 <= bytes.size() ? Le16(bytes, at) | Le16(bytes, at + 2) << 16 : 0;
}

bool SaneSides(int64_t width, int64_t height)
{
    return width > 0 && width <= kMaxSide && height > 0 && height <= kMaxSide;
}

bool StartsWith(const std::string& bytes, size_t at, const char* text, size_t length)
{
    return at <= bytes.size() && bytes.compare(at, length, text, length) == 0;
}

bool PngOrJpegIsSane(const std::string& bytes, size_t at)
{
    const ImageHeader header = ImageHeader::Read(bytes.data() + at, bytes.size() - at);
    return header.format != ImageHeader::UNKNOWN && SaneSides(header.width, header.height);
}

// A device-independent bitmap's header: the old one of 12 bytes or a newer one; an icon's
// height counts its mask too.
bool DibIsSane(const std::string& bytes, size_t at, int heightFactor)
{
    const uint32_t size = Le32(bytes, at);
    if (size == 12)
        return SaneSides(Le16(bytes, at + 4), Le16(bytes, at + 6) / heightFactor);
    const int64_t width = static_cast<int32_t>(Le32(bytes, at + 4));
    const int64_t height = static_cast<int32_t>(Le32(bytes, at + 8));
    return size >= 16 && at + 16 <= bytes.size() && SaneSides(std::abs(width), std::abs(height) / heightFactor);
}

// Every image of the icon, each a bitmap or a PNG.
bool IconIsSane(const std::string& bytes)
{
    const uint32_t count = Le16(bytes, 4);
    if (count == 0 || 6 + 16 * count > bytes.size())
        return false;
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint32_t offset = Le32(bytes, 6 + 16 * i + 12);
        const bool png = StartsWith(bytes, offset, "\x89PNG", 4);
        if (offset >= bytes.size() || !(png ? PngOrJpegIsSane(bytes, offset) : DibIsSane(bytes, offset, 2)))
            return false;
    }
    return true;
}

// The GIF decoder reads every frame: the screen and each frame within the sides, all frames
// together within the pixels. It keeps a frame's memory when it gives up on a code size it can
// not use, and reads a graphic control block by its fixed size, so the file must be whole and
// well formed for the frames seen here to be the frames it decodes.
bool GifIsSane(const std::string& bytes)
{
    if (!SaneSides(Le16(bytes, 6), Le16(bytes, 8)) || bytes.size() < 13)
        return false;
    const auto colourTable = [](unsigned char flags) { return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0u; };
    size_t at = 13 + colourTable(static_cast<unsigned char>(bytes[10]));
    int64_t pixels = 0;
    while (at < bytes.size() && bytes[at] != 0x3B)
    {
        if (bytes[at] == 0x21)
        {
            const bool control = StartsWith(bytes, at + 1, "\xF9", 1);
            if (control && !(at + 8 <= bytes.size() && bytes[at + 2] == 4 && bytes[at + 7] == 0))
                return false;
            at += 2; // an extension: its label, then its blocks
        }
        else if (bytes[at] == 0x2C && at + 10 <= bytes.size())
        {
            const int64_t width = Le16(bytes, at + 5), height = Le16(bytes, at + 7);
            pixels += width * height;
            if (!SaneSides(width, height) || pixels > kMaxPixels)
                return false;
            at += 10 + colourTable(static_cast<unsigned char>(bytes[at + 9]));
            if (at >= bytes.size() || bytes[at] < 2 || bytes[at] > 8)
                return false;
            ++at;
        }
        else
            return false;
        while (at < bytes.size() && bytes[at] != 0)
            at += 1 + static_cast<unsigned char>(bytes[at]);
        ++at;
    }
    return at < bytes.size();
}

// The strings of an XPM file in order, outside comments. The toolkit's reader of the file moves
// text about in place with overlapping copies; its decoder takes the strings read here instead.
std::vector<std::string> XpmStrings(const std::string& bytes)
{
    std::vector<std::string> strings;
    size_t at = 0;
    while (at < bytes.size())
    {
        if (StartsWith(bytes, at, "/*", 2))
        {
            const size_t end = bytes.find("*/", at + 2);
            if (end == std::string::npos)
                break;
            at = end + 2;
        }
        else if (bytes[at] == '"')
        {
            const size_t end = bytes.find('"', at + 1);
            if (end == std::string::npos)
                break;
            strings.push_back(bytes.substr(at + 1, end - at - 1));
            at = end + 1;
        }
        else
            ++at;
    }
    return strings;
}

// The picture when the strings are whole and within bounds: width, height, colours and
// characters per pixel, a line per colour, then a row of pixels per line.
wxImage ReadXpm(const std::string& bytes)
{
    const std::vector<std::string> strings = XpmStrings(bytes);
    long long width = 0, height = 0, colours = 0, perPixel = 0;
    if (strings.empty() ||
        std::sscanf(strings[0].c_str(), "%lld %lld %lld %lld", &width, &height, &colours, &perPixel) != 4 ||
        !SaneSides(width, height) || colours < 1 || colours > kMaxXpmColors || perPixel < 1 || perPixel >= 64 ||
        static_cast<long long>(strings.size()) < 1 + colours + height)
        return wxImage();
    std::vector<const char*> lines;
    for (const std::string& text : strings)
    {
        const long long index = static_cast<long long>(lines.size());
        const size_t least = index == 0 ? 0 : index <= colours ? perPixel : width * perPixel;
        if (text.find('\0') != std::string::npos || (index <= colours + height && text.size() < least))
            return wxImage();
        lines.push_back(text.c_str());
    }
    lines.push_back(nullptr);
    return wxImage(lines.data());
}

// The type of the picture that the bytes announce at a sane size; wxBITMAP_TYPE_INVALID for
// anything else.
wxBitmapType SaneTypeOf(const std::string& bytes)
{
    if (StartsWith(bytes, 0, "\x89PNG", 4))
        return PngOrJpegIsSane(bytes, 0) ? wxBITMAP_TYPE_PNG : wxBITMAP_TYPE_INVALID;
    if (StartsWith(bytes, 0, "\xFF\xD8", 2))
        return PngOrJpegIsSane(bytes, 0) ? wxBITMAP_TYPE_JPEG : wxBITMAP_TYPE_INVALID;
    if (StartsWith(bytes, 0, "GIF87a", 6) || StartsWith(bytes, 0, "GIF89a", 6))
        return GifIsSane(bytes) ? wxBITMAP_TYPE_GIF : wxBITMAP_TYPE_INVALID;
    if (StartsWith(bytes, 0, "BM", 2))
        return DibIsSane(bytes, 14, 1) ? wxBITMAP_TYPE_BMP : wxBITMAP_TYPE_INVALID;
    if (StartsWith(bytes, 0, "\0\0\1\0", 4))
        return IconIsSane(bytes) ? wxBITMAP_TYPE_ICO : wxBITMAP_TYPE_INVALID;
    if (StartsWith(bytes, 0, "/* XPM */", 9))
        return wxBITMAP_TYPE_XPM;
    return wxBITMAP_TYPE_INVALID;
}

// The entry the archive stands at, decoded. Zip streams can not seek, and the decoders must: GIF
// reads back and forth.
// What can not be read or decoded gives an empty image, silently: a damaged skin only shows
// fewer pictures.
wxImage ReadPicture(wxInputStream& entry)
{
    wxMemoryOutputStream copy;
    copy.Write(entry);
    if (entry.GetLastError() == wxSTREAM_READ_ERROR || copy.GetLength() == 0)
        return wxImage();
    std::string bytes(copy.GetLength(), '\0');
    copy.CopyTo(bytes.data(), bytes.size());
    const wxBitmapType type = SaneTypeOf(bytes);
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
