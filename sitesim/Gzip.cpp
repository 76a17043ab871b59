// Gzip for the simulated site's replies, whole or as a stream that never ends.
#include "Gzip.h"

#include "Text.h"

#include <zlib.h>

#include <algorithm>
#include <sstream>

namespace sitesim
{

struct GzipStream::State
{
    z_stream stream{};
    bool ready = false;
};

GzipStream::GzipStream() : state(std::make_unique<State>())
{
    // 16 + the window bits: a gzip wrapper rather than a bare zlib one.
    state->ready =
        deflateInit2(&state->stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

GzipStream::~GzipStream()
{
    if (state->ready)
        deflateEnd(&state->stream);
}

std::string GzipStream::Add(const std::string& data, bool last)
{
    std::string out;
    if (!state->ready)
        return out;
    z_stream& z = state->stream;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    char buffer[16384];
    int result = Z_OK;
    do
    {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (result == Z_OK && (z.avail_out == 0 || (last && result != Z_STREAM_END)));
    return out;
}

std::string Gzip(const std::string& data)
{
    return GzipStream().Add(data, true);
}

bool AcceptsGzip(const std::string& acceptEncoding)
{
    std::istringstream codings(acceptEncoding);
    for (std::string coding; std::getline(codings, coding, ',');)
    {
        const size_t parameters = coding.find(';');
        std::string name = coding.substr(0, parameters);
        name.erase(0, name.find_first_not_of(" \t"));
        name.erase(name.find_last_not_of(" \t") + 1);
        if (!Text::EqualsIgnoreCase(name, "gzip") && name != "*")
            continue;
        std::string rest = parameters == std::string::npos ? std::string() : coding.substr(parameters + 1);
        rest.erase(std::remove(rest.begin(), rest.end(), ' '), rest.end());
        const bool refused = rest.rfind("q=0", 0) == 0 && rest.find_first_not_of("q=0.") == std::string::npos;
        if (!refused)
            return true;
    }
    return false;
}

} // namespace sitesim
