// Shows a performer's card on days of simulated history and stays up until closed: for looking at
// the card and for the README's picture (docs/card-screenshot.sh). The texts come from the
// catalogues beside the host, in the environment's language.
// usage: performer_card_show BIN_DIR [NAME [DAYS]]
#include "ui/PerformerCard.h"
#include "util/Translations.h"

#include "HistoryWeek.h"
#include "TestFiles.h"

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/sstream.h>

#include <cstdlib>
#include <memory>

class CardShowApp : public wxApp
{
public:
    bool OnInit() override
    {
        if (argc < 2)
            return false;
        SetUpTranslations(argv[1]);
        nothing = std::make_unique<wxStringInputStream>(wxEmptyString);
        delete wxConfigBase::Set(new wxFileConfig(*nothing));
        const wxString name = argc > 2 ? argv[2] : wxString("Alice_Moon");
        const int days = argc > 3 ? std::atoi(argv[3]) : 14;
        const long long now = static_cast<long long>(std::time(nullptr));
        // Away yesterday and six days ago, so that the chart has shades between none and every day.
        if (!FillWeek(scratch.path + "/history.sqlite", now, days, {1, 6}) ||
            store.Open(scratch.path + "/history.sqlite") == HistoryStore::OpenResult::Failed)
            return false;
        PerformerCard* card = ShowPerformerCard(nullptr, name, &store);
        card->SetPosition(wxPoint(20, 20));
        return true;
    }

private:
    ScratchFolder scratch;
    HistoryStore store;
    std::unique_ptr<wxStringInputStream> nothing;
};

wxIMPLEMENT_APP(CardShowApp);
