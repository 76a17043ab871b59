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
    bool refill = false;
    for (const auto& group : viewModel->GetGroups())
    {
        const std::vector<void*> leaving = group->users.SetFilter(filter);
        if (leaving.size() > kFewRows)
        {
            // Many leave: the view is told once, after, by reading the groups anew.
            viewModel->RemoveRows(*group, leaving);
            refill = true;
            continue;
        }
        for (void* row : leaving)
        {
            const auto at = std::find(group->rows.begin(), group->rows.end(), row);
            if (at != group->rows.end())
                viewModel->RemoveRow(*group, static_cast<size_t>(at - group->rows.begin()), false);
        }
    }
    if (refill)
        Refill();
    ShowWaiting(kUsersPerSlice);
    if (const wxDataViewItem group = GroupOf(selected); group.IsOk())
    {
        // Waiting for a later slice: she comes back out of turn, selected again.
        UserListModel& model = GetModel(group);
        if (model.TakeNow(selected))
            viewModel->InsertRow(*viewModel->GroupOf(group), model.ShownIndex(selected), selected, false);
        if (GetSelectedName() != selected)
            SelectName(selected);
    }
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
    // The one column fills the width, as a tree's rows do.
    const int width = GetClientSize().x;
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
