// The program's catalogues and the toolkit's, chosen by the user's language.
#pragma once

#include <wx/string.h>

/// Installs the translations for the environment's language: the toolkit's own catalogue
/// (its stock labels: Yes, No, OK, Cancel), "Solvane" from folder/LANG/LC_MESSAGES, GTK's texts
/// and the system's names of the weekdays. A missing catalogue or locale leaves the English.
void SetUpTranslations(const wxString& folder);
