// File downloads against the simulated site: what is accepted, and what becomes of the target.
#include "net/DownloadFile.h"

#include "net/HttpGet.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/thread.h>

#include <chrono>

using namespace std::chrono;
using sitesim::Fault;

namespace
{
const std::string kFileType = "application/octet-stream";

enum class Target
{
    Old,  // untouched
    New,  // the served body
    Gone, // deleted
};

std::string ReadAll(const wxString& path)
{
    wxFFile file(path, "rb");
    wxString text;
    if (!file.IsOpened() || !file.ReadAll(&text, wxConvISO8859_1))
        return "(unreadable)";
    return std::string(text.mb_str(wxConvISO8859_1));
}

class DownloadFileTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { HttpGet::GlobalInit(); }

    void SetUp() override
    {
        HttpGet::SetDefaultProxy(ProxySetting());
        ASSERT_TRUE(site.Start());
        folder = wxFileName::CreateTempFileName("solvane-download");
        wxRemoveFile(folder);
        wxFileName::Mkdir(folder, 0700);
        target = folder + "/Solvane.so.new";
    }
    void TearDown() override { wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE); }

    wxString Url() const { return wxString::FromUTF8("http://" + site.WebServer() + "/file"); }

    sitesim::SiteSim site;
    wxString folder, target;
};

// Ends the transfer of DownloadFile by a stop request, as a closing host does.
class DownloadJob : public wxThread
{
public:
    DownloadJob(const wxString& url_, const wxString& target_) : wxThread(wxTHREAD_JOINABLE), url(url_), target(target_) {}
    ExitCode Entry() override
    {
        result = DownloadFile(url, target);
        return nullptr;
    }
    wxString url, target;
    bool result = true;
};
} // namespace

TEST_F(DownloadFileTest, AcceptsOnlyAWholeFileOfTheExactTypeAndLength)
{
    const std::string body(3000, 'm');
    DownloadLimits tight;
    tight.sizeLimit = 1000;
    DownloadLimits trickle;
    trickle.overallMilliseconds = 1000;
    struct Case
    {
        const char* name;
        std::string type;
        Fault fault;
        std::string body;
        DownloadLimits limits;
        bool accepted;
        Target target;
    };
    const Case cases[] = {
        {"a file", kFileType, Fault::None, body, {}, true, Target::New},
        {"an empty file without a length", kFileType, Fault::CloseDelimited, "", {}, true, Target::New},
        {"a type with parameters", kFileType + "; charset=binary", Fault::None, body, {}, false, Target::Old},
        {"a type in other letter case", "Application/Octet-Stream", Fault::None, body, {}, false, Target::Old},
        {"nothing to fetch", "text/plain", Fault::None, "no update\n", {}, false, Target::Old},
        {"a status other than 2xx", kFileType, Fault::NotFound, body, {}, false, Target::Old},
        {"a connection closed at once", kFileType, Fault::Refuse, body, {}, false, Target::Old},
        {"a length declared past the limit", kFileType, Fault::None, body, tight, false, Target::Old},
        {"a body without a length", kFileType, Fault::CloseDelimited, body, {}, false, Target::Gone},
        {"a body cut short", kFileType, Fault::DropMidBody, body, {}, false, Target::Gone},
        {"a body that trickles past the overall limit", kFileType, Fault::SlowDrip, std::string(400, 't'), trickle,
         false, Target::Gone},
        // Each of these ends on the real stall time-out.
        {"a server that never answers", kFileType, Fault::NoAnswer, body, {}, false, Target::Old},
        {"a body that stalls", kFileType, Fault::StallMidBody, body, {}, false, Target::Gone},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        site.SetResource("/file", c.body, c.type);
        site.SetFault("/file", c.fault);
        wxFFile(target, "wb").Write(wxString("old"), wxConvISO8859_1);

        const auto start = steady_clock::now();
        EXPECT_EQ(c.accepted, DownloadFile(Url(), target, c.limits));
        EXPECT_LT(duration_cast<seconds>(steady_clock::now() - start).count(), 12);

        EXPECT_FALSE(wxFileName::FileExists(target + ".part"));
        switch (c.target)
        {
        case Target::Old: EXPECT_EQ("old", ReadAll(target)); break;
        case Target::New: EXPECT_EQ(c.body, ReadAll(target)); break;
        case Target::Gone: EXPECT_FALSE(wxFileName::FileExists(target)); break;
        }
    }
}

// A closing program stops the thread that waits: the transfer ends at once, the target stays.
TEST_F(DownloadFileTest, AStopRequestEndsTheTransfer)
{
    site.SetResource("/file", "x", kFileType);
    site.SetFault("/file", Fault::NoAnswer);
    DownloadJob job(Url(), target);
    ASSERT_EQ(wxTHREAD_NO_ERROR, job.Run());
    ASSERT_TRUE(site.WaitForRequests(1, 10000));
    const auto start = steady_clock::now();
    job.Delete();
    job.Wait();
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 2000);
    EXPECT_FALSE(job.result);
    EXPECT_FALSE(wxFileName::FileExists(target));
    EXPECT_FALSE(wxFileName::FileExists(target + ".part"));
}
