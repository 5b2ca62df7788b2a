#pragma once

#include "platform/Places.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::catalogue {

// State of a group check box. The grey state is only ever set by the program.
enum TCheckBoxState : std::uint8_t { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };

// The file groups, in their order: the three ranges of the list, numbered as their check
// boxes, then the annex files, which a search run reads before or after the list.
enum TFileGroup : std::uint8_t { fgAsc = 0, fgVrac = 1, fgAutre = 2, fgAnnexe = 3 };

// The number of groups of the list (fgAsc, fgVrac, fgAutre).
constexpr std::size_t GroupCount = 3;

struct GroupCheck {
    TCheckBoxState state = cbChecked;
    bool enabled = true;
};

struct CatalogueItem {
    std::string name; // bare file name, relative to the default directory
    bool selected = false;
};

// The description files of the default directory, in three consecutive ranges: the
// ASC*.ASC files, the VRAC*.BBS files and the other *.BBS files; with the group check boxes
// AscCheck, VracCheck and AutreCheck, and the annex box AnnexeCheck. The list box and the
// check boxes of the main window show this model.
struct Catalogue {
    std::vector<CatalogueItem> items;
    std::size_t AscCount = 0;     // items 0 .. AscCount-1 are ASC files
    std::size_t AscVracCount = 0; // items AscCount .. AscVracCount-1 are VRAC files
    std::array<GroupCheck, GroupCount> checks{};
    bool AnnexeCheck = true;

    // First index and one past the last index of a list group's range.
    std::size_t GroupBegin(TFileGroup group) const noexcept;
    std::size_t GroupEnd(TFileGroup group) const noexcept;
};

// Rebuilds the list from a directory (a folder, or a folder inside a CD image): makes it the
// current place of `places`, lists its ASC, VRAC and other BBS files, sorts the first two
// ranges by the number in their names (larger first), selects every item, and enables the
// box of each group that has files and disables the others. Box states are left as they
// were. Raises EInOutError when the directory cannot be made current or listed (EImageError
// when it lies in an image that cannot be read); the catalogue is then unchanged.
void BuildCatalogue(Catalogue& catalogue, platform::Places& places, const std::string& defaultDir);

// Sorts the ASC range by the two characters after "ASC" and the VRAC range by the two
// after "VRAC"; direction 0 puts larger numbers first, any other value smaller ones.
void SortGroups(Catalogue& catalogue, std::uint8_t direction);

// Bubble sort of items first..last by the number at a 1-based character position; equal
// numbers keep their order.
void SortGroup(Catalogue& catalogue, std::uint8_t direction, std::size_t digitPosition, std::size_t first,
               std::size_t last);

// The decimal value of the digits of a text, every other character left out; 0 without any.
std::int32_t NumberIn(std::string_view text) noexcept;

// Sets a group's box from the selection of its range: checked when all items are selected,
// unchecked when none is, grey otherwise.
void GroupCheckState(Catalogue& catalogue, TFileGroup group);

// Refreshes the boxes of the enabled groups, and checks AnnexeCheck exactly when there are
// annex files.
void UpdateGroupChecks(Catalogue& catalogue, bool haveAnnexes);

// The program sets a box's state; when that changes it, the box's click handler runs.
void SetCheckState(Catalogue& catalogue, TFileGroup group, TCheckBoxState state);

// The user clicks a box: unchecked or grey becomes checked, checked becomes unchecked.
void ClickCheck(Catalogue& catalogue, TFileGroup group);

// The click handler of a group's box (AscCheckClick, VracCheckClick, AutreCheckClick), run
// whenever the box's state changes: a checked box selects its range, an unchecked one
// clears it, a grey one changes nothing.
void GroupCheckClick(Catalogue& catalogue, TFileGroup group);

// Click handler of the list: the user changed the selection.
void ListeBoxClick(Catalogue& catalogue, bool haveAnnexes);

// Selects the first item whose name is exactly `name`; false when none bears it.
bool SelectByName(Catalogue& catalogue, std::string_view name);

void SelectAll(Catalogue& catalogue, bool selected);

} // namespace fendix::catalogue
