// File downloads against the simulated site: what is accepted, and what becomes of the target.
#include "net/DownloadFile.h"

#include "net/HttpGet.h"

#include "SiteSim.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <wx/filename.h>

#include <chrono>
#include <tuple>
#include <unistd.h>

using namespace std::chrono;
using sitesim::Fault;

// An existing target is replaced only by a whole file, kept by a failure before the body and
// deleted by a body of another length; no temporary file stays behind. A link planted at the
// temporary file's name is never written through, whatever the transfer does.
TEST(DownloadFileTest, AcceptsOnlyAWholeFileOfTheExactTypeAndLength)
{
    HttpGet::GlobalInit();
    sitesim::SiteSim site;
    ASSERT_TRUE(site.Start());
    const wxString url = wxString::FromUTF8("http://" + site.WebServer() + "/file");
    const ScratchFolder folder, elsewhere;
    const wxString target = folder.path + "/file", victim = elsewhere.path + "/victim";
    const std::string file = "application/octet-stream", body(3000, 'm');
    const DownloadLimits standard, small{5000, 60000, 1000}, slow{5000, 1000, 1 << 20};
    // What is served, the limits, and the target afterwards ("new": the body).
    using Case = std::tuple<const char*, std::string, Fault, std::string, DownloadLimits, std::string>;
    for (const auto& [name, type, fault, served, limits, after] : {
             Case{"a file", file, Fault::None, body, standard, "new"},
             Case{"an empty file without a length", file, Fault::CloseDelimited, "", standard, "new"},
             Case{"a type with parameters", file + "; charset=binary", Fault::None, body, standard, "old"},
             Case{"a type in other letter case", "Application/Octet-Stream", Fault::None, body, standard, "old"},
             Case{"nothing to fetch", "text/plain", Fault::None, "no update\n", standard, "old"},
             Case{"a status other than 2xx", file, Fault::NotFound, body, standard, "old"},
             Case{"a length declared past the limit", file, Fault::None, body, small, "old"},
             Case{"a body without a length", file, Fault::CloseDelimited, body, standard, "(none)"},
             Case{"a body cut short", file, Fault::DropMidBody, body, standard, "(none)"},
             Case{"a trickle past the overall limit", file, Fault::SlowDrip, body, slow, "(none)"},
             // These two end on the real stall time-out.
             Case{"a server that never answers", file, Fault::NoAnswer, body, standard, "old"},
             Case{"a body that stalls", file, Fault::StallMidBody, body, standard, "(none)"},
         })
    {
        SCOPED_TRACE(name);
        site.SetResource("/file", served, type);
        site.SetFault("/file", fault);
        WriteBytes(target, "old");
        WriteBytes(victim, "(none)");
        ASSERT_EQ(0, ::symlink(victim.fn_str(), PartialDownloadName(target).fn_str()));
        const auto start = steady_clock::now();
        EXPECT_EQ(after == "new", DownloadFile(url, target, limits));
        EXPECT_LT(steady_clock::now() - start, seconds(12));
        EXPECT_EQ(after == "new" ? served : after, ReadBytes(target));
        EXPECT_EQ("(none)", ReadBytes(victim));
        EXPECT_NE(0, ::unlink(PartialDownloadName(target).fn_str()));
    }
}
