// The search field's test of a performer's name: contains the text, whatever the letters' case.
#include "model/NameFilter.h"

#include "util/Trace.h"

#include <algorithm>

namespace
{
// Names are mostly ASCII: those letters are lowered without asking the locale.
wxUniChar LowerChar(wxUniChar c)
{
    if (c.IsAscii())
    {
        const char ascii = static_cast<char>(c);
        return ascii >= 'A' && ascii <= 'Z' ? wxUniChar(ascii - 'A' + 'a') : c;
    }
    return wxUniChar(wxTolower(c));
}
} // namespace

NameFilter::NameFilter(const wxString& text_) : text(text_)
{
    SOLVANE_TRACE("[%p]NameFilter::NameFilter(%s)", static_cast<void*>(this), text_);
    for (const wxUniChar c : text_)
        needle += LowerChar(c);
}

bool NameFilter::Matches(const wxString& name) const
{
    // Called for every performer, several times a keystroke: no trace here, and no lower-case copy
    // of the name.
    return needle.empty() || std::search(name.begin(), name.end(), needle.begin(), needle.end(), [](wxUniChar a, wxUniChar b) {
                                 return LowerChar(a) == b;
                             }) != name.end();
}
