// A version number as the update service knows it ("1.3.0"), and the module's own version.
#pragma once

#include <wx/string.h>

class Version
{
public:
    /// Keeps the text and reads "major.minor.patch" from it; numbers that can not be read are 0.
    explicit Version(const wxString& text);

    wxString ToString() const;
    int GetMajor() const { return major; }
    int GetMinor() const { return minor; }
    int GetPatch() const { return patch; }

private:
    wxString text;
    int major = 0;
    int minor = 0;
    int patch = 0;
};

/// The version of this module, sent to the update service.
extern const Version CurrentVersion;
