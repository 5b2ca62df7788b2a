// Fuzz target: the start-up load of a settings file made from the input, changes as the
// windows make them, the save, and the saved file read back.
//
// The input: four control bytes, the text of fendix.ini ended by a NUL (none at all: no
// file), then a default directory and an annex path, each ended by a NUL.
//
// What must hold, besides no crash, leak or hang:
// - a save is refused only for a default directory with a line end in it;
// - the saved file, read back, gives the same settings: the default directory (its first
//   1023 bytes), the three switches, the annex paths that are still there, and the
//   selection of the same list;
// - nothing is written but fendix.ini: no temporary file is left, and nothing else in
//   the collection or beside it changes.

#include "catalogue/Catalogue.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "tests/fuzz/FuzzSupport.h"

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

using fendix::fuzz::Check;
using fendix::settings::IniFile;
using fendix::settings::Settings;

constexpr std::array<const char*, 8> ListNames = {"ASC01.ASC", "ASC02.ASC", "VRAC01.BBS", "VRAC10.BBS",
                                                  "NEWS.BBS",  "UTILS.BBS", "Mixed.bbs",  "A B.BBS"};

std::set<std::string> SelectedNames(const fendix::catalogue::Catalogue& catalogue)
{
    std::set<std::string> names;
    for (const auto& item : catalogue.items)
        if (item.selected)
            names.insert(item.name);
    return names;
}

std::vector<std::string> ItemNames(const fendix::catalogue::Catalogue& catalogue)
{
    std::vector<std::string> names;
    for (const auto& item : catalogue.items)
        names.push_back(item.name);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fendix::fuzz::KeepCurrentDirectory keep;
    fendix::fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const std::uint8_t files = input.Byte();
    const std::uint8_t changes = input.Byte();
    const std::uint8_t selection = input.Byte();

    // The program's directory "prog", the collection "cd" (the default directory "cd" is
    // taken from where the program started) and the annex files in "extra".
    const std::string& root = fendix::fuzz::DirectoryForInputs("fuzz_settings");
    const std::string program = root + "/prog/";
    const std::string ini = program + "fendix.ini";
    std::filesystem::create_directory(program);
    std::filesystem::create_directory(root + "/cd");
    std::filesystem::create_directory(root + "/extra");
    for (std::size_t i = 0; i < ListNames.size(); ++i)
        if ((files & (1u << i)) != 0)
            fendix::fuzz::WriteFile(root + "/cd/" + ListNames[i], "x\r\n");
    fendix::fuzz::WriteFile(root + "/extra/MORE.BBS", "MORE.ZIP a file\r\n");
    fendix::fuzz::WriteFile(root + "/extra/EMPTY.BBS", "");
    const std::string text = input.Field(std::size_t{1} << 20);
    if ((flags & 1) != 0 || !text.empty())
        fendix::fuzz::WriteFile(ini, text);
    const std::string directory = input.Field(2048);
    const std::string annexPath = input.Field(2048);
    const std::vector<std::string> collection = fendix::fuzz::NamesIn(root + "/cd");
    const std::vector<std::string> extras = fendix::fuzz::NamesIn(root + "/extra");

    Settings settings;
    settings.StartDirectory = root;
    fendix::catalogue::Catalogue catalogue;
    fendix::platform::Places places;
    try {
        LoadSettings(settings, catalogue, places, ini, program);
    } catch (const fendix::platform::EInOutError&) {
        // The default directory could not be entered: an empty list, and the load went on.
    } catch (const fendix::settings::ESettingsWriteError&) {
        Check(false, "the first start's save is never refused here");
    }

    // Changes as the options dialog and the list make them.
    if ((changes & 1) != 0) {
        switch ((changes >> 1) & 7) {
        case 0:
            settings.DefaultDir = "cd";
            break;
        case 1:
            settings.DefaultDir = root + "/cd";
            break;
        case 2:
            settings.DefaultDir = "cd/" + std::string(1100, 'd'); // longer than a value
            break;
        default:
            settings.DefaultDir = "cd" + directory; // line ends, blanks, quotes ...
            break;
        }
        fendix::catalogue::BuildCatalogue(catalogue, places, root + "/cd");
    }
    settings.IgnoreCase = settings.IgnoreCase != ((changes & 16) != 0);
    settings.LoadAtStart = settings.LoadAtStart != ((changes & 32) != 0);
    settings.AnnexeFirst = settings.AnnexeFirst != ((changes & 64) != 0);
    if ((changes & 128) != 0) {
        settings.AnnexeFiles = {root + "/extra/MORE.BBS", root + "/extra/EMPTY.BBS", root + "/extra/GONE.BBS",
                                root + "/extra/" + annexPath, root + "/extra/MORE.BBS"};
    }
    for (std::size_t i = 0; i < catalogue.items.size(); ++i)
        if ((selection & (1u << (i % 8))) != 0)
            catalogue.items[i].selected = !catalogue.items[i].selected;

    bool saved = true;
    try {
        SaveSettings(settings, catalogue, ini);
    } catch (const fendix::settings::ESettingsWriteError&) {
        saved = false;
    }
    Check(saved == IniFile::CanHold(settings.DefaultDir),
          "only a line end in the directory refuses the save");
    Check(fendix::fuzz::NamesIn(program) == std::vector<std::string>{"fendix.ini"},
          "no temporary file is left");
    Check(fendix::fuzz::NamesIn(root) == (std::vector<std::string>{"cd", "extra", "prog"}),
          "nothing is written beside the collection");
    Check(fendix::fuzz::NamesIn(root + "/cd") == collection
              && fendix::fuzz::NamesIn(root + "/extra") == extras,
          "nothing is written in the collection");
    if (!saved)
        return 0;

    Settings again;
    again.StartDirectory = root;
    fendix::catalogue::Catalogue reread;
    try {
        LoadConfiguration(again, reread, places, IniFile(ini), program, std::nullopt);
    } catch (const fendix::platform::EInOutError&) {
    }
    Check(again.DefaultDir == settings.DefaultDir.substr(0, IniFile::MaxValueLength),
          "the default directory reads back");
    Check(again.IgnoreCase == settings.IgnoreCase && again.LoadAtStart == settings.LoadAtStart
              && again.AnnexeFirst == settings.AnnexeFirst,
          "the switches read back");
    std::vector<std::string> annexes;
    for (const auto& path : settings.AnnexeFiles) {
        const std::string kept = path.substr(0, IniFile::MaxValueLength);
        if (IniFile::CanHold(path) && !kept.empty() && places.FileSizeOf(kept) > 0)
            annexes.push_back(kept);
    }
    Check(again.AnnexeFiles == annexes, "the annex paths that are still there read back");
    if (ItemNames(reread) == ItemNames(catalogue)) {
        const std::set<std::string> selected = SelectedNames(catalogue);
        // Without a saved selection the list keeps its own: all of it, as built.
        Check(SelectedNames(reread)
                  == (selected.empty() ? SelectedNames([&] {
                         auto all = reread;
                         fendix::catalogue::SelectAll(all, true);
                         return all;
                     }())
                                       : selected),
              "the selection reads back");
    }
    return 0;
}
