// One performer as one poll of the site lists it: a name and its status bits.
#pragma once

#include <wx/string.h>

#include <cstdint>

enum : uint32_t
{
    STATUS_ONLINE = 0x01,
    STATUS_FREE = 0x02,
    STATUS_BUSY = 0x04,
    STATUS_PUBLIC = 0x08,
    STATUS_PRIVATE = 0x10
};

class User
{
public:
    User();
    User(const wxString& name, uint32_t status);
    virtual ~User() = default;
    User(const User&) = default;
    User& operator=(const User&) = default;

    bool operator==(const User& other) const;
    bool operator!=(const User& other) const;

    const wxString& GetName() const { return name; }
    uint32_t GetStatus() const { return status; }
    void SetStatus(uint32_t newStatus) { status = newStatus; }

private:
    wxString name;
    uint32_t status;
};
