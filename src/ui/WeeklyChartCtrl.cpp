// The card's "Usually online" chart of weekdays by hours.
#include "ui/WeeklyChartCtrl.h"

#include "ui/NativeView.h"
#include "util/Trace.h"

#include <wx/dcclient.h>
#include <wx/graphics.h>
#include <wx/intl.h>
#include <wx/settings.h>

#include <algorithm>
#include <memory>

namespace
{
// A colour between from and to, at share of the way (0 to 1).
wxColour Mix(const wxColour& from, const wxColour& to, double share)
{
    const auto mix = [share](unsigned char a, unsigned char b) {
        return static_cast<unsigned char>(a + (b - a) * share + 0.5);
    };
    return wxColour(mix(from.Red(), to.Red()), mix(from.Green(), to.Green()), mix(from.Blue(), to.Blue()));
}
} // namespace

WeeklyChartCtrl::WeeklyChartCtrl(wxWindow* parent, wxWindowID id)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS)
{
    SOLVANE_TRACE("[%p]WeeklyChartCtrl::WeeklyChartCtrl(%p)", static_cast<void*>(this), static_cast<void*>(parent));
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &WeeklyChartCtrl::OnPaint, this);
    Bind(wxEVT_SET_FOCUS, &WeeklyChartCtrl::OnFocus, this);
    Bind(wxEVT_KILL_FOCUS, &WeeklyChartCtrl::OnFocus, this);
}

void WeeklyChartCtrl::SetChart(const WeeklyChart& chart_, int nowDay_, int nowHour_)
{
    SOLVANE_TRACE("[%p]WeeklyChartCtrl::SetChart(%d, %d)", static_cast<void*>(this), nowDay_, nowHour_);
    chart = chart_;
    nowDay = nowDay_;
    nowHour = nowHour_;
    const wxString words = DescribeUsualHours(chart);
    SetAccessibleName(this, _("Usually online"));
    SetAccessibleDescription(this, words);
    SetToolTip(words);
    Refresh();
}

int WeeklyChartCtrl::LabelWidth() const
{
    int widest = 0;
    for (int day = 0; day < WeeklyChart::kDays; ++day)
        widest = std::max(widest, GetTextExtent(WeekdayName(day)).x);
    return widest + FromDIP(6);
}

int WeeklyChartCtrl::HeaderHeight() const
{
    return GetCharHeight() + FromDIP(2);
}

wxRect WeeklyChartCtrl::GetCellRect(int day, int hour) const
{
    const int cell = CellSize();
    return wxRect(LabelWidth() + hour * cell, HeaderHeight() + day * cell, cell, cell);
}

wxSize WeeklyChartCtrl::DoGetBestClientSize() const
{
    const wxRect last = GetCellRect(WeeklyChart::kDays - 1, WeeklyChart::kHours - 1);
    return wxSize(last.GetRight() + FromDIP(3), last.GetBottom() + FromDIP(3));
}

void WeeklyChartCtrl::OnFocus(wxFocusEvent& event)
{
    Refresh();
    event.Skip();
}

void WeeklyChartCtrl::OnPaint(wxPaintEvent& WXUNUSED(event))
{
    wxPaintDC dc(this);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (!gc)
        return;
    const wxColour background = GetBackgroundColour();
    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    const wxColour full = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const wxColour empty = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    const wxColour grid = Mix(empty, text, 0.25);
    gc->SetBrush(wxBrush(background));
    gc->SetPen(*wxTRANSPARENT_PEN);
    const wxSize size = GetClientSize();
    gc->DrawRectangle(0, 0, size.x, size.y);

    // The hours every third one across the top, the weekdays down the left.
    gc->SetFont(GetFont(), text);
    for (int hour = 0; hour < WeeklyChart::kHours; hour += 3)
    {
        const wxRect cell = GetCellRect(0, hour);
        gc->DrawText(wxString::Format("%02d", hour), cell.x, 0);
    }
    for (int day = 0; day < WeeklyChart::kDays; ++day)
    {
        const wxRect cell = GetCellRect(day, 0);
        double width = 0, height = 0;
        gc->GetTextExtent(WeekdayName(day), &width, &height);
        gc->DrawText(WeekdayName(day), 0, cell.y + (cell.height - height) / 2);
    }

    // Each cell shaded from the window's colour (never online) to the highlight (every day); an
    // hour never watched is left blank with a dashed outline, so that it does not read as "never".
    for (int day = 0; day < WeeklyChart::kDays; ++day)
    {
        for (int hour = 0; hour < WeeklyChart::kHours; ++hour)
        {
            const wxRect cell = GetCellRect(day, hour);
            const double share = chart.Share(day, hour);
            gc->SetBrush(share < 0 ? wxBrush(background) : wxBrush(Mix(empty, full, share)));
            gc->SetPen(wxPen(grid, FromDIP(1), share < 0 ? wxPENSTYLE_DOT : wxPENSTYLE_SOLID));
            gc->DrawRectangle(cell.x + 0.5, cell.y + 0.5, cell.width - 1, cell.height - 1);
        }
    }
    if (nowDay >= 0 && nowHour >= 0)
    {
        const wxRect cell = GetCellRect(nowDay, nowHour);
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->SetPen(wxPen(text, FromDIP(2)));
        gc->DrawRectangle(cell.x + 1, cell.y + 1, cell.width - 2, cell.height - 2);
    }
    if (HasFocus())
    {
        const wxRect first = GetCellRect(0, 0), last = GetCellRect(WeeklyChart::kDays - 1, WeeklyChart::kHours - 1);
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->SetPen(wxPen(text, 1, wxPENSTYLE_DOT));
        gc->DrawRectangle(first.x - 2, first.y - 2, last.GetRight() - first.x + 4, last.GetBottom() - first.y + 4);
    }
}
