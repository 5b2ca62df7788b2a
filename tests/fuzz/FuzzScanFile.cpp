// Fuzz target: ScanFile on a description file of arbitrary bytes, read as a BBS listing or
// as a DP Tool Club catalogue, with criteria, the windows' pacing and button presses taken
// from the input too.
//
// What must hold, besides no crash, leak or hang: every entry shown has between 1 and
// MaxEntryLines stored lines, none of them empty, and matches the criteria as EntryMatches
// judges them; a pressed button ends the reading.

#include "engine/Criteria.h"
#include "engine/EntryReader.h"
#include "engine/SearchRun.h"
#include "engine/SearchWindows.h"
#include "platform/InOutError.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/ShownEntryCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <utility>

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
    void SetFileGauge(int) override {}
    void SetTotalGauge(int) override {}
    void ShowEntry(std::string_view label, const ShownEntry& shown) override
    {
        fendix::fuzz::CheckShownEntry(label, shown, criteria_, ignoreCase_);
        if (++matches == pressAtMatch)
            Press();
    }
    void ShowInvalidFile(std::string_view message) override
    {
        Check(message.substr(0, 9) == "Fichier: ", "the invalid-file message names the file");
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

    SearchState state;
    FuzzWindows windows(criteria, ignoreCase, state);
    windows.button = input.ConsumeIntegralInRange(0, 3);
    windows.pressAtLine = input.ConsumeIntegralInRange<std::uint32_t>(0, 64);
    windows.pressAtMatch = input.ConsumeIntegralInRange<std::uint32_t>(0, 8);
    windows.pacing = static_cast<Pacing>(input.ConsumeIntegralInRange(0, 3));
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    const std::string& path = fendix::fuzz::FileForInputs("fuzz_scanfile");
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    Check(fd >= 0, "temporary file opens");
    Check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
          "temporary file written");
    ::close(fd);

    try {
        ScanFile(path, kind, state, ignoreCase, windows);
    } catch (const fendix::platform::EInOutError&) {
        // A file error is reported to the caller: allowed, never a crash.
    }
    Check(!windows.readAfterPress, "a pressed button ends the reading at the next line");
    return 0;
}
