#pragma once

#include "engine/Criteria.h"
#include "engine/DescFormat.h"
#include "engine/EntryLines.h"

#include "engine/Highlight.h"
#include "tools/OutputBuffer.h"
#include "tools/TerminalText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fendix::tools {

// A matching entry as the output shows it.
struct EntryShown {
    std::string_view path;  // the file it was read from, as the output names files
    std::string_view label; // what the description window's label holds
    engine::TDescKind kind;
    const engine::EntryLineList& lines;
};

// The error that ended a search, as the output reports it.
struct RunError {
    std::string message;     // as the error report shows it, without the "." it adds
    std::string path;        // the file or directory that failed; empty when none is known
    std::optional<int> code; // the system's error code of an input/output error
};

// What a search has shown and read.
struct RunTotals {
    std::size_t entries = 0;
    std::size_t files = 0;
    std::int64_t bytes = 0;
};

enum class GaugeName { File, Total };

// What a search without windows prints, in one of its formats.
class Printer {
public:
    virtual ~Printer() = default;

    // The search begins, with these criteria (code page 437 bytes) compared so.
    virtual void BeginSearch(const engine::Criteria& criteria, bool ignoreCase) = 0;

    // With --trace: the progress window's file caption, for the file at `path`, and its
    // gauges, one of which has just been set.
    virtual void FileCaption(std::string_view caption, std::string_view path) = 0;
    virtual void Gauge(GaugeName changed, int filePercent, int totalPercent) = 0;
    // A matching entry.
    virtual void Entry(const EntryShown& entry) = 0;
    // With -l: a file with a matching entry.
    virtual void FileWithMatch(std::string_view path) = 0;
    // The invalid-file message box.
    virtual void Message(std::string_view text) = 0;
    // Something the command line asked for that cannot be had; the search goes on.
    virtual void Warning(std::string_view text) = 0;
    // The error that ended the search.
    virtual void Error(const RunError& error) = 0;
    // One file of the catalogue, with its group (--list).
    virtual void Item(std::string_view group, std::string_view name) = 0;

    // With --count, after a search that ran to its end: the number of entries shown.
    virtual void Count(std::size_t shown);
    // The end of a search, whatever ended it.
    virtual void Summary(const RunTotals&) {}

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
// With -l, the paths alone, one a line, and no message. Warnings are not printed.
class EventPrinter final : public Printer {
public:
    EventPrinter(OutputBuffer& out, bool interactive, bool pathsOnly)
        : Printer(out, interactive), pathsOnly_(pathsOnly)
    {
    }

    void BeginSearch(const engine::Criteria&, bool) override {}
    void FileCaption(std::string_view caption, std::string_view) override { Event("FicGroup", caption); }
    void Gauge(GaugeName changed, int filePercent, int totalPercent) override;
    void Entry(const EntryShown& entry) override;
    void FileWithMatch(std::string_view path) override;
    void Message(std::string_view text) override
    {
        if (!pathsOnly_)
            Event("Message", text);
    }
    void Warning(std::string_view) override {}
    void Error(const RunError& error) override;
    void Item(std::string_view group, std::string_view name) override { Event(group, name); }

private:
    void Event(std::string_view name, std::string_view text)
    {
        out_.Append(name);
        out_.Append(' ');
        out_.Append(text);
        out_.Append('\n');
    }

    bool pathsOnly_;
};

// Entries for a person to read: a header with the label, the stored lines decoded from code
// page 437 to UTF-8, a blank line between two entries. With colours the header is bold and
// the occurrences of the texts are marked as the description window marks them. Messages,
// warnings and errors go to standard error as "fendix-search: <text>", an error after the
// path that failed.
class TextPrinter final : public Printer {
public:
    // Without colours nothing is marked.
    TextPrinter(OutputBuffer& out, OutputBuffer& errors, bool interactive, std::optional<Colors> colors);

    void BeginSearch(const engine::Criteria& criteria, bool ignoreCase) override;
    void FileCaption(std::string_view caption, std::string_view) override { Trace("FicGroup", caption); }
    void Gauge(GaugeName changed, int filePercent, int totalPercent) override;
    void Entry(const EntryShown& entry) override;
    void FileWithMatch(std::string_view path) override;
    void Message(std::string_view text) override;
    void Warning(std::string_view text) override;
    void Error(const RunError& error) override;
    void Item(std::string_view group, std::string_view name) override { Trace(group, name); }

private:
    struct Utf8Character {
        std::array<char, 4> bytes{};
        std::size_t length = 0;
    };

    void Trace(std::string_view name, std::string_view value);
    void Label(std::string_view label);
    void Line(std::string_view line);
    void AppendDecoded(std::string_view bytes);
    void AppendMarked(std::string_view line, std::size_t& written, engine::ByteRange mark);
    void AppendName(std::string_view bytes);
    void Complain(std::string_view path, std::string_view text, std::string_view ending);

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
