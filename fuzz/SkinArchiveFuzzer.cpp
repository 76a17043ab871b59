// The skin loader on any archive bytes, written to a file and read as the host's skin: no crash
// or toolkit assertion, every picture it keeps has a size, a second load gives the same
// pictures, a name the archive lacks gives none, and the image handlers it added leave with it.
//
// Input: a zip archive ("PK" first), or else one byte for the extension and the bytes of a
// picture that the harness packs into an archive, so that its checksum holds and changes to
// the picture reach the decoders.
#include "FuzzCheck.h"

#include "skin/SkinImageStore.h"

#include <wx/filename.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/zipstrm.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
std::string archivePath;

void RemoveArchive()
{
    std::remove(archivePath.c_str());
}

std::string PackPicture(const uint8_t* data, size_t size)
{
    static const char* const extensions[] = {"png", "jpg", "jpeg", "gif", "bmp", "ico", "xpm", "PNG"};
    wxMemoryOutputStream bytes;
    {
        wxZipOutputStream zip(bytes, 0);
        zip.PutNextEntry(wxString("picture.") + extensions[data[0] % std::size(extensions)]);
        zip.Write(data + 1, size - 1);
        zip.Close();
    }
    std::string archive(bytes.GetLength(), '\0');
    bytes.CopyTo(archive.data(), archive.size());
    return archive;
}

// The names the store would use for the archive's root entries, as the archive lists them.
std::vector<wxString> EntryNames(const uint8_t* data, size_t size)
{
    wxLogNull quiet;
    wxMemoryInputStream bytes(data, size);
    wxZipInputStream zip(bytes);
    std::vector<wxString> names;
    for (std::unique_ptr<wxZipEntry> entry(zip.GetNextEntry()); entry; entry.reset(zip.GetNextEntry()))
    {
        wxString name;
        wxFileName::SplitPath(entry->GetName(wxPATH_UNIX), nullptr, &name, nullptr, wxPATH_UNIX);
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer toolkit;
    FUZZ_CHECK(toolkit.IsOk());
    archivePath = wxFileName::GetTempDir().ToStdString() + "/solvane-skin-fuzz-" + std::to_string(getpid()) + ".skin";
    std::atexit(RemoveArchive);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string packed;
    if (size > 0 && !(size >= 2 && data[0] == 'P' && data[1] == 'K'))
    {
        packed = PackPicture(data, size);
        data = reinterpret_cast<const uint8_t*>(packed.data());
        size = packed.size();
    }
    std::ofstream(archivePath, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
    const size_t handlers = wxImage::GetHandlers().GetCount();
    {
        const SkinImageStore store(archivePath);
        const SkinImageStore again(archivePath);
        FUZZ_CHECK(!store.GetImage("not in any archive/").IsOk());
        for (const wxString& name : EntryNames(data, size))
        {
            const wxImage& image = store.GetImage(name);
            FUZZ_CHECK(image.IsOk() == again.GetImage(name).IsOk());
            if (!image.IsOk())
                continue;
            FUZZ_CHECK(image.GetWidth() > 0 && image.GetHeight() > 0);
            FUZZ_CHECK(image.GetSize() == again.GetImage(name).GetSize());
        }
    }
    FUZZ_CHECK(wxImage::GetHandlers().GetCount() == handlers);
    return 0;
}
