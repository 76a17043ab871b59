// The files the update writes beside the program: never written through a link planted at one of
// their names, no part of a cut-off transfer kept, nothing asked about that the host would refuse.
#include "update/PluginUpdate.h"

#include "net/HttpGet.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestFiles.h"
#include "TestGuiServices.h"
#include "UpdateSigner.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/filename.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool IsLink(const wxString& path)
{
    struct stat info;
    return ::lstat(path.fn_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// A program's folder with its module and side files, the host's name pointing into it, and the
// update service offering a signed 1.3.1 of all four files.
class UpdateFilesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        HttpGet::GlobalInit();
        sitesim::MakeUpdateKey(seed, publicKey);
        ASSERT_TRUE(site.Start());
        ASSERT_TRUE(site.SetUpdateKey(seed));
        site.SetUpdateVersion("1.3.1");
        for (const char* kind : {"", "skin", "mo", "manifest"})
            site.SetUpdateFile(kind, std::string("the new ") + (*kind ? kind : "module"));
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(site.WebServer()));
        Settings::WriteString("/Update/highestAccepted", "");
        wxFileName::Mkdir(folder.path + "/ja/LC_MESSAGES", 0700, wxPATH_MKDIR_FULL);
        for (const char* name : {"Solvane.so", "Solvane.skin", "ja/LC_MESSAGES/Solvane.mo", "Solvane.manifest"})
            folder.Write(name, "old");
        SetHostPath(folder.path + "/Solvane");
    }
    void TearDown() override { SetHostPath(saved); }

    // Runs the check with the person's answer; how often the question came.
    int Check(bool yes, const wxFileName** name = nullptr, std::string* told = nullptr)
    {
        TestGuiServices gui;
        int asked = 0;
        gui.confirm = [&](const wxString&, const wxString&) { return ++asked, yes; };
        testing::internal::CaptureStderr();
        const wxFileName* result = PluginUpdate::GetNewPluginFileName({publicKey});
        const std::string output = testing::internal::GetCapturedStderr();
        if (name)
            *name = result;
        if (told)
            *told = output;
        return asked;
    }

    std::string seed, publicKey;
    sitesim::SiteSim site;
    ScratchFolder folder, elsewhere;
    const wxString saved = wxAppConsole::GetInstance()->argv[0];
};
} // namespace

// A link at any name the update writes, to a file elsewhere or to none yet: the update still
// arrives, in a file of its own under that name, and whatever the link led to is left alone.
TEST_F(UpdateFilesTest, ALinkAtAStagingNameIsReplacedNeverFollowed)
{
    const char* const names[] = {"Solvane.so.new.part",       "Solvane.so.new",           "Solvane.skin.new.part",
                                 "ja/LC_MESSAGES/Solvane.mo.new", "Solvane.manifest.new.part", "Solvane.so.statement",
                                 "Solvane.so.statement.sig",  "Solvane.so.approved"};
    for (const char* name : names)
        for (const bool victimExists : {true, false})
        {
            SCOPED_TRACE(testing::Message() << name << (victimExists ? ", to a file" : ", to no file"));
            const wxString victim = elsewhere.path + "/victim", link = folder.path + "/" + name;
            WriteBytes(victim, victimExists ? "victim" : "(none)");
            ASSERT_EQ(0, ::symlink(victim.fn_str(), link.fn_str()));
            const wxFileName* pending = nullptr;
            EXPECT_EQ(1, Check(true, &pending));
            EXPECT_EQ(folder.path + "/Solvane.so.new", pending ? pending->GetFullPath() : "");
            EXPECT_EQ(victimExists ? "victim" : "(none)", ReadBytes(victim));
            EXPECT_FALSE(IsLink(link));
            const std::pair<const char*, const char*> staged[] = {
                {"Solvane.so.new", "the new module"}, {"Solvane.skin.new", "the new skin"},
                {"ja/LC_MESSAGES/Solvane.mo.new", "the new mo"}, {"Solvane.manifest.new", "the new manifest"},
                {"Solvane.so.new.part", "(none)"}};
            for (const auto& [file, bytes] : staged)
            {
                EXPECT_EQ(bytes, folder.Read(file)) << file;
                folder.Write(file, "(none)");
            }
            for (const char* file : {"Solvane.so.statement", "Solvane.so.statement.sig", "Solvane.so.approved"})
                folder.Write(file, "(none)");
        }
}

// A transfer cut off by the program's end (kill -9) leaves its part; the next check removes every
// one, even when nothing is offered.
TEST_F(UpdateFilesTest, PartsLeftByAKilledTransferGoAtTheNextCheck)
{
    site.SetUpdateVersion("1.3.0");
    const char* const parts[] = {"Solvane.so.new.part", "Solvane.skin.new.part", "ja/LC_MESSAGES/Solvane.mo.new.part",
                                 "Solvane.manifest.new.part"};
    for (const char* part : parts)
        folder.Write(part, std::string(8 << 20, 'p'));
    EXPECT_EQ(0, Check(true));
    for (const char* part : parts)
        EXPECT_EQ("(none)", folder.Read(part)) << part;
}

// A module whose size or hash differs from its signed statement is refused before anybody is
// asked, by the rule the host applies at the next start: otherwise the person says "Yes", the host
// refuses it, and the same question comes at every start.
TEST_F(UpdateFilesTest, AModuleTheHostWouldRefuseIsNeverAskedAbout)
{
    using sitesim::UpdateTrick;
    for (const UpdateTrick trick : {UpdateTrick::LargerInStatement, UpdateTrick::Mismatch})
    {
        SCOPED_TRACE(sitesim::UpdateTrickName(trick));
        site.SetUpdateTrick(trick);
        const wxFileName* pending = nullptr;
        std::string told;
        EXPECT_EQ(0, Check(true, &pending, &told));
        EXPECT_EQ(nullptr, pending);
        EXPECT_NE(std::string::npos, told.find("Solvane: update refused: the module did not arrive")) << told;
        for (const char* name : {"Solvane.so.new", "Solvane.so.statement", "Solvane.so.approved"})
            EXPECT_EQ("(none)", folder.Read(name)) << name;
    }
}
