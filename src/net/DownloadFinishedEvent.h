// The completion event of a background download: the body in a heap buffer, and its length.
//
// Usage:
//   wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
//       EVT_DOWNLOAD_FINISHED(-1, PopupDialog::OnDownloadFinished)
//   wxEND_EVENT_TABLE()
//   void PopupDialog::OnDownloadFinished(DownloadFinishedEvent& event)
//   {
//       void* body = event.GetClientData();   // null: the download failed
//       const int length = event.GetInt();    // 0 for a failure and for an empty body
//       ...
//       ::operator delete(body);              // the handler's to free
//   }
// Unlike a command event it does not travel on to parent windows: a pop-up's image never
// reaches the main frame's handler.
#pragma once

#include <wx/event.h>

class DownloadFinishedEvent : public wxEvent
{
public:
    explicit DownloadFinishedEvent(wxEventType type = wxEVT_NULL, int id = 0);
    DownloadFinishedEvent(const DownloadFinishedEvent& other);
    ~DownloadFinishedEvent() override;

    /// A copy pointing to the same buffer: only one of them may be handled.
    wxEvent* Clone() const override;

    /// The body, allocated with the global operator new; null after a failure.
    void* GetClientData() const { return clientData; }
    void SetClientData(void* data) { clientData = data; }
    /// The body's length in bytes.
    int GetInt() const { return length; }
    void SetInt(int bytes) { length = bytes; }

private:
    void* clientData = nullptr;
    int length = 0;
};

wxDECLARE_EVENT(EVT_DOWNLOAD_FINISHED, DownloadFinishedEvent);

typedef void (wxEvtHandler::*DownloadFinishedEventFunction)(DownloadFinishedEvent&);
#define DownloadFinishedEventHandler(func) wxEVENT_HANDLER_CAST(DownloadFinishedEventFunction, func)

#define EVT_DOWNLOAD_FINISHED(id, func) wx__DECLARE_EVT1(EVT_DOWNLOAD_FINISHED, id, DownloadFinishedEventHandler(func))
