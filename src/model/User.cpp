// One performer as one poll of the site lists it: a name and its status bits.
#include "model/User.h"

User::User() : status(0)
{
}

User::User(const wxString& name_, uint32_t status_) : name(name_), status(status_)
{
}

bool User::operator==(const User& other) const
{
    return name == other.name && status == other.status;
}

bool User::operator!=(const User& other) const
{
    return !(*this == other);
}
