// The site's addresses: each on its own server, with names and the account made safe for the URL.
#include "site/SiteAddress.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"

#include <gtest/gtest.h>

// Three different servers show which one each address goes to; the odd names must neither cut
// the path or query nor smuggle in another parameter. (The login check's query shows in the
// account tests.)
TEST(SiteAddress, EachAddressGoesToItsServerWithItsPartsEncoded)
{
    Settings::WriteString(SettingsKeys::kWebServer, "web.test:1");
    Settings::WriteString(SettingsKeys::kImageServer, "image.test:2");
    Settings::WriteString(SettingsKeys::kPreviewServer, "preview.test:3");
    const wxString odd = wxString::FromUTF8("a b/../c?d&e=f#\xC3\xA4+");
    const std::pair<wxString, const char*> cases[] = {
        {SiteAddress::PerformerList(), "http://web.test:1/include/js/online_performers.js"},
        {SiteAddress::ProfileImage("Mira_Lune7"), "http://image.test:2/WebArchive/Mira_Lune7/thumbs/LinkedImage.jpg"},
        {SiteAddress::ProfileImage(odd),
         "http://image.test:2/WebArchive/a%20b%2F%2E%2E%2Fc%3Fd%26e%3Df%23%C3%A4%2B/thumbs/LinkedImage.jpg"},
        {SiteAddress::ProfileImageHost(), "web.test:1"},
        {SiteAddress::PerformerPage("Mira_Lune7"), "http://preview.test:3/preview.shtml?Mira_Lune7"},
        {SiteAddress::PerformerPage(odd),
         "http://preview.test:3/preview.shtml?a%20b%2F%2E%2E%2Fc%3Fd%26e%3Df%23%C3%A4%2B"},
        {SiteAddress::UpdateQuery("1.3.1"), "http://web.test:1/cgi-bin/app/update.cgi?version=1.3.1"},
        {SiteAddress::UpdateFileQuery(SiteAddress::UpdateQuery("1.3.1"), "skin"),
         "http://web.test:1/cgi-bin/app/update.cgi?version=1.3.1&type=skin"},
    };
    for (const auto& [address, expected] : cases)
        EXPECT_EQ(expected, address.ToStdString());
    // The server the user is told of names its port, HTTP's when the setting gives none.
    for (const auto& [server, told] : {std::pair{"web.test:1", "web.test:1"}, {"web.test", "web.test:80"}, {"[::1]", "[::1]:80"}})
    {
        Settings::WriteString(SettingsKeys::kWebServer, server);
        EXPECT_EQ(told, SiteAddress::ListServer().ToStdString());
    }
}
