// Fuzz target: a whole search run over a small collection made from the input: description
// files in the default directory and annex files beside it, a selection, the settings,
// the criteria and a button pressed at a chosen line or match.
//
// The input: four control bytes (the settings and the criteria's switches; the button, the
// match that presses it and how closely the windows follow the reading; the line that
// presses it), the three criterion texts each ended by a NUL, then up to
// eight files, each a byte for its name and group, a byte for how many times its content
// is repeated (up to 1 MiB), and its content ended by a NUL; a byte 0xFF after the last
// file; then a byte for each listed file, which selects it unless it is a multiple of 4.
//
// What must hold, besides no crash, leak or hang:
// - the run starts and ends its windows once, also when an error ends it;
// - every entry shown has 1 to MaxEntryLines stored lines, none empty, and matches;
// - the total gauge stays within 0..100, the file gauge never goes below 0;
// - a pressed button ends the reading of the file at once (StopSearch: of the run);
// - without a button, the files are read in group order, each once: the annexes first or
//   last as the settings say (when the annex box is checked), the selected list files in
//   list order; the total gauge ends at 100 when there were bytes to read.

#include "catalogue/Catalogue.h"
#include "engine/Criteria.h"
#include "engine/EntryReader.h"
#include "engine/SearchRun.h"
#include "engine/SearchWindows.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/ShownEntryCheck.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace fendix::engine;
using fendix::fuzz::Check;

// Names a file of the collection can bear: the three list groups, names no group takes,
// a hidden one, and letter cases the masks must fold.
constexpr std::array<const char*, 16> Names = {
    "ASC01.ASC", "ASC10.ASC", "asc5.asc", "ASC.ASC",  "VRAC02.BBS",  "vrac1.bbs", "VRAC.BBS",   "NEWS.BBS",
    "X.BBS",     "util.bbs",  "A.B.BBS",  "LONG.BBS", ".HIDDEN.BBS", "NOTE.TXT",  "ASC99.ASCX", "BBS"};

constexpr std::size_t MaxFileBytes = std::size_t{1} << 20;
constexpr std::uint8_t EndOfFiles = 0xFF;

enum Button : std::uint8_t { NoButton = 0, FileButton = 1, GroupButton = 2, StopButton = 3 };

class FuzzWindows final : public SearchWindows {
public:
    FuzzWindows(const Criteria& criteria, bool ignoreCase, bool annexeChecked, SearchState& state)
        : criteria_(criteria), ignoreCase_(ignoreCase), annexeChecked_(annexeChecked), state_(state)
    {
    }

    Button button = NoButton;
    Pacing pacing = Pacing::EveryLine;
    std::uint32_t pressAtLine = 0; // 0: never
    std::uint32_t pressAtMatch = 0;

    std::vector<std::string> captions;
    int begun = 0;
    int ended = 0;
    int lastTotal = -1;
    bool pressed = false;

    Criteria ReadCriteria() override { return criteria_; }
    bool AnnexeChecked() override { return annexeChecked_; }
    Pacing ReadingPacing() override { return pacing; }

    void ProcessMessages() override
    {
        // A press ends the file at the next line: after it, only a new file reads lines
        // again (and none after a StopSearch).
        Check(!readingStopped_, "a pressed button ends the reading");
        if (++lines_ == pressAtLine)
            Press();
    }

    void SetFileCaption(std::string_view caption) override
    {
        Check(begun == 1 && ended == 0, "files are read inside the run");
        Check(!(pressed && button == StopButton), "no file is read after a stop");
        captions.emplace_back(caption);
        readingStopped_ = false;
    }

    // The file gauge counts two bytes for every line end, whatever the file holds, so it may
    // pass 100 (the gauge shows 100); it never goes below 0.
    void SetFileGauge(int percent) override { Check(percent >= 0, "file gauge not below 0"); }

    void SetTotalGauge(int percent) override
    {
        Check(percent >= 0 && percent <= 100, "total gauge in 0..100");
        lastTotal = percent;
    }

    void ShowEntry(std::string_view label, const ShownEntry& shown) override
    {
        fendix::fuzz::CheckShownEntry(label, shown, criteria_, ignoreCase_);
        if (++matches_ == pressAtMatch)
            Press();
    }

    void ShowInvalidFile(std::string_view message) override
    {
        Check(message.substr(0, 9) == "Fichier: ", "the invalid-file message names the file");
    }

    void BeginRun() override { ++begun; }
    void EndRun() override { ++ended; }

private:
    void Press()
    {
        switch (button) {
        case FileButton:
            state_.SkipFile = true;
            break;
        case GroupButton:
            state_.SkipGroup = true;
            break;
        case StopButton:
            state_.StopSearch = true;
            break;
        default:
            return;
        }
        pressed = true;
        readingStopped_ = true;
    }

    Criteria criteria_;
    bool ignoreCase_;
    bool annexeChecked_;
    SearchState& state_;
    std::uint32_t lines_ = 0;
    std::uint32_t matches_ = 0;
    bool readingStopped_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fendix::fuzz::KeepCurrentDirectory keep;
    fendix::fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const std::uint8_t press = input.Byte();
    const std::uint32_t pressAtLine = input.Byte() | (std::uint32_t{input.Byte()} << 8);

    SearchSettings settings;
    settings.IgnoreCase = (flags & 1) != 0;
    settings.AnnexeFirst = (flags & 2) != 0;
    const bool annexeChecked = (flags & 4) != 0;
    Criteria criteria;
    for (std::size_t i = 0; i < CriterionCount; ++i) {
        criteria.texts[i] = input.Field(16);
        criteria.negated[i] = (flags & (8u << i)) != 0;
    }
    criteria.EtRadio2 = (flags & 64) != 0;
    criteria.EtRadio3 = (flags & 128) != 0;

    // The collection: the default directory "list", given relative to where the program
    // started, and the annex files in "annex".
    const std::string& root = fendix::fuzz::DirectoryForInputs("fuzz_run");
    std::filesystem::create_directory(root + "/list");
    std::filesystem::create_directory(root + "/annex");
    std::filesystem::create_directory(root + "/list/SUB.BBS"); // a directory is never listed
    settings.DefaultDir = "list";
    settings.StartDirectory = root;
    for (int file = 0; file < 8 && !input.Empty(); ++file) {
        const std::uint8_t what = input.Byte();
        if (what == EndOfFiles)
            break;
        const int repeat = 1 + input.Byte();
        const std::string content = input.Field(MaxFileBytes);
        const std::string name = Names[what % Names.size()];
        const bool annex = (what & 0x10) != 0;
        // Repeated, a small input makes a file larger than the reader's buffer.
        std::string bytes;
        for (int i = 0; i < repeat && bytes.size() < MaxFileBytes; ++i)
            bytes += content;
        const std::string path = root + (annex ? "/annex/" : "/list/") + name;
        fendix::fuzz::WriteFile(path, bytes);
        if (annex)
            settings.AnnexeFiles.push_back(path);
    }
    if ((flags & 4) != 0 && (press & 0x80) != 0)
        settings.AnnexeFiles.push_back(root + "/annex/GONE.BBS"); // a file that is not there

    fendix::catalogue::Catalogue catalogue;
    fendix::platform::Places places;
    fendix::catalogue::BuildCatalogue(catalogue, places, root + "/list");
    for (auto& item : catalogue.items)
        item.selected = input.Byte() % 4 != 0;

    SearchState state;
    FuzzWindows windows(criteria, settings.IgnoreCase, annexeChecked, state);
    windows.button = static_cast<Button>(press & 3);
    windows.pressAtLine = pressAtLine;
    windows.pressAtMatch = (press >> 2) & 7;
    windows.pacing = static_cast<Pacing>((press >> 5) & 3);

    places.SetCurrentDirectory("/");
    bool failed = false;
    try {
        SearchRun(state, catalogue, settings, places, windows).Run();
    } catch (const fendix::platform::EInOutError&) {
        failed = true; // the missing annex: reported to the caller, never a crash
    }
    Check(windows.begun == 1 && windows.ended == 1, "the run starts and ends its windows once");

    if (!failed && !windows.pressed) {
        std::vector<std::string> expected;
        const auto annexes = [&] {
            if (annexeChecked)
                for (const auto& path : settings.AnnexeFiles)
                    expected.push_back("Fichier: " + std::string(fendix::platform::ExtractFileName(path)));
        };
        if (settings.AnnexeFirst)
            annexes();
        for (const auto& item : catalogue.items)
            if (item.selected)
                expected.push_back("Fichier: " + item.name);
        if (!settings.AnnexeFirst)
            annexes();
        Check(windows.captions == expected, "every file is read once, in group order");
        Check(state.TotalBytes == 0 || windows.lastTotal == 100, "the total gauge ends at 100");
    }
    return 0;
}
