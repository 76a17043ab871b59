// The search field's test of a performer's name: contains the text, whatever the letters' case.
#pragma once

#include <wx/string.h>

class NameFilter
{
public:
    NameFilter() = default;
    explicit NameFilter(const wxString& text);

    /// True when there is no text, so that every name passes.
    bool IsEmpty() const { return needle.empty(); }
    bool Matches(const wxString& name) const;
    const wxString& GetText() const { return text; }

private:
    wxString text;
    wxString needle; // lower case
};
