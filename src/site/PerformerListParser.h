// Reads the site's list of online performers, a JavaScript file, into users with status bits.
#pragma once

#include "model/UserList.h"

#include <wx/regex.h>

#include <cstdint>
#include <functional>
#include <string>

class PerformerListParser
{
public:
    /// Called after each performer is added to the list; returning false abandons the parse.
    using PauseHook = std::function<bool()>;

    PerformerListParser();
    PerformerListParser(const PerformerListParser&) = delete;
    PerformerListParser& operator=(const PerformerListParser&) = delete;

    /// Replaces users with the performers of data, every line examined (LF, CR or CR LF ends,
    /// the last line with or without one); false when the pause hook abandoned the parse.
    bool Parse(const std::string& data, UserList& users, const PauseHook& pause = PauseHook());

    /// The status bits after one category word; a word outside the table changes nothing.
    static uint32_t ApplyCategory(uint32_t bits, const wxString& word);

private:
    wxRegEx viewersPattern;
    wxRegEx categoryPattern;
};
