// Gzip for the simulated site's replies, whole or as a stream that never ends.
#pragma once

#include <memory>
#include <string>

namespace sitesim
{

/// A gzip stream compressed piece by piece; each piece's output is flushed, so a client can
/// decode what it has been sent so far.
class GzipStream
{
public:
    GzipStream();
    ~GzipStream();
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    /// The compressed bytes of data; last ends the stream.
    std::string Add(const std::string& data, bool last);

private:
    struct State;
    std::unique_ptr<State> state;
};

/// The whole of data as one gzip stream.
std::string Gzip(const std::string& data);

/// True when an Accept-Encoding value names gzip (and does not refuse it with q=0).
bool AcceptsGzip(const std::string& acceptEncoding);

} // namespace sitesim
