// The completion event of a background download: the body or what was made of it, owned by the
// event until taken.
#include "net/DownloadFinishedEvent.h"

#include "util/Trace.h"

// Braces, not the toolkit's definition macro: the name followed by "(" would expand as the
// event-table macro of the same name.
const wxEventTypeTag<DownloadFinishedEvent> EVT_DOWNLOAD_FINISHED{wxNewEventType()};

DownloadFinishedEvent::DownloadFinishedEvent(wxEventType type, int id) : wxEvent(id, type)
{
    SOLVANE_TRACE("[%p]DownloadFinishedEvent::DownloadFinishedEvent(%d, %d)", static_cast<void*>(this), type, id);
}

DownloadFinishedEvent::DownloadFinishedEvent(const DownloadFinishedEvent& other)
    : wxEvent(other), body(other.body), result(other.result)
{
    SOLVANE_TRACE("[%p]DownloadFinishedEvent::DownloadFinishedEvent(%p)", static_cast<void*>(this),
                  static_cast<const void*>(&other));
}

DownloadFinishedEvent::~DownloadFinishedEvent()
{
    SOLVANE_TRACE("[%p]DownloadFinishedEvent::~DownloadFinishedEvent(void)", static_cast<void*>(this));
}

wxEvent* DownloadFinishedEvent::Clone() const
{
    SOLVANE_TRACE("[%p]DownloadFinishedEvent::Clone(void)", static_cast<const void*>(this));
    return new DownloadFinishedEvent(*this);
}

void DownloadFinishedEvent::SetBody(std::string bytes)
{
    body = std::make_shared<std::string>(std::move(bytes));
}

void DownloadFinishedEvent::SetResult(std::any value)
{
    result = std::make_shared<std::any>(std::move(value));
}

std::string DownloadFinishedEvent::TakeBody()
{
    return body ? std::move(*body) : std::string();
}
