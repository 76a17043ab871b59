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
    // Only the time's names follow the user's locale: numbers keep the C locale's dot, which the
    // settings file and the site's list are written with. The toolkit leaves the C locale in
    // place, so weekdays would stay English; a locale that the system lacks changes nothing.
    std::setlocale(LC_TIME, "");
}
