// One performer as one poll of the site lists it: a name and its status bits.
#pragma once

#include <wx/string.h>

#include <cstdint>
#include <memory>

enum : uint32_t
{
    STATUS_ONLINE = 0x01,
    STATUS_FREE = 0x02,
    STATUS_BUSY = 0x04,
    STATUS_PUBLIC = 0x08,
    STATUS_PRIVATE = 0x10
};

/// A name as users hold it: one object shared by every copy of a user and by every list that
/// knows the performer, on any thread. Never changed once made; nor may it be converted to a
/// narrow string in place (c_str() taken as const char*, mb_str, utf8_str, ToStdString), as
/// the toolkit keeps that conversion inside the string: copy the name first.
using SharedName = std::shared_ptr<const wxString>;

class User
{
public:
    User();
    User(const wxString& name, uint32_t status);
    /// A user that shares the name object (null is the empty name).
    User(SharedName name, uint32_t status);
    virtual ~User() = default;
    User(const User&) = default;
    User& operator=(const User&) = default;

    bool operator==(const User& other) const;
    bool operator!=(const User& other) const;

    const wxString& GetName() const { return *name; }
    /// The name object itself, for a list or a copy that keeps the name without a copy of it.
    const SharedName& ShareName() const { return name; }
    uint32_t GetStatus() const { return status; }
    void SetStatus(uint32_t newStatus) { status = newStatus; }

private:
    SharedName name;
    uint32_t status;
};
