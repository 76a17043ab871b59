// Names made safe for the path and query of a site address.
#pragma once

#include <wx/string.h>

/// name unchanged when it holds only ASCII letters, digits and underscores (every name the
/// performer list can produce); otherwise each other byte of its UTF-8 form as "%XX".
wxString PercentEncodeName(const wxString& name);
