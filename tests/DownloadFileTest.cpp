// File downloads against the simulated site: what is accepted, and what becomes of the target.
#include "net/DownloadFile.h"

#include "net/HttpGet.h"

#include "SiteSim.h"

#include <gtest/gtest.h>

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/thread.h>

#include <chrono>

using namespace std::chrono;
using sitesim::Fault;

namespace
{
const std::string kFileType = "application/octet-stream";

// "(none)" when the file is not there.
std::string Read(const wxString& path)
{
    wxFFile file;
    wxString text;
    if (!wxFileName::FileExists(path) || !file.Open(path, "rb") || !file.ReadAll(&text, wxConvISO8859_1))
        return "(none)";
    return std::string(text.mb_str(wxConvISO8859_1));
}

DownloadLimits Limits(long overallMilliseconds, long long sizeLimit)
{
    DownloadLimits limits;
    limits.overallMilliseconds = overallMilliseconds;
    limits.sizeLimit = sizeLimit;
    return limits;
}

// A thread that a closing host stops.
struct DownloadJob : wxThread
{
    DownloadJob(const wxString& url_, const wxString& target_) : wxThread(wxTHREAD_JOINABLE), url(url_), target(target_) {}
    ExitCode Entry() override
    {
        result = DownloadFile(url, target);
        return nullptr;
    }
    wxString url, target;
    bool result = true;
};

class DownloadFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HttpGet::GlobalInit();
        ASSERT_TRUE(site.Start());
        url = wxString::FromUTF8("http://" + site.WebServer() + "/file");
        target = wxFileName::CreateTempFileName("solvane-download");
    }
    void TearDown() override { wxRemoveFile(target); }

    sitesim::SiteSim site;
    wxString url, target;
};
} // namespace

// An existing target is replaced only by a whole file, kept by a failure before the body and
// deleted by a body of another length; no temporary file stays behind.
TEST_F(DownloadFileTest, AcceptsOnlyAWholeFileOfTheExactTypeAndLength)
{
    const std::string body(3000, 'm');
    const DownloadLimits standard;
    struct Case
    {
        const char* name;
        std::string type;
        Fault fault;
        std::string body;
        DownloadLimits limits;
        std::string after; // "new": the body
    };
    for (const Case& c : {
             Case{"a file", kFileType, Fault::None, body, standard, "new"},
             Case{"an empty file without a length", kFileType, Fault::CloseDelimited, "", standard, "new"},
             Case{"a type with parameters", kFileType + "; charset=binary", Fault::None, body, standard, "old"},
             Case{"a type in other letter case", "Application/Octet-Stream", Fault::None, body, standard, "old"},
             Case{"nothing to fetch", "text/plain", Fault::None, "no update\n", standard, "old"},
             Case{"a status other than 2xx", kFileType, Fault::NotFound, body, standard, "old"},
             Case{"a connection closed at once", kFileType, Fault::Refuse, body, standard, "old"},
             Case{"a length declared past the limit", kFileType, Fault::None, body, Limits(60000, 1000), "old"},
             Case{"a body without a length", kFileType, Fault::CloseDelimited, body, standard, "(none)"},
             Case{"a body cut short", kFileType, Fault::DropMidBody, body, standard, "(none)"},
             Case{"a trickle past the overall limit", kFileType, Fault::SlowDrip, body, Limits(1000, 1 << 20), "(none)"},
             // These two end on the real stall time-out.
             Case{"a server that never answers", kFileType, Fault::NoAnswer, body, standard, "old"},
             Case{"a body that stalls", kFileType, Fault::StallMidBody, body, standard, "(none)"},
         })
    {
        SCOPED_TRACE(c.name);
        site.SetResource("/file", c.body, c.type);
        site.SetFault("/file", c.fault);
        wxFFile(target, "wb").Write("old", 3);
        const auto start = steady_clock::now();
        EXPECT_EQ(c.after == "new", DownloadFile(url, target, c.limits));
        EXPECT_LT(steady_clock::now() - start, seconds(12));
        EXPECT_EQ(c.after == "new" ? c.body : c.after, Read(target));
        EXPECT_FALSE(wxFileName::FileExists(target + ".part"));
    }
}

TEST_F(DownloadFileTest, AStopRequestEndsTheTransferAtOnce)
{
    site.SetResource("/file", "x", kFileType);
    site.SetFault("/file", Fault::NoAnswer);
    DownloadJob job(url, target);
    ASSERT_EQ(wxTHREAD_NO_ERROR, job.Run());
    ASSERT_TRUE(site.WaitForRequests(1, 10000));
    const auto start = steady_clock::now();
    job.Delete();
    job.Wait();
    EXPECT_LT(steady_clock::now() - start, seconds(2));
    EXPECT_FALSE(job.result);
}
