// The completion event of a background download: the body, or what the download's thread made of
// it, owned by the event until taken.
//
// Usage:
//   wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
//       EVT_DOWNLOAD_FINISHED(-1, PopupDialog::OnDownloadFinished)
//   wxEND_EVENT_TABLE()
//   void PopupDialog::OnDownloadFinished(DownloadFinishedEvent& event)
//   {
//       if (!event.Succeeded()) ...          // the download failed
//       const std::string body = event.TakeBody();
//       // or, for a download that worked on its body (a decoded picture):
//       const wxImage picture = event.TakeResult<wxImage>().value_or(wxImage());
//       ...
//   }
// A body nobody takes goes with the event. Unlike a command event it does not travel on to
// parent windows: a pop-up's image never reaches the main frame's handler.
#pragma once

#include <wx/event.h>

#include <any>
#include <memory>
#include <optional>
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

    /// What the download's thread made of the body; set with the body, which it used up.
    void SetResult(std::any value);
    /// Moves the result out when it is a T; none after a failure, for another type, and once a copy
    /// of the event has taken it.
    template <typename T> std::optional<T> TakeResult()
    {
        T* value = result ? std::any_cast<T>(result.get()) : nullptr;
        if (!value)
            return std::nullopt;
        std::optional<T> taken(std::move(*value));
        result->reset();
        return taken;
    }

private:
    // Shared with the event's clones, freed with the last of them.
    std::shared_ptr<std::string> body;
    std::shared_ptr<std::any> result;
};

wxDECLARE_EVENT(EVT_DOWNLOAD_FINISHED, DownloadFinishedEvent);

typedef void (wxEvtHandler::*DownloadFinishedEventFunction)(DownloadFinishedEvent&);
#define DownloadFinishedEventHandler(func) wxEVENT_HANDLER_CAST(DownloadFinishedEventFunction, func)

#define EVT_DOWNLOAD_FINISHED(id, func) wx__DECLARE_EVT1(EVT_DOWNLOAD_FINISHED, id, DownloadFinishedEventHandler(func))
