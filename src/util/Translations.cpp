// The program's catalogues and the toolkit's, chosen by the user's language.
#include "util/Translations.h"

#include "util/Trace.h"

#include <wx/log.h>
#include <wx/translation.h>

#include <clocale>

void SetUpTranslations(const wxString& folder)
{
    SOLVANE_TRACE("[static]SetUpTranslations(%s)", folder);
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(folder);
    translations->SetLanguage(wxLANGUAGE_DEFAULT);
    {
        wxLogNull quiet; // no catalogue for the language is normal: the English texts stand
        // The toolkit's catalogue comes from the system's folders (Debian's wx3.2-i18n); without
        // it the buttons of its boxes stay English, which is no fault to report.
        translations->AddStdCatalog();
        translations->AddCatalog("Solvane");
    }
    // The toolkit leaves the C locale in place. The weekdays' names follow the user's locale, and
    // so do GTK's own texts: the buttons of the toolkit's boxes are GTK's stock items (Yes, No),
    // translated by GTK's catalogue. Numbers keep the C locale's dot, which the settings file
    // and the site's list are written with. A locale that the system lacks changes nothing.
    std::setlocale(LC_TIME, "");
    std::setlocale(LC_MESSAGES, "");
}
