// One performer as one poll of the site lists it: a name and its status bits.
#include "model/User.h"

namespace
{
// Every user without a name shares this one; like every name, it is never changed.
const SharedName& EmptyName()
{
    static const SharedName empty = std::make_shared<const wxString>();
    return empty;
}
} // namespace

User::User() : name(EmptyName()), status(0)
{
}

User::User(const wxString& name_, uint32_t status_) : name(std::make_shared<const wxString>(name_)), status(status_)
{
}

User::User(SharedName name_, uint32_t status_) : name(name_ ? std::move(name_) : EmptyName()), status(status_)
{
}

bool User::operator==(const User& other) const
{
    // The same name object, as lists of successive polls mostly share, needs no comparison.
    return status == other.status && (name == other.name || *name == *other.name);
}

bool User::operator!=(const User& other) const
{
    return !(*this == other);
}
