// The card's "Usually online" chart: seven rows of weekdays by 24 hours, each cell shaded by the
// share of the watched days on which the performer was online in that hour, the hour now marked.
// Drawn with the toolkit's graphics context, so that it stays sharp at any scale; a screen reader
// gets the usual hours in words as its description.
#pragma once

#include "history/HistorySessions.h"

#include <wx/window.h>

class WeeklyChartCtrl : public wxWindow
{
public:
    WeeklyChartCtrl(wxWindow* parent, wxWindowID id);

    /// The chart to show, and the weekday (Monday 0) and hour to mark as now; -1 for none.
    void SetChart(const WeeklyChart& chart, int nowDay, int nowHour);
    const WeeklyChart& GetChart() const { return chart; }
    /// The cell of a weekday's hour, in client co-ordinates.
    wxRect GetCellRect(int day, int hour) const;

    bool AcceptsFocusFromKeyboard() const override { return true; }

protected:
    wxSize DoGetBestClientSize() const override;

private:
    void OnPaint(wxPaintEvent& event);
    void OnFocus(wxFocusEvent& event);
    /// The widths of the weekdays' column and of a cell, and the height of the hours' row.
    int LabelWidth() const;
    int CellSize() const { return FromDIP(16); }
    int HeaderHeight() const;

    WeeklyChart chart;
    int nowDay = -1;
    int nowHour = -1;
};
