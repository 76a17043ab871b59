// Fills a history file for the tests that start the real program on a long history.
// usage: history_fill PATH EVENTS NAMES NEWEST_TIME
#include "HistoryFill.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 5)
    {
        std::fprintf(stderr, "usage: history_fill PATH EVENTS NAMES NEWEST_TIME\n");
        return 2;
    }
    return FillHistory(argv[1], std::atoll(argv[2]), std::atoll(argv[3]), std::atoll(argv[4])) ? 0 : 1;
}
