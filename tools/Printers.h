#pragma once

#include "engine/Criteria.h"
#include "engine/Highlight.h"
#include "tools/OutputBuffer.h"
#include "tools/TerminalText.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fendix::tools {

// What a search without windows prints, in one of its two formats.
class Printer {
public:
    virtual ~Printer() = default;

    // The search begins, with these criteria compared so.
    virtual void BeginSearch(const engine::Criteria& criteria, bool ignoreCase) = 0;

    // The progress window's file caption or one of its gauges (with --trace).
    virtual void Trace(std::string_view name, std::string_view value) = 0;
    // A matching entry: its label (what DescLabel holds), each stored line, then its end.
    virtual void Label(std::string_view label) = 0;
    virtual void Line(std::string_view line) = 0;
    virtual void EndEntry() = 0;
    // The invalid-file message box.
    virtual void Message(std::string_view text) = 0;
    // The report of an error that ended the run: its message, to which the report adds ".".
    virtual void Error(std::string_view message) = 0;
    // One file of the catalogue, with its group (--list).
    virtual void Item(std::string_view group, std::string_view name) = 0;

    // The number of entries shown (--count).
    void Count(std::size_t shown);

    // Writes out what is held; false when some output could not be written.
    bool Finish() { return out_.Flush(); }

    // True once some output could not be written.
    bool Failed() const noexcept { return out_.Error() != 0; }

protected:
    // `interactive`: standard output is a terminal, where each entry is written at once.
    Printer(OutputBuffer& out, bool interactive) : out_(out), interactive_(interactive) {}

    void EntryDone()
    {
        if (interactive_)
            out_.Flush();
    }

    OutputBuffer& out_;

private:
    bool interactive_;
};

// One tagged line per event, the text as the bytes it is: "DescLabel ...", "ListeDesc ...",
// "Message ...", "Error ....", with --trace "FicGroup ...", "FicGauge N", "TotalGauge N".
class EventPrinter final : public Printer {
public:
    EventPrinter(OutputBuffer& out, bool interactive) : Printer(out, interactive) {}

    void BeginSearch(const engine::Criteria&, bool) override {}
    void Trace(std::string_view name, std::string_view value) override { Event(name, value); }
    void Label(std::string_view label) override { Event("DescLabel", label); }
    void Line(std::string_view line) override { Event("ListeDesc", line); }
    void EndEntry() override { EntryDone(); }
    void Message(std::string_view text) override { Event("Message", text); }
    void Error(std::string_view message) override;
    void Item(std::string_view group, std::string_view name) override { Event(group, name); }

private:
    void Event(std::string_view name, std::string_view text)
    {
        out_.Append(name);
        out_.Append(' ');
        out_.Append(text);
        out_.Append('\n');
    }
};

// Entries for a person to read: a header with the label, the stored lines decoded from code
// page 437 to UTF-8, a blank line between two entries. With colours the header is bold and
// the occurrences of the texts are marked as the description window marks them. Messages
// and errors go to standard error as "fendix-search: <text>".
class TextPrinter final : public Printer {
public:
    // Without colours nothing is marked.
    TextPrinter(OutputBuffer& out, OutputBuffer& errors, bool interactive, std::optional<Colors> colors);

    void BeginSearch(const engine::Criteria& criteria, bool ignoreCase) override;
    void Trace(std::string_view name, std::string_view value) override;
    void Label(std::string_view label) override;
    void Line(std::string_view line) override;
    void EndEntry() override { EntryDone(); }
    void Message(std::string_view text) override;
    void Error(std::string_view message) override;
    void Item(std::string_view group, std::string_view name) override;

private:
    struct Utf8Character {
        std::array<char, 4> bytes{};
        std::size_t length = 0;
    };

    void AppendDecoded(std::string_view bytes);
    void AppendMarked(std::string_view line, std::size_t& written, engine::ByteRange mark);
    void AppendName(std::string_view bytes);
    void Complain(std::string_view text, std::string_view ending);

    OutputBuffer& errors_;
    std::optional<Colors> colors_;
    std::optional<engine::Highlighter> highlighter_;
    std::size_t longestText_ = 1;
    std::string boldStart_;
    std::string matchStart_;
    std::string colorEnd_;
    std::array<Utf8Character, 256> decoded_{};
    std::string scratch_;
    bool entryWritten_ = false;
};

} // namespace fendix::tools
