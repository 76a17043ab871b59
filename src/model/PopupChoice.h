// What a person chose for one performer's pop-ups: always, never, or as the settings say.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

enum PopupChoice
{
    CHOICE_AS_SETTINGS,
    CHOICE_ALWAYS,
    CHOICE_NEVER
};

/// The choice for name given the lists of those who always and never pop up, each name followed
/// by a comma. A name in both lists never pops up: "never" is the safer reading of a hand edit.
PopupChoice PopupChoiceFor(const wxString& always, const wxString& never, const wxString& name);

/// list with name once at its end (kept where it was if already there); an empty name changes
/// nothing, and a name holding a comma cannot be kept in such a list, so it changes nothing too.
wxString WithName(const wxString& list, const wxString& name);
/// list without any entry equal to name, the other entries in their order.
wxString WithoutName(const wxString& list, const wxString& name);
/// The entries of such a list, in order, empty ones left out.
wxArrayString NamesOf(const wxString& list);

/// Reads and writes the choice in the settings ("/PopupDialog/always" and "/PopupDialog/never").
/// Any thread; the write flushes, so a choice survives a crash.
PopupChoice ReadPopupChoice(const wxString& name);
void WritePopupChoice(const wxString& name, PopupChoice choice);
