// The user trees' name filter, and the users it lets back in, a slice an idle turn.
#include "ui/UserListTreeCtrl.h"

#include "ui/UserListViewModel.h"
#include "util/Trace.h"

#include <algorithm>

void UserListTreeCtrl::SetFilter(const NameFilter& filter)
{
    SOLVANE_TRACE("[%p]UserListTreeCtrl::SetFilter(%s)", static_cast<void*>(this), filter.GetText());
    nameFilter = filter;
    // The selected performer stays selected, and is selected again when a filter that hid her is
    // cleared.
    if (const wxString selectedNow = GetSelectedName(); !selectedNow.empty())
        keptSelection = selectedNow;
    const wxString selected = keptSelection;
    for (const auto& group : viewModel->GetGroups())
    {
        group->users.SetFilter(filter);
        // Those who stay keep their order; the first slice of those let back in joins them.
        group->users.TakeWaiting(kUsersPerSlice);
    }
    // Waiting for a later slice: she comes back out of turn, selected again.
    if (const wxDataViewItem group = GroupOf(selected); group.IsOk())
        GetModel(group).TakeNow(selected);
    viewModel->ResetRows();
    if (GetSelectedName() != selected)
        SelectName(selected);
    OnFilterChanged();
}

void UserListTreeCtrl::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (GetWaitingCount() == 0)
        return;
    ShowWaiting(SliceSize());
    OnSliceShown();
    // The next slice after the toolkit has had its turn.
    if (GetWaitingCount() > 0)
        event.RequestMore();
}

void UserListTreeCtrl::OnSize(wxSizeEvent& event)
{
    event.Skip();
    // The name's column fills the width beside the status word, as a tree's rows do.
    const int width = GetClientSize().x - statusColumn->GetWidth();
    if (width > 0)
        column->SetWidth(width);
}

void UserListTreeCtrl::OnMotion(wxMouseEvent& event)
{
    event.Skip();
    wxDataViewItem item;
    wxDataViewColumn* at = nullptr;
    HitTest(event.GetPosition(), item, at);
    if (item == tipItem)
        return;
    tipItem = item;
    const wxString tip = ToolTipFor(item);
    if (tip.empty())
        UnsetToolTip();
    else
        SetToolTip(tip);
}
