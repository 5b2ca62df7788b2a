#include "catalogue/Catalogue.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace fendix::catalogue {

namespace {

constexpr unsigned ListedAttributes = platform::faReadOnly | platform::faArchive;

bool StartsWithVrac(std::string_view name) noexcept
{
    return platform::SameIgnoringCase(name.substr(0, 4), "VRAC");
}

// The sort key of a name: the number in the two characters at a 1-based position.
std::uint8_t KeyOf(std::string_view name, std::size_t digitPosition) noexcept
{
    const std::size_t from = digitPosition == 0 ? 0 : digitPosition - 1;
    if (from >= name.size())
        return 0;
    return static_cast<std::uint8_t>(NumberIn(name.substr(from, 2)));
}

void SetRangeSelection(Catalogue& catalogue, TFileGroup group, bool selected)
{
    const std::size_t end = catalogue.GroupEnd(group);
    for (std::size_t i = catalogue.GroupBegin(group); i < end; ++i)
        catalogue.items[i].selected = selected;
}

} // namespace

std::size_t Catalogue::GroupBegin(TFileGroup group) const noexcept
{
    switch (group) {
    case fgAsc:
        return 0;
    case fgVrac:
        return AscCount;
    default:
        return AscVracCount;
    }
}

std::size_t Catalogue::GroupEnd(TFileGroup group) const noexcept
{
    switch (group) {
    case fgAsc:
        return AscCount;
    case fgVrac:
        return AscVracCount;
    default:
        return items.size();
    }
}

void BuildCatalogue(Catalogue& catalogue, platform::Places& places, const std::string& defaultDir)
{
    places.SetCurrentDirectory(defaultDir);
    // The new list is made aside, so that an error leaves the old one as it was.
    const auto asc = places.FindFiles("ASC*.ASC", ListedAttributes);
    const auto vrac = places.FindFiles("VRAC*.BBS", ListedAttributes);
    const auto bbs = places.FindFiles("*.BBS", ListedAttributes);

    std::vector<CatalogueItem> items;
    items.reserve(asc.size() + vrac.size() + bbs.size());
    for (const auto& file : asc)
        items.push_back({file.name, true});
    for (const auto& file : vrac)
        items.push_back({file.name, true});
    for (const auto& file : bbs)
        if (!StartsWithVrac(file.name))
            items.push_back({file.name, true});

    catalogue.items = std::move(items);
    catalogue.AscCount = asc.size();
    catalogue.AscVracCount = asc.size() + vrac.size();
    SortGroups(catalogue, 0);
    for (std::size_t group = 0; group < GroupCount; ++group) {
        const auto number = static_cast<TFileGroup>(group);
        catalogue.checks[group].enabled = catalogue.GroupBegin(number) < catalogue.GroupEnd(number);
    }
}

void SortGroups(Catalogue& catalogue, std::uint8_t direction)
{
    if (catalogue.AscCount > 0)
        SortGroup(catalogue, direction, 4, 0, catalogue.AscCount - 1);
    if (catalogue.AscVracCount > catalogue.AscCount)
        SortGroup(catalogue, direction, 5, catalogue.AscCount, catalogue.AscVracCount - 1);
}

void SortGroup(Catalogue& catalogue, std::uint8_t direction, std::size_t digitPosition, std::size_t first,
               std::size_t last)
{
    auto& items = catalogue.items;
    if (items.empty())
        return;
    std::size_t hi = std::min(last, items.size() - 1);
    while (first < hi) {
        for (std::size_t i = first; i < hi; ++i) {
            const std::uint8_t a = KeyOf(items[i + 1].name, digitPosition);
            const std::uint8_t b = KeyOf(items[i].name, digitPosition);
            if ((direction == 0 && b < a) || (direction != 0 && b > a))
                std::swap(items[i], items[i + 1]);
        }
        --hi;
    }
}

std::int32_t NumberIn(std::string_view text) noexcept
{
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            continue;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

void GroupCheckState(Catalogue& catalogue, TFileGroup group)
{
    const std::size_t begin = catalogue.GroupBegin(group);
    const std::size_t end = catalogue.GroupEnd(group);
    if (begin >= end)
        return; // an empty group has no state to show
    enum class Tally { all, none, mixed };
    Tally tally = catalogue.items[begin].selected ? Tally::all : Tally::none;
    for (std::size_t i = begin + 1; i < end; ++i) {
        const bool selected = catalogue.items[i].selected;
        if ((selected && tally == Tally::none) || (!selected && tally == Tally::all))
            tally = Tally::mixed;
    }
    const TCheckBoxState state = tally == Tally::all    ? cbChecked
                                 : tally == Tally::none ? cbUnchecked
                                                        : cbGrayed;
    SetCheckState(catalogue, group, state);
}

void UpdateGroupChecks(Catalogue& catalogue, bool haveAnnexes)
{
    for (std::size_t group = 0; group < GroupCount; ++group)
        if (catalogue.checks[group].enabled)
            GroupCheckState(catalogue, static_cast<TFileGroup>(group));
    catalogue.AnnexeCheck = haveAnnexes;
}

void SetCheckState(Catalogue& catalogue, TFileGroup group, TCheckBoxState state)
{
    if (catalogue.checks[group].state == state)
        return;
    catalogue.checks[group].state = state;
    GroupCheckClick(catalogue, group);
}

void ClickCheck(Catalogue& catalogue, TFileGroup group)
{
    SetCheckState(catalogue, group, catalogue.checks[group].state == cbChecked ? cbUnchecked : cbChecked);
}

void GroupCheckClick(Catalogue& catalogue, TFileGroup group)
{
    const TCheckBoxState state = catalogue.checks[group].state;
    if (state == cbGrayed)
        return;
    SetRangeSelection(catalogue, group, state == cbChecked);
}

void ListeBoxClick(Catalogue& catalogue, bool haveAnnexes)
{
    UpdateGroupChecks(catalogue, haveAnnexes);
}

bool SelectByName(Catalogue& catalogue, std::string_view name)
{
    for (auto& item : catalogue.items) {
        if (item.name == name) {
            item.selected = true;
            return true;
        }
    }
    return false;
}

void SelectAll(Catalogue& catalogue, bool selected)
{
    for (auto& item : catalogue.items)
        item.selected = selected;
}

} // namespace fendix::catalogue
