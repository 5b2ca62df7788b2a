#include "tools/JsonPrinter.h"

#include "codepage/Cp437.h"

#include <nlohmann/json.hpp>

namespace fendix::tools {

namespace {

using Json = nlohmann::ordered_json;

// A text of bytes: the string when it is valid UTF-8, else its bytes in base64.
Json TextOf(std::string_view bytes)
{
    std::string_view rest = bytes;
    while (!rest.empty()) {
        char32_t character = 0;
        const std::size_t length = codepage::Utf8CharacterAt(rest, character);
        if (length == 0)
            return Json{{"bytes", Base64(bytes)}};
        rest.remove_prefix(length);
    }
    return Json(std::string(bytes));
}

std::string_view KindName(engine::TDescKind kind) noexcept
{
    switch (kind) {
    case engine::dkNews:
        return "news";
    case engine::dkMaj:
        return "maj";
    case engine::dkBbs:
        break;
    }
    return "bbs";
}

// A stored line in UTF-8, each byte its own character.
std::string Decoded(std::string_view line)
{
    std::string text;
    text.reserve(line.size());
    for (const char c : line)
        codepage::AppendUtf8(
            text, codepage::LineCharacter(static_cast<unsigned char>(c), codepage::LineDecoding::OneToOne));
    return text;
}

} // namespace

std::string Base64(std::string_view bytes)
{
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < count ? static_cast<unsigned char>(bytes[at + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= count ? Alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

JsonPrinter::JsonPrinter(OutputBuffer& out, bool interactive)
    : Printer(out, interactive), buffer_(out), stream_(&buffer_)
{
}

JsonPrinter::Stream::int_type JsonPrinter::Stream::overflow(int_type c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        out_.Append(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

std::streamsize JsonPrinter::Stream::xsputn(const char* bytes, std::streamsize count)
{
    out_.Append(std::string_view(bytes, static_cast<std::size_t>(count)));
    return count;
}

template <typename Object> void JsonPrinter::Write(const Object& object)
{
    stream_ << object << '\n';
}

void JsonPrinter::BeginSearch(const engine::Criteria& criteria, bool ignoreCase)
{
    highlighter_.emplace(criteria, ignoreCase);
}

void JsonPrinter::FileCaption(std::string_view, std::string_view path)
{
    Write(Json{{"type", "file"}, {"path", TextOf(path)}});
}

void JsonPrinter::Gauge(GaugeName, int filePercent, int totalPercent)
{
    Write(Json{{"type", "gauge"}, {"file", filePercent}, {"total", totalPercent}});
}

void JsonPrinter::Entry(const EntryShown& entry)
{
    Json lines = Json::array();
    Json matches = Json::array();
    for (std::size_t i = 0; i < entry.lines.Count(); ++i) {
        const std::string_view line = entry.lines[i];
        lines.push_back(Decoded(line));
        if (highlighter_)
            for (const engine::ByteRange& range : highlighter_->In(line))
                matches.push_back(Json{{"line", i}, {"start", range.begin}, {"end", range.end}});
    }
    Write(Json{{"type", "entry"},
               {"path", TextOf(entry.path)},
               {"label", TextOf(entry.label)},
               {"kind", KindName(entry.kind)},
               {"lines", std::move(lines)},
               {"matches", std::move(matches)}});
    EntryDone();
}

void JsonPrinter::FileWithMatch(std::string_view path)
{
    Write(Json{{"type", "file-match"}, {"path", TextOf(path)}});
    EntryDone();
}

void JsonPrinter::Message(std::string_view text)
{
    Write(Json{{"type", "message"}, {"text", TextOf(text)}});
}

void JsonPrinter::Warning(std::string_view text)
{
    Write(Json{{"type", "warning"}, {"text", TextOf(text)}});
}

void JsonPrinter::Error(const RunError& error)
{
    Json object{{"type", "error"}, {"text", TextOf(error.message + ".")}};
    if (!error.path.empty())
        object["path"] = TextOf(error.path);
    if (error.code)
        object["code"] = *error.code;
    Write(object);
}

void JsonPrinter::Item(std::string_view group, std::string_view name)
{
    Write(Json{{"type", "item"}, {"group", group}, {"name", TextOf(name)}});
}

void JsonPrinter::Summary(const RunTotals& totals)
{
    Write(Json{
        {"type", "summary"}, {"entries", totals.entries}, {"files", totals.files}, {"bytes", totals.bytes}});
}

} // namespace fendix::tools
