// Replies a site should not give, on the simulated site's web server: "/301", "/302" and "/304"
// with those statuses, "/endless" a body that never ends, "/huge" one announced past 4 GiB.
#pragma once

#include "SiteSim.h"

inline void ServeOddReplies(sitesim::SiteSim& site)
{
    for (const int status : {301, 302, 304})
        site.SetStatusReply("/" + std::to_string(status), status);
    site.SetResource("/endless", "text\n", "text/plain");
    site.SetFault("/endless", sitesim::Fault::Endless);
    site.SetResource("/huge", "text\n", "text/plain");
    site.SetFault("/huge", sitesim::Fault::HugeLength);
}
