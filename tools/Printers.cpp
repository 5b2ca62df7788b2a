#include "tools/Printers.h"

#include "codepage/Cp437.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace fendix::tools {

namespace {

// The decimal digits of a number, in a room of the caller's.
template <typename Number> std::string_view Digits(Number number, std::array<char, 24>& room)
{
    const auto result = std::to_chars(room.data(), room.data() + room.size(), number);
    return std::string_view(room.data(), static_cast<std::size_t>(result.ptr - room.data()));
}

} // namespace

void Printer::Count(std::size_t shown)
{
    std::array<char, 24> room;
    out_.Append(Digits(shown, room));
    out_.Append('\n');
}

void EventPrinter::Gauge(GaugeName changed, int filePercent, int totalPercent)
{
    std::array<char, 24> room;
    if (changed == GaugeName::File)
        Event("FicGauge", Digits(filePercent, room));
    else
        Event("TotalGauge", Digits(totalPercent, room));
}

void EventPrinter::Entry(const EntryShown& entry)
{
    Event("DescLabel", entry.label);
    for (std::size_t i = 0; i < entry.lines.Count(); ++i)
        Event("ListeDesc", entry.lines[i]);
    EntryDone();
}

void EventPrinter::FileWithMatch(std::string_view path)
{
    out_.Append(path);
    out_.Append('\n');
    EntryDone();
}

void EventPrinter::Error(const RunError& error)
{
    out_.Append("Error ");
    out_.Append(error.message);
    out_.Append(".\n");
}

TextPrinter::TextPrinter(OutputBuffer& out, OutputBuffer& errors, bool interactive,
                         std::optional<Colors> colors)
    : Printer(out, interactive), errors_(errors), colors_(std::move(colors))
{
    if (colors_) {
        boldStart_ = colors_->Start("1");
        if (!colors_->match.empty())
            matchStart_ = colors_->Start(colors_->match);
        colorEnd_ = colors_->End();
    }
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::string character;
        codepage::AppendUtf8(character, codepage::LineCharacter(static_cast<unsigned char>(byte)));
        std::copy(character.begin(), character.end(), decoded_[byte].bytes.begin());
        decoded_[byte].length = character.size();
    }
}

void TextPrinter::BeginSearch(const engine::Criteria& criteria, bool ignoreCase)
{
    if (!matchStart_.empty())
        highlighter_.emplace(criteria, ignoreCase);
    longestText_ = 1;
    for (const std::string& text : criteria.texts)
        longestText_ = std::max(longestText_, text.size());
}

void TextPrinter::Gauge(GaugeName changed, int filePercent, int totalPercent)
{
    std::array<char, 24> room;
    if (changed == GaugeName::File)
        Trace("FicGauge", Digits(filePercent, room));
    else
        Trace("TotalGauge", Digits(totalPercent, room));
}

void TextPrinter::Entry(const EntryShown& entry)
{
    Label(entry.label);
    for (std::size_t i = 0; i < entry.lines.Count(); ++i)
        Line(entry.lines[i]);
    EntryDone();
}

void TextPrinter::FileWithMatch(std::string_view path)
{
    AppendName(path);
    out_.Append('\n');
    EntryDone();
}

void TextPrinter::Trace(std::string_view name, std::string_view value)
{
    out_.Append(name);
    out_.Append(' ');
    AppendName(value);
    out_.Append('\n');
}

void TextPrinter::Label(std::string_view label)
{
    if (entryWritten_)
        out_.Append('\n');
    entryWritten_ = true;
    out_.Append(boldStart_);
    AppendName(label);
    out_.Append(colorEnd_);
    out_.Append('\n');
}

void TextPrinter::Line(std::string_view line)
{
    if (highlighter_ && !highlighter_->Empty()) {
        // The line is looked at a part at a time, so that a line of any length costs a
        // bounded room; each part reaches far enough past its end to see whole every
        // occurrence that begins in it. A mark that goes on into the next part is joined
        // with what that part finds.
        constexpr std::size_t Part = std::size_t{1} << 16;
        std::size_t written = 0; // bytes of the line written so far
        std::optional<engine::ByteRange> mark;
        for (std::size_t from = 0; from < line.size(); from += Part) {
            const std::string_view part = line.substr(from, Part + longestText_ - 1);
            for (const engine::ByteRange& found : highlighter_->In(part)) {
                const engine::ByteRange range{from + found.begin, from + found.end};
                if (range.begin >= from + Part)
                    break; // the next part finds it
                if (mark && range.begin <= mark->end) {
                    mark->end = std::max(mark->end, range.end);
                    continue;
                }
                if (mark)
                    AppendMarked(line, written, *mark);
                mark = range;
            }
        }
        if (mark)
            AppendMarked(line, written, *mark);
        AppendDecoded(line.substr(written));
    } else {
        AppendDecoded(line);
    }
    out_.Append('\n');
}

// The bytes of the line up to a mark, then the mark in colour.
void TextPrinter::AppendMarked(std::string_view line, std::size_t& written, engine::ByteRange mark)
{
    AppendDecoded(line.substr(written, mark.begin - written));
    out_.Append(matchStart_);
    AppendDecoded(line.substr(mark.begin, mark.end - mark.begin));
    out_.Append(colorEnd_);
    written = mark.end;
}

void TextPrinter::Message(std::string_view text)
{
    Complain({}, text, "\n");
}

void TextPrinter::Warning(std::string_view text)
{
    Complain({}, "warning: " + std::string(text), "\n");
}

void TextPrinter::Error(const RunError& error)
{
    Complain(error.path, error.message, ".\n");
}

// Each code page 437 byte becomes its character, at most three bytes of UTF-8, written
// straight into the output block.
void TextPrinter::AppendDecoded(std::string_view bytes)
{
    constexpr std::size_t Widest = 3;
    while (!bytes.empty()) {
        const std::span<char> room = out_.Room(std::min(bytes.size() * Widest, out_.Capacity()));
        const std::size_t count = std::min(bytes.size(), room.size() / Widest);
        char* to = room.data();
        for (std::size_t i = 0; i < count; ++i) {
            const Utf8Character& character = decoded_[static_cast<unsigned char>(bytes[i])];
            std::memcpy(to, character.bytes.data(), Widest);
            to += character.length;
        }
        out_.Commit(static_cast<std::size_t>(to - room.data()));
        bytes.remove_prefix(count);
    }
}

void TextPrinter::AppendName(std::string_view bytes)
{
    scratch_.clear();
    AppendReadableName(scratch_, bytes);
    out_.Append(scratch_);
}

// What the windows show in a message box goes to standard error, after the entries written
// so far, so that it stands where it happened; an error names the path that failed first.
void TextPrinter::Complain(std::string_view path, std::string_view text, std::string_view ending)
{
    out_.Flush();
    errors_.Append("fendix-search: ");
    scratch_.clear();
    if (!path.empty()) {
        AppendReadableName(scratch_, path);
        scratch_ += ": ";
    }
    AppendReadableName(scratch_, text);
    errors_.Append(scratch_);
    errors_.Append(ending);
    errors_.Flush();
}

} // namespace fendix::tools
