// The completion event of a background download: the body, owned by the event until taken.
//
// Usage:
//   wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
//       EVT_DOWNLOAD_FINISHED(-1, PopupDialog::OnDownloadFinished)
//   wxEND_EVENT_TABLE()
//   void PopupDialog::OnDownloadFinished(DownloadFinishedEvent& event)
//   {
//       if (!event.Succeeded()) ...          // the download failed
//       const std::string body = event.TakeBody();
//       ...
//   }
// A body nobody takes goes with the event. Unlike a command event it does not travel on to
// parent windows: a pop-up's image never reaches the main frame's handler.
#pragma once

#include <wx/event.h>

#include <memory>
#include <string>

class DownloadFinishedEvent : public wxEvent
{
public:
    explicit DownloadFinishedEvent(wxEventType type = wxEVT_NULL, int id = 0);
    DownloadFinishedEvent(const DownloadFinishedEvent& other);
    ~DownloadFinishedEvent() override;

    /// A copy that shares the body instead of copying it: whichever handler takes it first has it.
    wxEvent* Clone() const override;

    /// Marks the download as succeeded, with its body (which may be empty).
    void SetBody(std::string bytes);
    /// False after a failure.
    bool Succeeded() const { return body != nullptr; }
    /// Moves the body out; empty after a failure, and once a copy of the event has taken it.
    std::string TakeBody();
    size_t GetBodyLength() const { return body ? body->size() : 0; }

private:
    // Shared with the event's clones, freed with the last of them.
    std::shared_ptr<std::string> body;
};

wxDECLARE_EVENT(EVT_DOWNLOAD_FINISHED, DownloadFinishedEvent);

typedef void (wxEvtHandler::*DownloadFinishedEventFunction)(DownloadFinishedEvent&);
#define DownloadFinishedEventHandler(func) wxEVENT_HANDLER_CAST(DownloadFinishedEventFunction, func)

#define EVT_DOWNLOAD_FINISHED(id, func) wx__DECLARE_EVT1(EVT_DOWNLOAD_FINISHED, id, DownloadFinishedEventHandler(func))
