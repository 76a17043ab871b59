// The search field's test of a performer's name: contains the text, whatever the letters' case.
#include "model/NameFilter.h"

#include "util/Trace.h"

NameFilter::NameFilter(const wxString& text_) : text(text_), needle(text_.Lower())
{
    SOLVANE_TRACE("[%p]NameFilter::NameFilter(%s)", static_cast<void*>(this), text_);
}

bool NameFilter::Matches(const wxString& name) const
{
    // Called for every performer on every keystroke: no trace here.
    return needle.empty() || name.Lower().find(needle) != wxString::npos;
}
