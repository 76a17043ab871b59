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

    /// A longer name is no performer's: its statement and the category lines after it are
    /// skipped, so that a hostile list costs no more than a plain one of its length.
    static constexpr size_t kMaxNameBytes = 64;
    /// A list of more performers than this is refused whole.
    static constexpr size_t kMaxPerformers = 100000;

    PerformerListParser();
    PerformerListParser(const PerformerListParser&) = delete;
    PerformerListParser& operator=(const PerformerListParser&) = delete;

    /// Replaces users with the performers of data, every line examined (LF, CR or CR LF ends,
    /// the last line with or without one); false when the pause hook abandoned the parse or the
    /// list holds more than kMaxPerformers performers (users are then left empty). A performer
    /// that users held before keeps the name object it had there: given the last refresh's list,
    /// a name seen in both is kept once.
    bool Parse(const std::string& data, UserList& users, const PauseHook& pause = PauseHook());
    /// Whether the last Parse failed for holding too many performers.
    bool HadTooManyPerformers() const { return tooManyPerformers; }

    /// The status bits after one category word; a word outside the table changes nothing.
    static uint32_t ApplyCategory(uint32_t bits, const wxString& word);

private:
    bool tooManyPerformers = false;
};
