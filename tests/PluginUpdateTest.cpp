// The module's update against the simulated update service: only what the publisher signed, newer
// than what runs and not expired, is fetched and offered; a refused update leaves the program's
// folder as it was and asks nothing; no file it writes goes through a link planted at its name.
#include "update/PluginUpdate.h"

#include "net/HttpGet.h"
#include "update/ReleaseStatement.h"
#include "util/Settings.h"

#include "SiteSim.h"
#include "TestFiles.h"
#include "TestGuiServices.h"
#include "UpdateSigner.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/dir.h>
#include <wx/filename.h>

#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
// Every file of a folder, by its path inside it, with its bytes.
using Files = std::map<std::string, std::string>;

Files Snapshot(const wxString& dir)
{
    wxArrayString names;
    wxDir::GetAllFiles(dir, &names);
    Files files;
    for (const wxString& name : names)
        files[name.Mid(dir.size() + 1).ToStdString()] = ReadBytes(name);
    return files;
}

// A program's folder with its module and side files, the host's name pointing into it.
struct Folder : ScratchFolder
{
    Folder() : saved(wxAppConsole::GetInstance()->argv[0])
    {
        wxFileName::Mkdir(path + "/ja/LC_MESSAGES", 0700, wxPATH_MKDIR_FULL);
        for (const char* name : {"Solvane.so", "Solvane.skin", "ja/LC_MESSAGES/Solvane.mo", "Solvane.manifest"})
            Write(name, "old");
        SetHostPath(path + "/Solvane");
    }
    ~Folder() { SetHostPath(saved); }
    const wxString saved;
};

// The update service, with a key of its own that the tests give the program to trust.
class PluginUpdateTest : public testing::Test
{
protected:
    void SetUp() override
    {
        HttpGet::GlobalInit();
        sitesim::MakeUpdateKey(seed, publicKey);
        ASSERT_TRUE(site.Start());
        Settings::WriteString("/Site/webserver", wxString::FromUTF8(site.WebServer()));
    }
    std::string seed, publicKey;
    sitesim::SiteSim site;
};

const Files kOffered = {
    {"module", "the new module"}, {"skin", "the new skin"}, {"mo", "the new mo"}, {"manifest", "the new manifest"}};
} // namespace

// Every way an offer can be wrong, each refused before anybody is asked and without a trace in the
// folder; a good one is asked about, and kept only after "Yes", with its statement and approval.
TEST_F(PluginUpdateTest, OnlyASignedNewerUnexpiredUpdateIsOfferedAndKept)
{
    std::string otherSeed, otherKey;
    sitesim::MakeUpdateKey(otherSeed, otherKey);
    ASSERT_TRUE(site.SetUpdateKey(seed));
    site.SetUpdateVersion("1.3.1");
    for (const auto& [kind, body] : kOffered)
        site.SetUpdateFile(kind == "module" ? "" : kind, body);
    using sitesim::UpdateTrick;
    struct Offer
    {
        const char* name;
        UpdateTrick trick;
        const char* refused; // why it goes unasked ("": whatever the reason); null: the person is asked
        bool yes;
        std::string statementVersion = "", highestAccepted = "";
        std::vector<std::string> keys = {};
        bool putAsideBefore = false;
    };
    const char* const notAsSigned = "the module did not arrive as its release statement describes it";
    // clang-format off
    const Offer offers[] = {
        {"good, Yes", UpdateTrick::None, nullptr, true},
        {"good, No", UpdateTrick::None, nullptr, false},
        {"good, equal to the highest accepted", UpdateTrick::None, nullptr, true, "", "1.3.1"},
        {"skin differs from the statement: the rest comes", UpdateTrick::BadSkin, nullptr, true},
        {"no statement", UpdateTrick::NoStatement, "", true},
        {"no signature", UpdateTrick::Unsigned, "", true},
        {"another key", UpdateTrick::WrongKey, "", true},
        {"signature bit flipped", UpdateTrick::BadSignature, "", true},
        {"statement bit flipped", UpdateTrick::TamperedStatement, "", true},
        {"module bit flipped", UpdateTrick::Mismatch, notAsSigned, true},
        {"module shorter than signed", UpdateTrick::Truncated, notAsSigned, true},
        {"module longer than signed", UpdateTrick::Oversized, notAsSigned, true},
        // Refused before anybody is asked, by the rule the host applies at the next start: otherwise
        // the person says "Yes", the host refuses it, and the same question comes at every start.
        {"module smaller than its statement says", UpdateTrick::LargerInStatement, notAsSigned, true},
        {"older version", UpdateTrick::Older, "", true},
        {"equal version", UpdateTrick::None, "", true, "1.3.0"},
        {"below the highest accepted", UpdateTrick::None, "", true, "", "1.4.0"},
        {"expired", UpdateTrick::Expired, "", true},
        {"signed by a key the build does not trust", UpdateTrick::None, "", true, "", "", {otherKey}},
        {"a build that trusts no key", UpdateTrick::None, "", true, "", "", {""}},
        {"a module put aside before", UpdateTrick::None, "", true, "", "", {}, true},
    };
    // clang-format on
    for (const Offer& offer : offers)
    {
        SCOPED_TRACE(offer.name);
        site.SetUpdateTrick(offer.trick);
        site.SetStatementVersion(offer.statementVersion);
        Settings::WriteString("/Update/highestAccepted", offer.highestAccepted);
        Folder folder;
        if (offer.putAsideBefore)
            folder.Write("Solvane.so.refused", sitesim::Sha256Hex(kOffered.at("module")) + "\n");
        const Files before = Snapshot(folder.path);
        TestGuiServices gui;
        int asked = 0;
        gui.confirm = [&](const wxString& caption, const wxString& message) {
            EXPECT_EQ("Confirm: Version 1.3.1 of the plugin is ready.\nInstall it? The program restarts to use it.",
                      caption + ": " + message);
            ++asked;
            return offer.yes;
        };

        const std::vector<std::string> keys = offer.keys.empty() ? std::vector<std::string>{publicKey} : offer.keys;
        testing::internal::CaptureStderr();
        const wxFileName* name = PluginUpdate::GetNewPluginFileName(keys);
        const std::string told = testing::internal::GetCapturedStderr();
        // Whoever reads the program's output learns why an update went; the person is asked nothing.
        const std::string refusal = std::string("Solvane: update refused: ") + (offer.refused ? offer.refused : "");
        EXPECT_EQ(offer.refused != nullptr, told.find(refusal) != std::string::npos) << told;
        EXPECT_EQ(!offer.refused, asked == 1);
        const bool kept = !offer.refused && offer.yes;
        EXPECT_EQ(kept ? folder.path + "/Solvane.so.new" : "", name ? name->GetFullPath() : "");
        Files after = Snapshot(folder.path);
        if (!kept)
        {
            EXPECT_EQ(before, after);
            continue;
        }
        EXPECT_EQ("the new module", after["Solvane.so.new"]);
        EXPECT_EQ(offer.trick == UpdateTrick::BadSkin ? "" : "the new skin", after["Solvane.skin.new"]);
        EXPECT_EQ("the new mo", after["ja/LC_MESSAGES/Solvane.mo.new"]);
        EXPECT_EQ("the new manifest", after["Solvane.manifest.new"]);
        EXPECT_EQ(sitesim::Sha256Hex(after["Solvane.so.statement"]) + "\n", after["Solvane.so.approved"]);
        EXPECT_EQ("old", after["Solvane.so"]);
        EXPECT_EQ("1.3.1", Settings::ReadString("/Update/highestAccepted", ""));
    }
}

// Side files an earlier call left pending go in only when an approved statement signed by the
// publisher vouches for them; without one they are deleted, never installed.
TEST_F(PluginUpdateTest, PendingSideFilesGoInOnlyAsAnApprovedStatementVouchesForThem)
{
    // The site offers nothing.
    const std::string statement = sitesim::UpdateSigner::Statement(
        "1.3.1", 4102444800LL, {{"module", "installed already"}, {"mo", "vouched mo"}, {"skin", "vouched skin"}});
    for (const bool approved : {true, false})
    {
        SCOPED_TRACE(approved ? "approved" : "not approved");
        Folder folder;
        folder.Write("Solvane.so.statement", statement);
        folder.Write("Solvane.so.statement.sig", sitesim::SignDetached(statement, seed));
        folder.Write("Solvane.so.approved", approved ? sitesim::Sha256Hex(statement) + "\n" : "(none)");
        folder.Write("ja/LC_MESSAGES/Solvane.mo.new", "vouched mo");
        folder.Write("Solvane.skin.new", "another skin");
        folder.Write("Solvane.manifest.new", "a manifest nobody vouched for");

        EXPECT_EQ(nullptr, PluginUpdate::GetNewPluginFileName({publicKey}));

        Files expected = {{"Solvane.so", "old"}, {"Solvane.skin", "old"}, {"Solvane.manifest", "old"}};
        expected["ja/LC_MESSAGES/Solvane.mo"] = approved ? "vouched mo" : "old";
        EXPECT_EQ(expected, Snapshot(folder.path));
    }
}

// A link at any name the update writes, to a file elsewhere or to none yet: the update still
// arrives, in a file of its own under that name, and whatever the link led to is left alone. Then
// the parts a killed transfer left go at the next check, even when nothing is offered.
TEST_F(PluginUpdateTest, NoLinkAtAStagingNameIsFollowedAndNoPartIsKept)
{
    ASSERT_TRUE(site.SetUpdateKey(seed));
    site.SetUpdateVersion("1.3.1");
    site.SetUpdateFile("", "the new module");
    site.SetUpdateFile("skin", "the new skin");
    const Folder folder;
    const ScratchFolder elsewhere;
    const wxString victim = elsewhere.path + "/victim";
    // Checks for an update, "Yes" to the question: how often it was asked; what stderr says in told.
    std::string told;
    const auto check = [&] {
        TestGuiServices gui;
        int asked = 0;
        gui.confirm = [&](const wxString&, const wxString&) { return ++asked > 0; };
        testing::internal::CaptureStderr();
        PluginUpdate::GetNewPluginFileName({publicKey});
        told = testing::internal::GetCapturedStderr();
        return asked;
    };
    for (const char* name : {"Solvane.so.new.part", "Solvane.skin.new.part", "Solvane.so.new", "Solvane.so.statement",
                             "Solvane.so.statement.sig", "Solvane.so.approved"})
        for (const char* before : {"victim", "(none)"})
        {
            SCOPED_TRACE(testing::Message() << name << " leads to " << before);
            WriteBytes(victim, before);
            ASSERT_EQ(0, ::symlink(victim.fn_str(), (folder.path + "/" + name).fn_str()));
            EXPECT_EQ(1, check()) << told;
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
    EXPECT_EQ(0, check());
    for (const char* part : parts)
        EXPECT_EQ("(none)", folder.Read(part)) << part;
}

// A statement is read strictly: anything but the expected lines makes it no statement at all.
TEST(ReleaseStatementTest, AReleaseStatementIsReadStrictly)
{
    const std::string hash(64, 'a'), file = "file module 10 " + hash + "\n";
    const std::string good = "product Solvane\nversion 1.3.1\nexpires 100\n" + file;
    const std::pair<std::string, bool> cases[] = {
        {good, true},
        {good + "file skin 3 " + hash + "\n", true},
        {good + "version 1.3.2\n", false},
        {good + file, false},
        {good + "file plugin 3 " + hash + "\n", false},
        {"product Solvane\nversion 1.3.1\nexpires 100\n", false},
        {"product Solvane\nversion 1.3\nexpires 100\n" + file, false},
        {"product Solvane\nversion 1.3.1\nexpires soon\n" + file, false},
        {"product Solvane\nversion 1.3.1\nexpires 100\nfile module 10 " + std::string(64, 'A') + "\n", false},
        {"product Solvane\nversion 1.3.1\nexpires 100\nfile module 99999999999 " + hash + "\n", false},
        {good + "signed-by someone\n", false},
        {good + std::string(ReleaseStatement::kMaxLength, '\n'), false},
    };
    for (const auto& [text, valid] : cases)
    {
        ReleaseStatement statement;
        wxString why;
        EXPECT_EQ(valid, statement.Parse(text, &why)) << text.substr(0, 200) << why;
        EXPECT_EQ(valid, why.empty());
    }
}
