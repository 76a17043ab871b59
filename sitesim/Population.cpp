// The generated online population of the simulated site and its churn between requests.
#include "Population.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace sitesim
{
namespace
{
const char* const kFirstWords[] = {
    "Amber",  "Luna",   "Bella",   "Chloe",  "Daisy",  "Ella",    "Faye",  "Gigi",   "Hazel",  "Ivy",
    "Jade",   "Kira",   "Lexi",    "Mia",    "Nina",   "Olive",   "Penny", "Quinn",  "Ruby",   "Sasha",
    "Tara",   "Vera",   "Willow",  "Xena",   "Yara",   "Zoe",     "Aria",  "Bianca", "Candy",  "Dolly",
    "Eva",    "Flora",  "Gina",    "Holly",  "Iris",   "Jolie",   "Kitty", "Lola",   "Maya",   "Nova",
    "Opal",   "Pixie",  "Rosa",    "Sky",    "Tess",   "Vicky",   "Wendy", "Ashley", "Brooke", "Cassie",
    "Dana",   "Emma",   "Fiona",   "Grace",  "Heidi",  "Isla",    "Jenna", "Kayla",  "Lily",   "Misty",
    "Naomi",  "Paige",  "Roxy",    "Sophie", "Tina",   "Valerie", "Zara",  "Carmen", "Dakota", "Erin",
    "Gemma",  "Harper", "Jasmine", "Karina", "Leah",   "Megan",   "Nadia", "Olivia", "Riley",  "Stella",
    "Trixie", "Violet", "Yasmin",  "Alina",  "Bonnie", "Celia",   "Dina",  "Elena",  "Freya",  "Greta"};
const char* const kSecondWords[] = {"Rose",  "Star",  "Moon",   "Sweet", "Angel",  "Fox",   "Kiss",  "Honey",  "Sugar",
                                    "Dream", "Bunny", "Lace",   "Silk",  "Velvet", "Blue",  "Wild",  "Cherry", "Peach",
                                    "Berry", "Sun",   "Night",  "Storm", "Dove",   "Pearl", "Gold",  "Spark",  "Flame",
                                    "Glow",  "Doll",  "Kitten", "Bloom", "Skye",   "Rain",  "Snow",  "Heart",  "Belle",
                                    "Grey",  "Lane",  "Cruz",   "West",  "Stone",  "Vale",  "Bliss", "Jewel"};
const char* const kPrefixes[] = {"Miss", "Lady", "Little", "Sexy", "Sweet", "Hot", "Cute", "Naughty"};

template <size_t N> const char* Pick(Rng& rng, const char* const (&words)[N])
{
    return words[rng.Below(N)];
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string TwoDigits(Rng& rng)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02u", static_cast<unsigned>(rng.Below(100)));
    return digits;
}

void AppendNumber(std::string& out, size_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, static_cast<size_t>(end - digits));
}

// "SET_performers.add(NAME);\n"
void AppendAdd(std::string& out, const char* set, const std::string& name)
{
    out += set;
    out += "_performers.add(";
    out += name;
    out += ");\n";
}
} // namespace

Population::Population(int size, unsigned seed)
    : target(static_cast<size_t>(std::max(0, size))), rng(seed * 0x100000001B3ull + 17),
      nameRng(seed * 0xC2B2AE3D27D4EB4Full + 5)
{
    online.reserve(target);
    for (size_t i = 0; i < target; ++i)
        online.push_back(Arrival(NewName()));
}

std::vector<std::string> Population::GetNames() const
{
    std::vector<std::string> names;
    names.reserve(online.size());
    for (const Performer& p : online)
        names.push_back(p.name);
    return names;
}

// Appends piece by piece into one reserved string: a list of tens of thousands of performers
// renders in milliseconds.
std::string Population::Render() const
{
    std::string out;
    out.reserve(online.size() * 120 + 512);
    out += "// online performers, refreshed by the server on every request\n"
           "var online_performers = new Set();\n"
           "var free_performers = new Set();\n"
           "var busy_performers = new Set();\n"
           "var public_performers = new Set();\n"
           "var private_performers = new Set();\n"
           "\n";
    for (size_t index = 0; index < online.size(); ++index)
    {
        const Performer& p = online[index];
        if (index && index % 100 == 0)
        {
            out += "// -- ";
            AppendNumber(out, index);
            out += " --\n";
        }
        out += p.name;
        out += ".viewers = ";
        AppendNumber(out, static_cast<size_t>(p.viewers));
        out += ";\n";
        if (p.hd)
        {
            out += p.name;
            out += ".hd = true;\n";
        }
        AppendAdd(out, "online", p.name);
        AppendAdd(out, p.show == kFree ? "free" : "busy", p.name);
        if (p.show != kFree)
            AppendAdd(out, p.show == kPublic ? "public" : "private", p.name);
    }
    out += "\nif (typeof onPerformersLoaded == \"function\") onPerformersLoaded(online_performers);\n";
    return out;
}

void Population::Churn()
{
    if (online.empty() && target == 0)
        return;
    const size_t earlierLeavers = away.size();
    Leave(std::min(online.size(), 1 + rng.Below(3) + online.size() / 500));
    Arrive(target > online.size() ? target - online.size() : 0, earlierLeavers);
    if (away.size() > 5000)
        away.erase(away.begin(), away.begin() + 1000);
    const size_t changes = std::min(online.size(), 2 + rng.Below(4) + online.size() / 300);
    for (size_t i = 0; i < changes; ++i)
    {
        Performer& p = online[rng.Below(online.size())];
        p.show = static_cast<Show>((p.show + 1 + rng.Below(2)) % 3);
        p.viewers = DrawViewers(p.show);
    }
    for (size_t i = 0, n = std::min<size_t>(online.size(), 10); i < n; ++i)
    {
        Performer& p = online[rng.Below(online.size())];
        p.viewers = DrawViewers(p.show);
    }
}

// Leavers are marked first and removed in one pass, so a round stays linear in the list's size.
void Population::Leave(size_t count)
{
    std::vector<bool> leaving(online.size());
    for (size_t left = 0; left < count;)
    {
        const size_t at = rng.Below(online.size());
        if (leaving[at])
            continue;
        leaving[at] = true;
        away.push_back(online[at].name);
        ++left;
    }
    size_t kept = 0;
    for (size_t i = 0; i < online.size(); ++i)
        if (!leaving[i] && kept++ != i)
            online[kept - 1] = std::move(online[i]);
    online.resize(kept);
}

// Only performers who left in an earlier round come back, so a round always changes the list.
void Population::Arrive(size_t count, size_t earlierLeavers)
{
    std::vector<std::pair<size_t, Performer>> arrivals;
    for (size_t i = 0; i < count; ++i)
    {
        std::string name;
        if (earlierLeavers && rng.Below(2) == 0)
        {
            const size_t at = rng.Below(earlierLeavers--);
            name = std::move(away[at]);
            away.erase(away.begin() + static_cast<std::ptrdiff_t>(at));
        }
        else
        {
            name = NewName();
        }
        const size_t place = rng.Below(online.size() + 1);
        arrivals.emplace_back(place, Arrival(std::move(name)));
    }
    // The arrivals take their places in one merging pass.
    std::stable_sort(arrivals.begin(), arrivals.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Performer> merged;
    merged.reserve(online.size() + arrivals.size());
    auto next = arrivals.begin();
    for (size_t i = 0; i <= online.size(); ++i)
    {
        for (; next != arrivals.end() && next->first == i; ++next)
            merged.push_back(std::move(next->second));
        if (i < online.size())
            merged.push_back(std::move(online[i]));
    }
    online.swap(merged);
}

std::string Population::NewName()
{
    for (;;)
    {
        const std::string first = Pick(nameRng, kFirstWords), second = Pick(nameRng, kSecondWords);
        std::string name;
        switch (nameRng.Below(9))
        {
        case 0: name = first + "_" + second; break;
        case 1: name = Lower(first) + TwoDigits(nameRng); break;
        case 2: name = first + second; break;
        case 3: name = Lower(second) + "_" + Lower(first); break;
        case 4: name = first + std::to_string(100 + nameRng.Below(900)); break;
        case 5: name = std::string(Pick(nameRng, kPrefixes)) + first; break;
        case 6: name = first + "_" + second + TwoDigits(nameRng); break;
        case 7: name = Lower(first + second); break;
        default: name = Lower(first) + "_" + Lower(second); break;
        }
        // Past a few thousand names the plain forms run out; a suffix keeps them unique.
        if (used.count(name))
            name += "_" + TwoDigits(nameRng);
        if (used.insert(name).second)
            return name;
    }
}

int Population::DrawViewers(Show show)
{
    switch (show)
    {
    case kFree: return static_cast<int>(rng.Below(40));
    case kPublic: return 5 + static_cast<int>(rng.Below(400));
    case kPrivate: return 1 + static_cast<int>(rng.Below(2));
    }
    return 0;
}

Population::Performer Population::Arrival(std::string name)
{
    Performer p;
    p.name = std::move(name);
    const size_t roll = rng.Below(100);
    p.show = roll < 55 ? kFree : roll < 85 ? kPublic : kPrivate;
    p.viewers = DrawViewers(p.show);
    p.hd = rng.Below(4) == 0;
    return p;
}

} // namespace sitesim
