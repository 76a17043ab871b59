// A performer's card: status, last times, the week's sessions and the hours usually online.
#include "ui/PerformerCard.h"

#include "history/HistoryReport.h"
#include "model/UserGroups.h"
#include "site/SiteAddress.h"
#include "ui/MainFrame.h"
#include "ui/WeeklyChartCtrl.h"
#include "util/Trace.h"
#include "util/Util.h"

#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/datetime.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <ctime>

namespace
{
const long long kSecondsADay = 24 * 60 * 60;
const int kSessionDays = 7;

// "Mon 12-07 21:30": the weekday and the date, which a week's list needs both of.
wxString When(long long time)
{
    return WeekdayName(WeeklyChart::DayAndHour(time).first) + " " +
           wxDateTime(static_cast<time_t>(time)).Format("%m-%d %H:%M");
}

wxString LastTime(const wxString& label, long long time, long long now)
{
    if (time == 0)
        return wxString::Format(label, _("never in the history"));
    const long long minutes = std::max(0LL, now - time) / 60;
    const wxString ago = minutes < 60        ? wxString::Format(_("%d min ago"), static_cast<int>(minutes))
                         : minutes < 48 * 60 ? wxString::Format(_("%d h ago"), static_cast<int>(minutes / 60))
                                             : wxString::Format(_("%d days ago"), static_cast<int>(minutes / 1440));
    return wxString::Format(label, When(time) + " (" + ago + ")");
}
} // namespace

PerformerCard::PerformerCard(wxWindow* parent, const wxString& name_, HistoryStore* store, long long now)
    : wxDialog(parent, wxID_ANY, wxString::Format(_("%s - Details"), name_), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      name(name_)
{
    SOLVANE_TRACE("[%p]PerformerCard::PerformerCard(%s)", static_cast<void*>(this), name_);
    HistoryStore::NameHistory history;
    const bool known = store && store->ReadNameHistory(name, history);
    const PerformerSummary summary = SummariseHistory(history.events, history.runs, history.currentRunStart);

    wxString statusText;
    if (!store || !store->IsOpen())
        statusText = _("No history is kept in this run.");
    else if (!known)
        statusText = _("The history has no events of this performer.");
    else if (!summary.onlineNow)
        statusText = _("Offline now");
    else if (IconForStatus(summary.statusNow) == StatusIcon::Busy)
        statusText = _("Online now, busy");
    else if (IconForStatus(summary.statusNow) == StatusIcon::Free)
        statusText = _("Online now, free");
    else
        statusText = _("Online now");
    status = new wxStaticText(this, wxID_ANY, statusText);
    status->SetFont(status->GetFont().Bold());
    lastSeen = new wxStaticText(this, wxID_ANY,
                                LastTime(_("Last online: %s"), summary.lastOnline, now) + "\n" +
                                    LastTime(_("Last free: %s"), summary.lastFree, now) + "\n" +
                                    LastTime(_("Last busy: %s"), summary.lastBusy, now));

    sessions = new wxDataViewListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(-1, 150)),
                                      wxDV_SINGLE | wxDV_ROW_LINES);
    sessions->AppendTextColumn(_("From"), wxDATAVIEW_CELL_INERT, FromDIP(130));
    sessions->AppendTextColumn(_("Until"), wxDATAVIEW_CELL_INERT, FromDIP(170));
    sessions->AppendTextColumn(_("Length"), wxDATAVIEW_CELL_INERT, FromDIP(90));
    // Newest first: the week's last sessions are what a reader looks for.
    for (size_t i = summary.sessions.size(); i-- > 0;)
    {
        const HistorySession& session = summary.sessions[i];
        if (session.end < now - kSessionDays * kSecondsADay)
            break;
        const bool going = session.open && i + 1 == summary.sessions.size() && summary.onlineNow;
        const wxString end = going          ? wxString(_("online now"))
                             : session.open ? wxString::Format(_("%s (the program ended)"), When(session.end))
                                            : When(session.end);
        wxVector<wxVariant> row;
        row.push_back(When(session.start));
        row.push_back(end);
        row.push_back(Length(session.end - session.start));
        sessions->AppendItem(row);
    }

    wxString days;
    for (const auto& [midnight, seconds] : SecondsOnlinePerDay(summary.sessions, now, kSessionDays))
        days += (days.empty() ? "" : "   ") + WeekdayName(WeeklyChart::DayAndHour(midnight).first) + " " +
                wxString::Format("%.1f", seconds / 3600.0);
    perDay = new wxStaticText(this, wxID_ANY, wxString::Format(_("Hours online per day: %s"), days));

    chart = new WeeklyChartCtrl(this, wxID_ANY);
    const auto [day, hour] = WeeklyChart::DayAndHour(now);
    chart->SetChart(MakeWeeklyChart(summary.sessions, WatchedSpans(history)), day, hour);
    usual = new wxStaticText(this, wxID_ANY, DescribeUsualHours(chart->GetChart()));
    DoLayout();
    Bind(wxEVT_BUTTON, &PerformerCard::OnClose, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Destroy(); });
}

void PerformerCard::DoLayout()
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const int gap = FromDIP(6);
    sizer->Add(status, 0, wxLEFT | wxRIGHT | wxTOP, gap);
    sizer->Add(lastSeen, 0, wxLEFT | wxRIGHT | wxTOP, gap);
    sizer->Add(new wxStaticText(this, wxID_ANY, _("Sessions of the last 7 days")), 0, wxLEFT | wxRIGHT | wxTOP, gap);
    sizer->Add(sessions, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    sizer->Add(perDay, 0, wxLEFT | wxRIGHT | wxTOP, gap);
    sizer->Add(new wxStaticText(this, wxID_ANY, _("Usually online")), 0, wxLEFT | wxRIGHT | wxTOP, gap);
    sizer->Add(chart, 0, wxLEFT | wxRIGHT | wxTOP, gap);
    sizer->Add(usual, 0, wxLEFT | wxRIGHT | wxTOP, gap);
    auto* buttons = new wxStdDialogButtonSizer();
    auto* close = new wxButton(this, wxID_CANCEL, _("&Close"));
    buttons->AddButton(close);
    buttons->Realize();
    sizer->Add(buttons, 0, wxEXPAND | wxALL, gap);
    SetSizerAndFit(sizer);
    close->SetDefault();
}

void PerformerCard::OnClose(wxCommandEvent& WXUNUSED(event))
{
    SOLVANE_TRACE("[%p]PerformerCard::OnClose(void)", static_cast<void*>(this));
    // A card is not modal: it goes when closed rather than wait hidden for its parent's end.
    Destroy();
}

wxString PerformerCard::Length(long long seconds)
{
    const long long minutes = (seconds + 30) / 60;
    if (minutes < 60)
        return wxString::Format(_("%d min"), static_cast<int>(minutes));
    return wxString::Format(_("%d h %02d min"), static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
}

PerformerCard* ShowPerformerCard(wxWindow* parent, const wxString& name, HistoryStore* store)
{
    SOLVANE_TRACE("ShowPerformerCard(%s)", name);
    auto* card = new PerformerCard(parent, name, store, static_cast<long long>(std::time(nullptr)));
    card->Show();
    return card;
}

PerformerCard* ShowPerformerCard(wxWindow* parent, const wxString& name)
{
    auto* frame = dynamic_cast<MainFrame*>(wxGetTopLevelParent(parent));
    return ShowPerformerCard(parent, name, frame ? frame->GetHistoryStore() : nullptr);
}

void OpenPerformer(wxWindow* parent, const wxString& name, HistoryStore* store, bool details)
{
    if (details)
        ShowPerformerCard(parent, name, store);
    else
        Util::LaunchBrowser(SiteAddress::PerformerPage(name));
}
