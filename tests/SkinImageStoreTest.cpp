// The skin image store over archives written here, and the skin that the build packs.
#include "skin/SkinImageStore.h"
#include "plugin/ModuleGuiServices.h"
#include "site/TaveloSite.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/palette.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
// A picture's bytes in that format.
std::string Encode(wxImage image, wxBitmapType type = wxBITMAP_TYPE_PNG)
{
    // GIF needs a palette and the toolkit does not make one up.
    unsigned char black = 0;
    if (type == wxBITMAP_TYPE_GIF)
        image.SetPalette(wxPalette(1, &black, &black, &black));
    wxMemoryOutputStream out;
    EXPECT_TRUE(image.SaveFile(out, type)) << "type " << type;
    std::string bytes(out.GetLength(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

// A picture whose columns are told apart by their red, from first, and its blue throughout.
wxImage Columns(int width, int height, unsigned char first, unsigned char blue)
{
    wxImage image(width, height);
    for (int x = 0; x < width; ++x)
        image.SetRGB(wxRect(x, 0, 1, height), static_cast<unsigned char>(first + x), 0, blue);
    return image;
}

// The reds of a bitmap's top row (none unless asked for), and the blue they all have (-1 when
// they differ).
std::pair<std::vector<int>, int> RowOf(const wxBitmap& bitmap, bool withReds)
{
    const wxImage image = bitmap.ConvertToImage();
    std::vector<int> reds;
    int blue = image.GetBlue(0, 0);
    for (int x = 0; x < image.GetWidth(); ++x)
    {
        if (withReds)
            reds.push_back(image.GetRed(x, 0));
        if (image.GetBlue(x, 0) != blue)
            blue = -1;
    }
    return {reds, blue};
}

// A missing picture gives wxDefaultSize rather than a toolkit assertion.
template <class Picture> wxSize SizeOf(const Picture& picture)
{
    return picture.IsOk() ? picture.GetSize() : wxDefaultSize;
}

// Writes a skin archive, entries in order; a name ending in '/' is a folder.
void Write(const wxString& path, const std::vector<std::pair<wxString, std::string>>& entries)
{
    wxFFileOutputStream file(path);
    wxZipOutputStream zip(file);
    for (const auto& [name, bytes] : entries)
        if (name.EndsWith("/"))
            zip.PutNextDirEntry(name);
        else if (zip.PutNextEntry(name))
            zip.Write(bytes.data(), bytes.size());
    EXPECT_TRUE(zip.Close());
}
} // namespace

// The instance reads the pictures at the root of the archive beside the host, by exact extension,
// until the module's exit releases it.
TEST(SkinTest, ReadsTheRootPicturesOfTheArchiveBesideTheHostUntilReleased)
{
    // Blanks, '#' and '%' in the host's folder are part of a file name, not of a location.
    const ScratchFolder folder;
    const wxString bin = folder.path + "/my bin#2%41";
    ASSERT_TRUE(wxFileName::Mkdir(bin, 0700, wxPATH_MKDIR_FULL));
    const wxString saved = wxTheApp->argv[0];
    SetHostPath(bin + "/Solvane");
    const std::string png = Encode(wxImage(5, 5));
    // clang-format off
    Write(bin + "/Solvane.skin", {
        {"fromBmp.bmp", Encode(wxImage(3, 4), wxBITMAP_TYPE_BMP)},
        {"fromIco.ico", Encode(wxImage(16, 16), wxBITMAP_TYPE_ICO)},
        {"fromXpm.xpm", Encode(wxImage(7, 2), wxBITMAP_TYPE_XPM)},
        {"fromJpg.jpg", Encode(wxImage(16, 8), wxBITMAP_TYPE_JPEG)},
        {"fromJpeg.jpeg", Encode(wxImage(8, 16), wxBITMAP_TYPE_JPEG)},
        {"fromPng.png", png},
        {"fromGif.gif", Encode(wxImage(9, 6), wxBITMAP_TYPE_GIF)},
        {"notes.txt", png}, {"upper.PNG", png}, {"folder.png/", ""}, {"sub/inner.png", png},
        // The later of two entries with one name wins, whatever the formats.
        {"twice.png", png}, {"twice.gif", Encode(wxImage(6, 6), wxBITMAP_TYPE_GIF)},
        // An undecodable entry is kept, empty, over an earlier one of the same name.
        {"broken.gif", Encode(wxImage(2, 2), wxBITMAP_TYPE_GIF)}, {"broken.png", "this is no picture"},
        // A picture followed by more than 16 MiB (a few kilobytes zipped) is given up; below, it is read.
        {"huge.png", png + std::string(17u << 20, '\0')}, {"large.png", png + std::string(15u << 20, '\0')},
    });
    // clang-format on
    const SkinImageStore& store = *SkinImageStore::GetInstance();
    const std::pair<const char*, wxSize> found[] = {
        {"fromBmp", {3, 4}},   {"fromIco", {16, 16}}, {"fromXpm", {7, 2}}, {"fromJpg", {16, 8}},
        {"fromJpeg", {8, 16}}, {"fromPng", {5, 5}},   {"fromGif", {9, 6}}, {"twice", {6, 6}},
        {"large", {5, 5}},
    };
    for (const auto& [name, size] : found)
    {
        EXPECT_EQ(size, SizeOf(store.GetImage(name))) << name;
        EXPECT_EQ(size, SizeOf(store.GetIcon(name))) << name;
    }
    // Extension, folder or case left a name out; the broken entry is there but empty.
    for (const char* absent : {"huge", "notes", "upper", "folder", "inner", "sub/inner", "broken", "fromPng.png", "frompng"})
        EXPECT_FALSE(store.GetImage(absent).IsOk() || store.GetBitmap(absent).IsOk() || store.GetIcon(absent).IsOk())
            << absent;
    const SkinImageStore missing(folder.path + "/missing.skin");
    EXPECT_FALSE(missing.GetImage("fromPng").IsOk() || missing.GetIcon("fromPng").IsOk());

    // A new skin (the update brings one) is read only after the module's exit released the store.
    Write(bin + "/Solvane.skin", {{"fromPng.png", Encode(wxImage(48, 48))}});
    EXPECT_EQ(wxSize(5, 5), SizeOf(SkinImageStore::GetInstance()->GetIcon("fromPng")));
    GuiServices::Install(&ModuleGuiServices::Instance());
    TaveloSite().OnExit();
    EXPECT_EQ(nullptr, GuiServices::Get()); // nothing of the module may be called once it is gone
    EXPECT_EQ(wxSize(48, 48), SizeOf(SkinImageStore::GetInstance()->GetIcon("fromPng")));
    SkinImageStore::Release();
    SetHostPath(saved);
}

// A bundle holds the picture and, where the skin has it at exactly twice the size, its 2x
// rendering: as they are, scaled to a size, or as strips fitted to a width, which keep their
// columns and repeat or drop the last ones.
TEST(SkinTest, BundlesThePictureWithItsDoubleRendering)
{
    const ScratchFolder folder;
    const wxString archive = folder.path + "/Solvane.skin";
    // clang-format off
    Write(archive, {
        {"strip.png", Encode(Columns(4, 2, 10, 1))}, {"strip@2x.png", Encode(Columns(8, 4, 100, 2))},
        // A rendering of another size is not taken for the 2x one.
        {"odd.png", Encode(Columns(4, 2, 10, 1))}, {"odd@2x.png", Encode(Columns(5, 4, 100, 2))},
    });
    // clang-format on
    const SkinImageStore store(archive);
    using Row = std::pair<std::vector<int>, int>;
    const std::vector<int> any; // reds not compared
    // The width a strip is fitted to (0: no strip), the size the picture is scaled to, the size
    // asked of the bundle and the top row that comes.
    const std::tuple<const char*, int, wxSize, wxSize, Row> cases[] = {
        {"strip", 0, wxDefaultSize, {8, 4}, {{100, 101, 102, 103, 104, 105, 106, 107}, 2}},
        {"strip", 0, {6, 3}, {12, 6}, {any, 2}},
        {"strip", 6, wxDefaultSize, {6, 2}, {{10, 11, 12, 13, 13, 13}, 1}},
        {"strip", 6, wxDefaultSize, {12, 4}, {{100, 101, 102, 103, 104, 105, 106, 107, 107, 107, 107, 107}, 2}},
        {"strip", 3, wxDefaultSize, {6, 4}, {{100, 101, 102, 103, 104, 105}, 2}},
        // Without a 2x rendering of its own the picture is scaled up: its colour, not the odd one's.
        {"odd", 0, wxDefaultSize, {8, 4}, {any, 1}},
    };
    for (const auto& [name, strip, size, asked, expected] : cases)
    {
        SCOPED_TRACE(testing::Message() << name << " strip " << strip << " size " << size.x << ", asked " << asked.x);
        const wxBitmapBundle bundle = strip ? store.GetStripBundle(name, strip) : store.GetBitmapBundle(name, size);
        ASSERT_TRUE(bundle.IsOk());
        const wxBitmap bitmap = bundle.GetBitmap(asked);
        EXPECT_EQ(asked, bitmap.GetSize());
        EXPECT_EQ(expected, RowOf(bitmap, !expected.first.empty()));
    }
    EXPECT_FALSE(store.GetBitmapBundle("missing").IsOk() || store.GetStripBundle("missing", 5).IsOk());
}

TEST(ProductSkinTest, HoldsEveryPictureTheWindowsAskFor)
{
    const SkinImageStore skin(SOLVANE_OUTPUT_DIR "/Solvane.skin");
    // The trees' image lists take 16x16 pictures.
    const std::pair<const char*, wxSize> pictures[] = {
        {"UserListTreeCtrl_onlineGroupIcon", {16, 16}}, {"UserListTreeCtrl_offlineGroupIcon", {16, 16}},
        {"UserListTreeCtrl_freeIcon", {16, 16}},        {"UserListTreeCtrl_busyIcon", {16, 16}},
        {"UserListTreeCtrl_offlineIcon", {16, 16}},     {"PopupDialog_titleBar", {144, 18}},
        {"PopupDialog_styleBar_ONLINE", {144, 12}},     {"PopupDialog_styleBar_FREE", {144, 12}},
        {"PopupDialog_profileImage", {107, 82}},        {"PopupDialog_contentPanel", {150, 150}},
    };
    for (const auto& [name, size] : pictures)
    {
        EXPECT_EQ(size, SizeOf(skin.GetImage(name))) << name;
        // Each also at twice its size, for screens scaled by 2.
        EXPECT_EQ(size * 2, SizeOf(skin.GetImage(wxString(name) + "@2x"))) << name;
        // Transparency keeps the tree rows' colour around the icons.
        EXPECT_TRUE(size != wxSize(16, 16) || skin.GetImage(name).HasAlpha()) << name;
    }
    const wxSize splash = SizeOf(skin.GetImage("SplashScreen_bitmap"));
    EXPECT_GE(splash.x, 300);
    EXPECT_GE(splash.y, 180);
    EXPECT_TRUE(skin.GetIcon("Application_icon").IsOk());
}
