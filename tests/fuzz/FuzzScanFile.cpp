// Fuzz target: ScanFile on a description file of arbitrary bytes, read from memory as a BBS
// listing or as a DP Tool Club catalogue, with criteria, the size of each read, the windows'
// pacing and button presses taken from the input too.
//
// What must hold, besides no crash, leak or hang: under every pacing the reader shows what a
// plain reading of the same bytes shows (the entries, their labels and lines, the invalid
// file, the gauge where the pacing lets the windows see it); every entry shown has between 1
// and 200 stored lines, none of them empty, and matches the criteria; a pressed button ends
// the reading.

#include "engine/Criteria.h"
#include "engine/EntryReader.h"
#include "engine/SearchState.h"
#include "engine/SearchWindows.h"
#include "platform/ByteSource.h"
#include "platform/InOutError.h"
#include "tests/engine/PlainReader.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/ShownEntryCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace fendix::engine;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// The windows of a run: criteria from the input; a button pressed at a chosen line or match.
class FuzzWindows final : public SearchWindows {
public:
    FuzzWindows(Criteria criteria, bool ignoreCase, SearchState& state) noexcept
        : criteria_(std::move(criteria)), ignoreCase_(ignoreCase), state_(state)
    {
    }

    // 0: none, 1: SkipFile, 2: SkipGroup, 3: StopSearch.
    int button = 0;
    std::uint32_t pressAtLine = 0;
    std::uint32_t pressAtMatch = 0;

    Pacing pacing = Pacing::EveryLine;

    std::uint32_t lines = 0;
    std::uint32_t matches = 0;
    bool pressed = false;
    bool readAfterPress = false;
    // What the windows saw, for the comparison with the plain reading.
    std::vector<fendix::testing::PlainShow> shows;
    std::vector<int> gauges;
    std::optional<int> gauge;
    bool invalid = false;

    Criteria ReadCriteria() override { return criteria_; }
    bool AnnexeChecked() override { return true; }
    Pacing ReadingPacing() override { return pacing; }
    void ProcessMessages() override
    {
        readAfterPress = readAfterPress || pressed;
        if (++lines == pressAtLine)
            Press();
    }
    void SetFileCaption(std::string_view) override {}
    void SetFileGauge(int percent) override
    {
        gauges.push_back(percent);
        gauge = percent;
    }
    void SetTotalGauge(int) override {}
    void ShowEntry(std::string_view label, const ShownEntry& shown) override
    {
        fendix::fuzz::CheckShownEntry(label, shown, criteria_, ignoreCase_);
        fendix::testing::PlainShow show{std::string(label), {}, 0, gauge, {}};
        for (std::size_t i = 0; i < shown.Lines().Count(); ++i)
            show.lines.emplace_back(shown.Lines()[i]);
        shows.push_back(std::move(show));
        if (++matches == pressAtMatch)
            Press();
    }
    void ShowInvalidFile(std::string_view message) override
    {
        Check(message.substr(0, 9) == "Fichier: ", "the invalid-file message names the file");
        invalid = true;
    }
    void BeginRun() override {}
    void EndRun() override {}

private:
    void Press()
    {
        switch (button) {
        case 1:
            state_.SkipFile = true;
            break;
        case 2:
            state_.SkipGroup = true;
            break;
        case 3:
            state_.StopSearch = true;
            break;
        default:
            return;
        }
        pressed = true;
    }

    Criteria criteria_;
    bool ignoreCase_;
    SearchState& state_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const TDescKind kind = input.ConsumeBool() ? dkBbs : dkNews;
    const bool ignoreCase = input.ConsumeBool();
    Criteria criteria;
    for (std::size_t i = 0; i < CriterionCount; ++i) {
        criteria.texts[i] = input.ConsumeRandomLengthString(12);
        criteria.negated[i] = input.ConsumeBool();
    }
    criteria.EtRadio2 = input.ConsumeBool();
    criteria.EtRadio3 = input.ConsumeBool();

    const int button = input.ConsumeIntegralInRange(0, 3);
    const auto pressAtLine = input.ConsumeIntegralInRange<std::uint32_t>(0, 64);
    const auto pressAtMatch = input.ConsumeIntegralInRange<std::uint32_t>(0, 8);
    const auto pressPacing = static_cast<Pacing>(input.ConsumeIntegralInRange(0, 3));
    const std::size_t chunk =
        input.ConsumeBool() ? SIZE_MAX : 1 + input.ConsumeIntegralInRange<std::size_t>(0, 4095);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const std::string name = kind == dkBbs ? "FUZZ.BBS" : "FUZZ.ASC";

    // Every pacing shows what the plain reading shows. Large inputs are only read for what
    // must hold of every reading, below: small reads of the source end windows in small
    // inputs, at a fraction of the cost.
    constexpr std::size_t Compared = std::size_t{64} << 10;
    const fendix::testing::PlainRun plain = fendix::testing::PlainRead(
        bytes.size() <= Compared ? bytes : std::string(), name, kind == dkBbs, criteria, ignoreCase);
    for (const Pacing pacing :
         {Pacing::EveryLine, Pacing::EveryEntry, Pacing::NowAndThen, Pacing::Unobserved}) {
        if (bytes.size() > Compared)
            break;
        SearchState state;
        FuzzWindows windows(criteria, ignoreCase, state);
        windows.pacing = pacing;
        fendix::platform::MemorySource source(bytes, chunk);
        ScanFile(source, name, kind, state, ignoreCase, windows);
        Check(windows.shows.size() == plain.shows.size(), "as many entries shown as the plain reading shows");
        for (std::size_t i = 0; i < plain.shows.size(); ++i) {
            Check(windows.shows[i].label == plain.shows[i].label, "the label of the plain reading");
            Check(windows.shows[i].lines == plain.shows[i].lines, "the lines of the plain reading");
            Check(pacing == Pacing::Unobserved || windows.shows[i].gauge == plain.shows[i].gauge,
                  "the gauge under an entry shown, as the plain reading leaves it");
        }
        Check(windows.invalid == plain.invalid, "an invalid file where the plain reading finds one");
        Check(!GaugeAtEveryStart(pacing) || windows.gauges == plain.gauges, "the gauge at every entry start");
    }

    // A button pressed at a chosen line or match ends the reading there.
    SearchState state;
    FuzzWindows windows(criteria, ignoreCase, state);
    windows.button = button;
    windows.pressAtLine = pressAtLine;
    windows.pressAtMatch = pressAtMatch;
    windows.pacing = pressPacing;
    fendix::platform::MemorySource source(bytes, chunk);
    try {
        ScanFile(source, name, kind, state, ignoreCase, windows);
    } catch (const fendix::platform::EInOutError&) {
        // A file error is reported to the caller: allowed, never a crash.
    }
    Check(!windows.readAfterPress, "a pressed button ends the reading at the next line");
    return 0;
}
