// The reply handling on what libcurl hands on: header lines (status line, Content-Type,
// Content-Length) then the body in pieces, through the very callbacks libcurl calls. The memory
// held for the body never passes the size limit, a body past it is refused, the bytes kept are
// the bytes accepted, and Content-Length agrees with a plain reading of well-formed lines.
//
// Input: two bytes for the size limit, header lines up to an empty one, then body pieces, each
// a length byte and that many bytes.
#include "FuzzCheck.h"

#include "net/HttpGet.h"

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>

struct HttpGetProbe
{
    static size_t Header(HttpGet& get, std::string line)
    {
        return HttpGet::OnHeader(line.data(), 1, line.size(), &get);
    }
    static size_t Body(HttpGet& get, std::string piece) { return HttpGet::OnBody(piece.data(), 1, piece.size(), &get); }
    static long long Received(const HttpGet& get) { return get.received; }
};

namespace
{
// "Content-Length:" in any case, blanks, digits, blanks and the line end: the length, LLONG_MAX
// for one past 64 bits; -2 for any other line.
long long ReferenceLength(std::string_view line)
{
    const std::string_view name = "content-length:";
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (line.size() < name.size() ||
        !std::equal(name.begin(), name.end(), line.begin(), [&](char a, char b) { return a == lower(b); }))
        return -2;
    size_t at = std::min(line.find_first_not_of(" \t", name.size()), line.size());
    const size_t digits = std::min(line.find_first_not_of("0123456789", at), line.size());
    const size_t blanks = std::min(line.find_first_not_of(" \t", digits), line.size());
    if (digits == at || (line.substr(blanks) != "\r\n" && line.substr(blanks) != "\n"))
        return -2;
    long long value = 0;
    for (; at < digits; ++at)
    {
        const int digit = line[at] - '0';
        if (value > (LLONG_MAX - digit) / 10)
            return LLONG_MAX;
        value = value * 10 + digit;
    }
    return value;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.size() < 2)
        return 0;
    const unsigned char scale = static_cast<unsigned char>(input[0]);
    const long long limit =
        scale == 0 ? 0 : static_cast<long long>(scale) << (static_cast<unsigned char>(input[1]) % 48);
    input.remove_prefix(2);

    HttpGet get("http://127.0.0.1/");
    get.SetSizeLimit(limit);
    long long received = 0;
    bool headersDone = false;
    while (!input.empty() && !headersDone)
    {
        const size_t end = std::min(input.find('\n'), input.size() - 1) + 1;
        const std::string_view line = input.substr(0, end);
        input.remove_prefix(end);
        headersDone = line == "\r\n" || line == "\n";
        const size_t taken = HttpGetProbe::Header(get, std::string(line));
        // A status line begins a new reply, which has declared no length yet.
        if (line.substr(0, 5) == "HTTP/")
            FUZZ_CHECK(get.GetContentLength() == -1);
        else if (ReferenceLength(line) != -2)
            FUZZ_CHECK(get.GetContentLength() == ReferenceLength(line));
        if (taken == 0)
        {
            // Refused only for a declared length past the limit.
            FUZZ_CHECK(get.WasTooLarge() && limit > 0 && get.GetContentLength() > limit);
            return 0;
        }
        FUZZ_CHECK(taken == line.size() && !get.WasTooLarge());
        received += static_cast<long long>(taken);
    }

    std::string kept;
    while (!input.empty())
    {
        const size_t length = std::min<size_t>(static_cast<unsigned char>(input[0]), input.size() - 1);
        const std::string piece(input.substr(1, length));
        input.remove_prefix(length + 1);
        const size_t taken = HttpGetProbe::Body(get, piece);
        FUZZ_CHECK(get.GetBody().capacity() <= std::max<size_t>(limit, std::string().capacity()) || limit == 0);
        if (taken == 0 && !piece.empty())
        {
            FUZZ_CHECK(get.WasTooLarge() && limit > 0 && static_cast<long long>(kept.size() + piece.size()) > limit);
            FUZZ_CHECK(get.GetBody() == kept);
            return 0;
        }
        FUZZ_CHECK(taken == piece.size() && !get.WasTooLarge());
        kept += piece;
        received += static_cast<long long>(taken);
        FUZZ_CHECK(get.GetBody() == kept && HttpGetProbe::Received(get) == received);
    }
    return 0;
}
