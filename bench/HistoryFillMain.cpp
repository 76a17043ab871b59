// Fills a history file for the tests that start the real program on a long history, or with days
// of simulated runs for a look at the performer's card.
// usage: history_fill PATH EVENTS NAMES NEWEST_TIME
//        history_fill PATH --days DAYS
#include "HistoryFill.h"
#include "HistoryWeek.h"

#include <wx/fileconf.h>
#include <wx/sstream.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[2]) == "--days")
    {
        // The recorder reads the days kept from the settings: the defaults, from none.
        wxStringInputStream nothing(wxEmptyString);
        delete wxConfigBase::Set(new wxFileConfig(nothing));
        return FillWeek(argv[1], static_cast<long long>(std::time(nullptr)), std::atoi(argv[3])) ? 0 : 1;
    }
    if (argc != 5)
    {
        std::fprintf(stderr, "usage: history_fill PATH EVENTS NAMES NEWEST_TIME\n"
                             "       history_fill PATH --days DAYS\n");
        return 2;
    }
    return FillHistory(argv[1], std::atoll(argv[2]), std::atoll(argv[3]), std::atoll(argv[4])) ? 0 : 1;
}
