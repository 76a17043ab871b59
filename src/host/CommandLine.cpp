// The options the program answers before it opens any window: its version and its usage.
#include "host/CommandLine.h"

#include "history/HistoryStore.h"
#include "host/HistoryCommands.h"

#include <cstring>

namespace
{
void PrintUsage(std::FILE* stream, const char* program)
{
    std::fprintf(stream,
                 "Usage: %s [OPTION]...\n"
                 "Shows who is online on the site and pops up when somebody comes online.\n"
                 "\n"
                 "  --probe      start, print where the names, skin and catalogue come from, then end\n"
                 "  --history-report NAME  print NAME's sessions and usual hours from the history, then end\n"
                 "  --history-export FILE  write every event of the history to FILE as CSV, then end\n"
                 "  --display=D  the X display to use\n"
                 "  --help       show this help and end\n"
                 "  --version    show the version and end\n",
                 program);
}

// Options the toolkit takes out of the list itself; "--display :1" takes its value along.
bool IsToolkitOption(const char* option, bool& takesValue)
{
    static const char* const withValue[] = {"--display",      "--name",       "--class",     "--gdk-debug",
                                            "--gdk-no-debug", "--gtk-module", "--gtk-debug", "--gtk-no-debug"};
    for (const char* known : withValue)
    {
        const size_t length = std::strlen(known);
        if (std::strncmp(option, known, length) == 0 && (option[length] == '\0' || option[length] == '='))
        {
            takesValue = option[length] == '\0';
            return true;
        }
    }
    takesValue = false;
    return std::strcmp(option, "--sync") == 0 || std::strcmp(option, "--g-fatal-warnings") == 0;
}
} // namespace

int AnswerCommandLine(int argc, char** argv, const char* version, std::FILE* out, std::FILE* err)
{
    const char* program = argc > 0 && argv[0] ? std::strrchr(argv[0], '/') : nullptr;
    program = program ? program + 1 : (argc > 0 && argv[0] ? argv[0] : "Solvane");
    for (int i = 1; i < argc; ++i)
    {
        const char* option = argv[i];
        bool takesValue = false;
        if (std::strcmp(option, "--") == 0)
            break;
        if (std::strcmp(option, "--version") == 0)
        {
            std::fprintf(out, "Solvane %s\n", version);
            return 0;
        }
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0)
        {
            PrintUsage(out, program);
            return 0;
        }
        // The history's options read the file beside a running program and need no display.
        for (const char* history : {"--history-report", "--history-export"})
        {
            const size_t length = std::strlen(history);
            if (std::strncmp(option, history, length) != 0 || (option[length] != '\0' && option[length] != '='))
                continue;
            const char* value = option[length] == '=' ? option + length + 1 : i + 1 < argc ? argv[i + 1] : nullptr;
            if (!value || !*value)
            {
                std::fprintf(err, "%s: %s needs a value\n", program, history);
                return 2;
            }
            const wxString text = wxString::FromUTF8(value);
            return std::strcmp(history, "--history-report") == 0
                       ? AnswerHistoryReport(HistoryStore::DefaultPath(), text, out, err)
                       : AnswerHistoryExport(HistoryStore::DefaultPath(), text, err);
        }
        if (std::strcmp(option, "--probe") == 0 || IsToolkitOption(option, takesValue))
        {
            i += takesValue ? 1 : 0;
            continue;
        }
        std::fprintf(err, "%s: unknown option '%s'\n", program, option);
        PrintUsage(err, program);
        return 2;
    }
    return -1;
}
