// What a person chose for one performer's pop-ups: always, never, or as the settings say.
#include "model/PopupChoice.h"

#include "model/PopupRules.h"
#include "util/Settings.h"
#include "util/SettingsKeys.h"

#include <wx/arrstr.h>
#include <wx/tokenzr.h>

PopupChoice PopupChoiceFor(const wxString& always, const wxString& never, const wxString& name)
{
    if (IsFavoriteName(never, name))
        return CHOICE_NEVER;
    if (IsFavoriteName(always, name))
        return CHOICE_ALWAYS;
    return CHOICE_AS_SETTINGS;
}

wxString WithName(const wxString& list, const wxString& name)
{
    if (name.empty() || name.Contains(",") || IsFavoriteName(list, name))
        return list;
    // A hand-edited list may lack its last comma: the new name must not join the old last one.
    wxString joined = list;
    if (!joined.empty() && !joined.EndsWith(","))
        joined += ",";
    return joined + name + ",";
}

wxString WithoutName(const wxString& list, const wxString& name)
{
    wxString kept;
    for (const wxString& entry : NamesOf(list))
    {
        if (entry != name)
            kept += entry + ",";
    }
    return kept;
}

wxArrayString NamesOf(const wxString& list)
{
    wxArrayString names;
    wxStringTokenizer entries(list, ",", wxTOKEN_STRTOK);
    while (entries.HasMoreTokens())
        names.Add(entries.GetNextToken());
    return names;
}

PopupChoice ReadPopupChoice(const wxString& name)
{
    return PopupChoiceFor(Settings::ReadString(SettingsKeys::kPopupAlways, wxEmptyString),
                          Settings::ReadString(SettingsKeys::kPopupNever, wxEmptyString), name);
}

void WritePopupChoice(const wxString& name, PopupChoice choice)
{
    const wxString always = Settings::ReadString(SettingsKeys::kPopupAlways, wxEmptyString);
    const wxString never = Settings::ReadString(SettingsKeys::kPopupNever, wxEmptyString);
    Settings::WriteString(SettingsKeys::kPopupAlways,
                          choice == CHOICE_ALWAYS ? WithName(always, name) : WithoutName(always, name));
    Settings::WriteString(SettingsKeys::kPopupNever,
                          choice == CHOICE_NEVER ? WithName(never, name) : WithoutName(never, name));
    Settings::Flush();
}
