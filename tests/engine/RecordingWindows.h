#pragma once

#include "engine/SearchRun.h"
#include "engine/SearchWindows.h"

#include <functional>
#include <string>
#include <vector>

namespace fendix::testing {

// Plays the windows of a run: records every call as an event line, in the form the
// headless driver prints, and lets a test press buttons at chosen moments.
class RecordingWindows final : public engine::SearchWindows {
public:
    explicit RecordingWindows(engine::SearchState& state) : state(state) {}

    engine::SearchState& state;
    engine::Criteria criteria;
    bool annexeChecked = true;
    engine::Pacing pacing = engine::Pacing::EveryLine;
    bool recordGauges = true;
    bool recordMessagePasses = false;
    std::vector<std::string> events;
    int messagePasses = 0; // calls of ProcessMessages so far
    int shown = 0;         // entries shown so far

    // Run inside ProcessMessages (with the number of the call, from 1) and after each entry
    // shown (with its number, from 1): a test presses its buttons there.
    std::function<void(int)> onMessages;
    std::function<void(int)> onShown;

    engine::Criteria ReadCriteria() override { return criteria; }
    bool AnnexeChecked() override { return annexeChecked; }
    engine::Pacing ReadingPacing() override { return pacing; }

    void ProcessMessages() override
    {
        ++messagePasses;
        if (recordMessagePasses)
            events.push_back("Messages " + std::to_string(messagePasses));
        if (onMessages)
            onMessages(messagePasses);
    }

    void SetFileCaption(std::string_view caption) override
    {
        events.push_back("FicGroup " + std::string(caption));
    }

    void SetFileGauge(int percent) override
    {
        if (recordGauges)
            events.push_back("FicGauge " + std::to_string(percent));
    }

    void SetTotalGauge(int percent) override
    {
        if (recordGauges)
            events.push_back("TotalGauge " + std::to_string(percent));
    }

    void ShowEntry(std::string_view label, const engine::ShownEntry& entry) override
    {
        events.push_back("DescLabel " + std::string(label));
        const engine::EntryLineList& lines = entry.Lines();
        for (std::size_t i = 0; i < lines.Count(); ++i)
            events.push_back("ListeDesc " + std::string(lines[i]));
        ++shown;
        if (onShown)
            onShown(shown);
    }

    void ShowInvalidFile(std::string_view message) override
    {
        events.push_back("Message " + std::string(message));
    }
    void BeginRun() override { events.push_back("BeginRun"); }
    void EndRun() override { events.push_back("EndRun"); }

    // The events that start with a prefix, in order.
    std::vector<std::string> Only(std::string_view prefix) const
    {
        std::vector<std::string> kept;
        for (const auto& event : events)
            if (event.compare(0, prefix.size(), prefix) == 0)
                kept.push_back(event);
        return kept;
    }
};

} // namespace fendix::testing
