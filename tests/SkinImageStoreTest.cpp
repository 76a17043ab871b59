// The skin image store over archives written here, and the skin that the build packs.
#include "site/TaveloSite.h"
#include "skin/SkinImageStore.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/imaggif.h>
#include <wx/image.h>
#include <wx/imagjpeg.h>
#include <wx/mstream.h>
#include <wx/palette.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// An archive entry; a name ending in '/' is a folder.
struct Entry
{
    wxString name;
    std::string bytes;
};

std::string Encode(wxImage image, wxBitmapType type)
{
    // GIF keeps a palette and the toolkit does not make one up.
    if (type == wxBITMAP_TYPE_GIF && !image.HasPalette())
    {
        unsigned char red = image.GetRed(0, 0), green = image.GetGreen(0, 0), blue = image.GetBlue(0, 0);
        image.SetPalette(wxPalette(1, &red, &green, &blue));
    }
    wxMemoryOutputStream out;
    EXPECT_TRUE(image.SaveFile(out, type)) << "type " << type;
    std::string bytes(out.GetLength(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

wxImage Solid(int width, int height, const wxColour& colour)
{
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), colour.Red(), colour.Green(), colour.Blue());
    return image;
}

// Sizes that do not trip the toolkit's assertion (a dialog that would stop the run) when the
// picture is missing.
wxSize SizeOf(const wxImage& image)
{
    return image.IsOk() ? image.GetSize() : wxDefaultSize;
}

wxSize SizeOf(const wxIcon& icon)
{
    return icon.IsOk() ? icon.GetSize() : wxDefaultSize;
}

const wxColour kRed(200, 30, 40), kBlue(30, 60, 210), kGreen(20, 180, 70);

// Size and colour (at the centre, within what JPEG loses) of one stored picture.
void ExpectPicture(const SkinImageStore& store, const wxString& name, const wxSize& size,
                   const wxColour& colour)
{
    const wxImage& image = store.GetImage(name);
    ASSERT_TRUE(image.IsOk()) << name;
    EXPECT_EQ(size, image.GetSize()) << name;
    const int x = size.x / 2, y = size.y / 2;
    EXPECT_NEAR(colour.Red(), image.GetRed(x, y), 8) << name;
    EXPECT_NEAR(colour.Green(), image.GetGreen(x, y), 8) << name;
    EXPECT_NEAR(colour.Blue(), image.GetBlue(x, y), 8) << name;
}

// Another argv[0] for one test, as the host puts its own path there.
class HostPath
{
public:
    explicit HostPath(const wxString& path) : saved(wxTheApp->argv[0])
    {
        Set(path);
    }
    ~HostPath() { Set(saved); }

private:
    static void Set(const wxString& path)
    {
        const wchar_t* args[] = {path.wc_str()};
        wxTheApp->argv.Init(1, args);
    }
    wxString saved;
};

class SkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = wxFileName::CreateTempFileName("solvane-skin");
        wxRemoveFile(folder);
        ASSERT_TRUE(wxFileName::Mkdir(folder, 0700));
    }

    void TearDown() override { wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE); }

    wxString Write(const wxString& path, const std::vector<Entry>& entries)
    {
        wxFFileOutputStream file(path);
        wxZipOutputStream zip(file);
        for (const Entry& entry : entries)
        {
            if (entry.name.EndsWith("/"))
            {
                zip.PutNextDirEntry(entry.name);
                continue;
            }
            zip.PutNextEntry(entry.name);
            zip.Write(entry.bytes.data(), entry.bytes.size());
        }
        EXPECT_TRUE(zip.Close());
        return path;
    }

    wxString folder;
};
} // namespace

TEST_F(SkinTest, TakesEveryPictureFormatAtTheRootAndNothingElse)
{
    const std::string png = Encode(Solid(5, 5, kGreen), wxBITMAP_TYPE_PNG);
    const SkinImageStore store(Write(folder + "/all.skin", {
        {"fromBmp.bmp", Encode(Solid(3, 4, kRed), wxBITMAP_TYPE_BMP)},
        {"fromIco.ico", Encode(Solid(16, 16, kBlue), wxBITMAP_TYPE_ICO)},
        {"fromXpm.xpm", Encode(Solid(7, 2, kGreen), wxBITMAP_TYPE_XPM)},
        {"fromJpg.jpg", Encode(Solid(16, 8, kRed), wxBITMAP_TYPE_JPEG)},
        {"fromJpeg.jpeg", Encode(Solid(8, 16, kBlue), wxBITMAP_TYPE_JPEG)},
        {"fromPng.png", png},
        {"fromGif.gif", Encode(Solid(9, 6, kBlue), wxBITMAP_TYPE_GIF)},
        // Picture data under names the store must pass by.
        {"notes.txt", png},
        {"upper.PNG", png},
        {"folder.png/", ""},
        {"sub/inner.png", png},
    }));

    ExpectPicture(store, "fromBmp", {3, 4}, kRed);
    ExpectPicture(store, "fromIco", {16, 16}, kBlue);
    ExpectPicture(store, "fromXpm", {7, 2}, kGreen);
    ExpectPicture(store, "fromJpg", {16, 8}, kRed);
    ExpectPicture(store, "fromJpeg", {8, 16}, kBlue);
    ExpectPicture(store, "fromPng", {5, 5}, kGreen);
    ExpectPicture(store, "fromGif", {9, 6}, kBlue);
    for (const char* absent : {"notes", "upper", "folder", "inner", "sub", "sub/inner"})
        EXPECT_FALSE(store.GetImage(absent).IsOk()) << absent;
}

TEST_F(SkinTest, LaterEntriesWinAndUndecodableOnesStayEmpty)
{
    const SkinImageStore store(Write(folder + "/order.skin", {
        {"first.png", Encode(Solid(4, 4, kRed), wxBITMAP_TYPE_PNG)},
        {"first.gif", Encode(Solid(6, 6, kBlue), wxBITMAP_TYPE_GIF)},
        {"second.gif", Encode(Solid(6, 6, kBlue), wxBITMAP_TYPE_GIF)},
        {"second.png", Encode(Solid(4, 4, kRed), wxBITMAP_TYPE_PNG)},
        {"broken.png", "this is no picture"},
        {"nothing.gif", ""},
        {"afterwards.png", Encode(Solid(2, 3, kGreen), wxBITMAP_TYPE_PNG)},
    }));

    ExpectPicture(store, "first", {6, 6}, kBlue);
    ExpectPicture(store, "second", {4, 4}, kRed);
    ExpectPicture(store, "afterwards", {2, 3}, kGreen);
    for (const char* empty : {"broken", "nothing"})
    {
        EXPECT_FALSE(store.GetImage(empty).IsOk()) << empty;
        EXPECT_FALSE(store.GetBitmap(empty).IsOk()) << empty;
        EXPECT_FALSE(store.GetIcon(empty).IsOk()) << empty;
    }
}

TEST_F(SkinTest, BitmapsAndIconsAreFoundByTheExactNameOnly)
{
    wxImage busy = Solid(16, 16, kRed);
    busy.InitAlpha();
    busy.SetAlpha(0, 0, wxIMAGE_ALPHA_TRANSPARENT);
    const SkinImageStore store(Write(folder + "/names.skin", {
        {"UserListTreeCtrl_busyIcon.png", Encode(busy, wxBITMAP_TYPE_PNG)},
        {"SplashScreen_bitmap.jpg", Encode(Solid(40, 25, kBlue), wxBITMAP_TYPE_JPEG)},
    }));

    const wxBitmap bitmap = store.GetBitmap("UserListTreeCtrl_busyIcon");
    ASSERT_TRUE(bitmap.IsOk());
    EXPECT_EQ(wxSize(16, 16), bitmap.GetSize());
    EXPECT_TRUE(store.GetImage("UserListTreeCtrl_busyIcon").HasAlpha());
    const wxIcon icon = store.GetIcon("SplashScreen_bitmap");
    ASSERT_TRUE(icon.IsOk());
    EXPECT_EQ(wxSize(40, 25), icon.GetSize());

    for (const char* wrong : {"UserListTreeCtrl_busyIcon.png", "userlisttreectrl_busyicon", ""})
    {
        EXPECT_FALSE(store.GetBitmap(wrong).IsOk()) << wrong;
        EXPECT_FALSE(store.GetIcon(wrong).IsOk()) << wrong;
    }
}

TEST_F(SkinTest, AMissingOrDamagedArchiveGivesAnEmptyStore)
{
    wxFFileOutputStream(folder + "/damaged.skin").Write("PK\x03\x04 not really", 16);
    for (const wxString& path : {folder + "/missing.skin", folder + "/damaged.skin", wxString()})
    {
        const SkinImageStore store(path);
        EXPECT_FALSE(store.GetImage("Application_icon").IsOk()) << path;
        EXPECT_FALSE(store.GetBitmap("Application_icon").IsOk()) << path;
        EXPECT_FALSE(store.GetIcon("Application_icon").IsOk()) << path;
    }
}

TEST_F(SkinTest, AddsTheImageHandlersItLacksAndTakesThemBack)
{
    const wxString archive = Write(folder + "/handlers.skin", {
        {"animated.gif", Encode(Solid(3, 3, kBlue), wxBITMAP_TYPE_GIF)},
        {"photo.jpg", Encode(Solid(8, 8, kRed), wxBITMAP_TYPE_JPEG)},
        {"icon.png", Encode(Solid(2, 2, kGreen), wxBITMAP_TYPE_PNG)},
    });
    // As in a host that registered only PNG itself.
    wxImage::RemoveHandler(wxImage::FindHandler(wxBITMAP_TYPE_GIF)->GetName());
    wxImage::RemoveHandler(wxImage::FindHandler(wxBITMAP_TYPE_JPEG)->GetName());
    const wxImageHandler* hostPng = wxImage::FindHandler(wxBITMAP_TYPE_PNG);
    {
        const SkinImageStore store(archive);
        ExpectPicture(store, "animated", {3, 3}, kBlue);
        ExpectPicture(store, "photo", {8, 8}, kRed);
        EXPECT_NE(nullptr, wxImage::FindHandler(wxBITMAP_TYPE_GIF));
        EXPECT_NE(nullptr, wxImage::FindHandler(wxBITMAP_TYPE_JPEG));
    }
    EXPECT_EQ(nullptr, wxImage::FindHandler(wxBITMAP_TYPE_GIF));
    EXPECT_EQ(nullptr, wxImage::FindHandler(wxBITMAP_TYPE_JPEG));
    EXPECT_EQ(hostPng, wxImage::FindHandler(wxBITMAP_TYPE_PNG));

    if (!wxImage::FindHandler(wxBITMAP_TYPE_GIF))
        wxImage::AddHandler(new wxGIFHandler);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
        wxImage::AddHandler(new wxJPEGHandler);
}

TEST_F(SkinTest, TheInstanceReadsTheArchiveBesideTheHostUntilTheModuleExits)
{
    // Blanks, '#' and '%' in the host's folder are part of a file name, not of a location.
    const wxString bin = folder + "/my bin#2%41";
    ASSERT_TRUE(wxFileName::Mkdir(bin, 0700));
    HostPath host(bin + "/Solvane");
    EXPECT_EQ(bin + "/Solvane.skin", SkinImageStore::GetArchivePath());
    Write(bin + "/Solvane.skin", {{"Application_icon.png", Encode(Solid(32, 32, kBlue), wxBITMAP_TYPE_PNG)}});

    SkinImageStore* store = SkinImageStore::GetInstance();
    EXPECT_EQ(store, SkinImageStore::GetInstance());
    EXPECT_EQ(wxSize(32, 32), SizeOf(store->GetIcon("Application_icon")));

    // A new skin (the update brings one) is read at the module's next start only.
    Write(bin + "/Solvane.skin", {{"Application_icon.png", Encode(Solid(48, 48, kRed), wxBITMAP_TYPE_PNG)}});
    EXPECT_EQ(wxSize(32, 32), SizeOf(SkinImageStore::GetInstance()->GetIcon("Application_icon")));
    TaveloSite site;
    site.OnExit();
    EXPECT_EQ(wxSize(48, 48), SizeOf(SkinImageStore::GetInstance()->GetIcon("Application_icon")));
    SkinImageStore::Release();
}

TEST(ProductSkinTest, HoldsEveryPictureTheWindowsAskFor)
{
    const SkinImageStore skin(SOLVANE_OUTPUT_DIR "/Solvane.skin");
    for (const char* icon : {"UserListTreeCtrl_onlineGroupIcon", "UserListTreeCtrl_offlineGroupIcon",
                             "UserListTreeCtrl_freeIcon", "UserListTreeCtrl_busyIcon",
                             "UserListTreeCtrl_offlineIcon"})
    {
        // The trees' image lists take 16x16 pictures; transparency keeps the rows' colour.
        EXPECT_EQ(wxSize(16, 16), SizeOf(skin.GetImage(icon))) << icon;
        EXPECT_TRUE(skin.GetImage(icon).HasAlpha()) << icon;
    }
    EXPECT_EQ(wxSize(144, 18), SizeOf(skin.GetImage("PopupDialog_titleBar")));
    EXPECT_EQ(wxSize(144, 12), SizeOf(skin.GetImage("PopupDialog_styleBar_ONLINE")));
    EXPECT_EQ(wxSize(144, 12), SizeOf(skin.GetImage("PopupDialog_styleBar_FREE")));
    EXPECT_EQ(wxSize(107, 82), SizeOf(skin.GetImage("PopupDialog_profileImage")));
    EXPECT_EQ(wxSize(150, 150), SizeOf(skin.GetImage("PopupDialog_contentPanel")));
    const wxSize splash = SizeOf(skin.GetImage("SplashScreen_bitmap"));
    EXPECT_GE(splash.x, 300);
    EXPECT_GE(splash.y, 180);
    EXPECT_TRUE(skin.GetIcon("Application_icon").IsOk());

    // "online" and "free" pop-ups must be told apart by the bar's colour alone.
    const wxImage& online = skin.GetImage("PopupDialog_styleBar_ONLINE");
    const wxImage& free = skin.GetImage("PopupDialog_styleBar_FREE");
    ASSERT_TRUE(online.IsOk() && free.IsOk());
    const int x = 130, y = 6;
    const int distance = std::abs(online.GetRed(x, y) - free.GetRed(x, y)) +
                         std::abs(online.GetGreen(x, y) - free.GetGreen(x, y)) +
                         std::abs(online.GetBlue(x, y) - free.GetBlue(x, y));
    EXPECT_GT(distance, 120);
}
