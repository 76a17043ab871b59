// A version number as the update service knows it ("1.3.0"), and the module's own version.
#include "util/Version.h"

#include "util/Trace.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

// The project's version, handed in by the build.
const Version CurrentVersion(SOLVANE_VERSION);

namespace
{
// One "%d" of "%d.%d.%d": blanks, an optional sign, digits. A number that does not fit an int
// counts as unread (sscanf would make it undefined), and so ends the reading like any other.
bool ReadNumber(const char*& cursor, int& number)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(cursor, &end, 10);
    if (end == cursor || errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return false;
    number = static_cast<int>(value);
    cursor = end;
    return true;
}
} // namespace

Version::Version(const wxString& text) : text(text)
{
    SOLVANE_TRACE("[%p]Version::Version(%s)", static_cast<void*>(this), text);
    const wxScopedCharBuffer utf8 = text.utf8_str();
    const char* cursor = utf8.data();
    int* const fields[] = {&major, &minor, &patch};
    for (size_t i = 0; i < 3; ++i)
    {
        // The dot must follow the previous number at once, as in a scanf format.
        if (i > 0 && *cursor++ != '.')
            break;
        if (!ReadNumber(cursor, *fields[i]))
            break;
    }
}

wxString Version::ToString() const
{
    SOLVANE_TRACE("[%p]Version::ToString(void)", static_cast<const void*>(this));
    return text;
}
