// The files the update writes beside the program: never written through a link planted at one of
// their names, and no part of a cut-off transfer kept.
#include "update/PluginUpdate.h"

#include "net/HttpGet.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestFiles.h"
#include "TestGuiServices.h"
#include "UpdateSigner.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace
{
// A program's folder with its module and skin, the host's name pointing into it, and the update
// service offering a signed 1.3.1 of both.
class UpdateFilesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        HttpGet::GlobalInit();
        sitesim::MakeUpdateKey(seed, publicKey);
        ASSERT_TRUE(site.Start() && site.SetUpdateKey(seed));
        site.SetUpdateVersion("1.3.1");
        site.SetUpdateFile("", "the new module");
        site.SetUpdateFile("skin", "the new skin");
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(site.WebServer()));
        folder.Write("Solvane.so", "old");
        folder.Write("Solvane.skin", "old");
        SetHostPath(folder.path + "/Solvane");
    }
    void TearDown() override { SetHostPath(saved); }

    // Checks for an update, "Yes" to the question: how often it was asked; what stderr says in told.
    int Check()
    {
        TestGuiServices gui;
        int asked = 0;
        gui.confirm = [&](const wxString&, const wxString&) { return ++asked > 0; };
        testing::internal::CaptureStderr();
        pending = PluginUpdate::GetNewPluginFileName({publicKey});
        told = testing::internal::GetCapturedStderr();
        return asked;
    }

    std::string seed, publicKey, told;
    const wxFileName* pending = nullptr;
    sitesim::SiteSim site;
    ScratchFolder folder, elsewhere;
    const wxString saved = wxAppConsole::GetInstance()->argv[0];
};
} // namespace

// A link at any name the update writes, to a file elsewhere or to none yet: the update still
// arrives, in a file of its own under that name, and whatever the link led to is left alone. Then
// the parts a killed transfer left go at the next check, even when nothing is offered.
TEST_F(UpdateFilesTest, NoLinkAtAStagingNameIsFollowedAndNoPartIsKept)
{
    const wxString victim = elsewhere.path + "/victim";
    for (const char* name : {"Solvane.so.new.part", "Solvane.skin.new.part", "Solvane.so.new", "Solvane.so.statement",
                             "Solvane.so.statement.sig", "Solvane.so.approved"})
        for (const char* before : {"victim", "(none)"})
        {
            SCOPED_TRACE(testing::Message() << name << " leads to " << before);
            WriteBytes(victim, before);
            ASSERT_EQ(0, ::symlink(victim.fn_str(), (folder.path + "/" + name).fn_str()));
            EXPECT_EQ(1, Check()) << told;
            EXPECT_EQ(before, ReadBytes(victim));
            EXPECT_EQ("the new module", folder.Read("Solvane.so.new"));
            EXPECT_EQ("the new skin", folder.Read("Solvane.skin.new"));
            EXPECT_EQ(sitesim::Sha256Hex(folder.Read("Solvane.so.statement")) + "\n",
                      folder.Read("Solvane.so.approved"));
            for (const char* staged : {"Solvane.so.new", "Solvane.skin.new", "Solvane.so.statement",
                                       "Solvane.so.statement.sig", "Solvane.so.approved"})
                folder.Write(staged, "(none)");
        }

    site.SetUpdateVersion("1.3.0");
    const char* const parts[] = {"Solvane.so.new.part", "Solvane.skin.new.part", "Solvane.manifest.new.part"};
    for (const char* part : parts)
        folder.Write(part, std::string(8 << 20, 'p'));
    EXPECT_EQ(0, Check());
    for (const char* part : parts)
        EXPECT_EQ("(none)", folder.Read(part)) << part;
}
