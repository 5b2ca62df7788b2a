#include "settings/IniFile.h"

#include "platform/FileSystem.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fendix::settings {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Blanks around lines, names and values: space, tab, form feed, vertical tab, the line ends
// and the end-of-file mark.
constexpr bool IsBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r' || c == '\n' || c == '\x1A';
}

// A UTF-8 byte-order mark, which some editors put at the start of a file.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

constexpr bool IsLineEnd(char c) noexcept
{
    return c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) noexcept
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool SameName(std::string_view a, std::string_view b) noexcept
{
    return platform::SameIgnoringCase(a, b);
}

// A line without its line end (CR LF, CR or LF).
std::string_view ContentOf(std::string_view raw) noexcept
{
    while (!raw.empty() && IsLineEnd(raw.back()))
        raw.remove_suffix(1);
    return raw;
}

bool EndsLine(std::string_view raw) noexcept
{
    return !raw.empty() && IsLineEnd(raw.back());
}

// True for a section line, whose name it gives.
bool SectionNameOf(std::string_view line, std::string_view& name) noexcept
{
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[')
        return false;
    const std::size_t close = trimmed.rfind(']');
    if (close == npos)
        return false;
    name = Trim(trimmed.substr(1, close - 1));
    return true;
}

bool IsKeyLine(std::string_view line) noexcept
{
    const std::string_view trimmed = Trim(line);
    return !trimmed.empty() && trimmed.front() != ';' && trimmed.find('=') != npos;
}

std::string_view KeyOf(std::string_view keyLine) noexcept
{
    const std::string_view trimmed = Trim(ContentOf(keyLine));
    return Trim(trimmed.substr(0, trimmed.find('=')));
}

// The value of a key line, trimmed and without its quotes, before any cut to length.
std::string_view ValueOf(std::string_view keyLine) noexcept
{
    const std::string_view trimmed = Trim(ContentOf(keyLine));
    std::string_view value = Trim(trimmed.substr(trimmed.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

// A value as the file holds it: between double quotes when it would otherwise not read
// back unchanged.
std::string Encoded(std::string_view value)
{
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || quoted)) {
        std::string result;
        result.reserve(value.size() + 2);
        result += '"';
        result += value;
        result += '"';
        return result;
    }
    return std::string(value);
}

bool CanNameSection(std::string_view name) noexcept
{
    return name.find_first_of("\r\n") == npos && Trim(name).size() == name.size();
}

bool CanNameKey(std::string_view key) noexcept
{
    return !key.empty() && key.find_first_of("=\r\n") == npos && Trim(key).size() == key.size()
           && key.front() != ';' && key.front() != '[';
}

// What came of reading a whole file.
struct ReadOutcome {
    bool missing = false;
    int error = 0;        // the system's error code of an open or read that failed
    bool invalid = false; // too large, or not an ordinary file
};

// Reads a whole file into `text`; a missing file, or one that cannot be read whole, gives
// no text.
ReadOutcome ReadWholeFile(const std::string& path, std::string& text)
{
    text.clear();
    ReadOutcome outcome;
    // Non-blocking, so that a pipe bearing the name cannot stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            outcome.missing = true;
        else
            outcome.error = errno;
        return outcome;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        outcome.error = errno;
    else if (S_ISDIR(info.st_mode))
        outcome.error = EISDIR; // what reading it gives
    else if (!S_ISREG(info.st_mode) || info.st_size < 0
             || static_cast<std::uint64_t>(info.st_size) > IniFile::MaxFileSize)
        outcome.invalid = true;
    if (outcome.error == 0 && !outcome.invalid) {
        // The size may change while we read: never hold more than the limit.
        text.resize(static_cast<std::size_t>(info.st_size) + 1);
        std::size_t got = 0;
        for (;;) {
            if (got == text.size()) {
                if (text.size() > IniFile::MaxFileSize) {
                    outcome.invalid = true;
                    break;
                }
                text.resize(std::min(text.size() * 2, IniFile::MaxFileSize + 1));
            }
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                outcome.error = errno;
                break;
            }
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    if (outcome.error != 0 || outcome.invalid)
        text.clear();
    return outcome;
}

} // namespace

std::size_t NameHash::operator()(std::string_view name) const noexcept
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash ^= platform::UpperByte(static_cast<unsigned char>(c));
        hash *= 1099511628211ull;
    }
    return static_cast<std::size_t>(hash);
}

bool NameEqual::operator()(std::string_view a, std::string_view b) const noexcept
{
    return SameName(a, b);
}

struct IniFile::KeyIndex {
    // First key line of each name: its chunk index.
    std::unordered_map<std::string_view, std::size_t, NameHash, NameEqual> first;
    std::size_t lastKey = npos; // chunk index of the section's last key line
};

IniFile::Section::Section() = default;
IniFile::Section::Section(Section&&) noexcept = default;
IniFile::Section& IniFile::Section::operator=(Section&&) noexcept = default;
IniFile::Section::~Section() = default;

ESettingsWriteError::ESettingsWriteError(const std::string& path)
    : EProgramError("Ne peut écrire dans " + path)
{
}

IniFile::IniFile(const std::string& path) : path_(platform::AbsolutePath(path))
{
    std::string text;
    const ReadOutcome read = ReadWholeFile(path_, text);
    missing_ = read.missing;
    readError_ = read.error;
    invalid_ = read.invalid;
    store_.push_back(std::move(text));
    Parse();
}

IniFile::IniFile(const std::string& path, std::string text) : path_(platform::AbsolutePath(path))
{
    store_.push_back(std::move(text));
    Parse();
}

IniFile::IniFile(IniFile&&) = default;
IniFile& IniFile::operator=(IniFile&&) = default;
IniFile::~IniFile() = default;

void IniFile::Parse()
{
    // A byte-order mark at the start is no part of the first line; it is written back.
    const std::string_view whole = original();
    mark_ = whole.starts_with(ByteOrderMark) ? whole.substr(0, ByteOrderMark.size()) : std::string_view();
    const std::string_view text = whole.substr(mark_.size());
    sections_.clear();
    sections_.emplace_back(); // the lines before the first section line
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !IsLineEnd(text[end]))
            ++end;
        const std::size_t contentEnd = end;
        if (end < text.size()) {
            if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
                end += 2;
            else
                end += 1;
        }
        const std::string_view raw = text.substr(pos, end - pos);
        const std::string_view content = text.substr(pos, contentEnd - pos);
        pos = end;

        std::string_view name;
        if (SectionNameOf(content, name)) {
            sections_.emplace_back();
            sections_.back().header = raw;
            continue;
        }
        auto& chunks = sections_.back().chunks;
        if (IsKeyLine(content)) {
            chunks.push_back({raw, true});
        } else if (!chunks.empty() && !chunks.back().key) {
            // Other lines that follow one another make one run: they are only ever kept.
            const std::string_view& run = chunks.back().raw;
            chunks.back().raw = std::string_view(run.data(), run.size() + raw.size());
        } else {
            chunks.push_back({raw, false});
        }
    }
}

std::string_view IniFile::Keep(std::string text)
{
    store_.push_back(std::move(text));
    return store_.back();
}

IniFile::Section* IniFile::FindSection(std::string_view name) const
{
    auto found = sectionLookup_.find(name);
    if (found == sectionLookup_.end()) {
        std::size_t index = npos;
        for (std::size_t i = 1; i < sections_.size(); ++i) {
            std::string_view sectionName;
            if (!sections_[i].erased && SectionNameOf(ContentOf(sections_[i].header), sectionName)
                && SameName(sectionName, name)) {
                index = i;
                break;
            }
        }
        found = sectionLookup_.emplace(std::string(name), index).first;
    }
    return found->second == npos ? nullptr : &sections_[found->second];
}

IniFile::KeyIndex& IniFile::IndexOf(const Section& section) const
{
    if (!section.index) {
        auto index = std::make_unique<KeyIndex>();
        index->first.reserve(section.chunks.size());
        for (std::size_t i = 0; i < section.chunks.size(); ++i) {
            if (!section.chunks[i].key)
                continue;
            index->first.emplace(KeyOf(section.chunks[i].raw), i); // a later duplicate is ignored
            index->lastKey = i;
        }
        section.index = std::move(index);
    }
    return *section.index;
}

const IniFile::Chunk* IniFile::FindKey(std::string_view section, std::string_view key) const
{
    const Section* found = FindSection(section);
    if (found == nullptr)
        return nullptr;
    const KeyIndex& index = IndexOf(*found);
    const auto it = index.first.find(key);
    return it == index.first.end() ? nullptr : &found->chunks[it->second];
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const
{
    const Chunk* line = FindKey(section, key);
    if (line == nullptr)
        return std::string(defaultValue);
    return std::string(ValueOf(line->raw).substr(0, MaxValueLength));
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const
{
    const Chunk* line = FindKey(section, key);
    if (line == nullptr)
        return defaultValue;
    return ParseInteger(ValueOf(line->raw).substr(0, MaxValueLength), defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!CanNameSection(section) || !CanNameKey(key) || !CanHold(value))
        throw std::invalid_argument("a settings value that the file cannot hold");

    Section* found = FindSection(section);
    if (found == nullptr) {
        std::string header;
        header.reserve(section.size() + 4);
        header += '[';
        header += section;
        header += "]\r\n";
        Section added;
        added.header = Keep(std::move(header));
        sections_.push_back(std::move(added));
        sectionLookup_.insert_or_assign(std::string(section), sections_.size() - 1);
        found = &sections_.back();
    }

    KeyIndex& index = IndexOf(*found);
    const auto existing = index.first.find(key);
    if (existing != index.first.end()) {
        Chunk& line = found->chunks[existing->second];
        if (ValueOf(line.raw) == value)
            return; // the line already says so: it stays as it is
        // Everything but the value stays: indentation, the key's spelling, the blanks
        // around the value and the line end.
        const std::string_view content = ContentOf(line.raw);
        const std::size_t valueBegin = content.find('=') + 1;
        std::size_t begin = valueBegin;
        while (begin < content.size() && IsBlank(content[begin]))
            ++begin;
        std::size_t end = content.size();
        while (end > begin && IsBlank(content[end - 1]))
            --end;
        std::string rewritten(content.substr(0, begin));
        rewritten += Encoded(value);
        rewritten += line.raw.substr(end);
        line.raw = Keep(std::move(rewritten));
        return;
    }

    std::string added(key);
    added += '=';
    added += Encoded(value);
    added += "\r\n";
    const std::string_view raw = Keep(std::move(added));
    // After the last key line: only lines that are not keys follow it, so no index moves.
    const std::size_t at = index.lastKey == npos ? 0 : index.lastKey + 1;
    found->chunks.insert(found->chunks.begin() + static_cast<std::ptrdiff_t>(at), Chunk{raw, true});
    index.first.emplace(raw.substr(0, key.size()), at);
    index.lastKey = at;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(std::string_view section)
{
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        std::string_view name;
        if (SectionNameOf(ContentOf(sections_[i].header), name) && SameName(name, section))
            sections_[i].erased = true;
    }
    sectionLookup_.insert_or_assign(std::string(section), npos);
}

std::string IniFile::Text() const
{
    std::size_t size = 0;
    for (const auto& section : sections_) {
        if (section.erased)
            continue;
        size += section.header.size() + 2;
        for (const auto& chunk : section.chunks)
            size += chunk.raw.size() + 2;
    }
    std::string text;
    text.reserve(mark_.size() + size);
    text += mark_;
    bool lineOpen = false; // the last piece put ended without a line end
    const auto put = [&](std::string_view piece) {
        if (piece.empty())
            return;
        if (lineOpen)
            text += "\r\n"; // the old last line gets an end before anything follows it
        text += piece;
        lineOpen = !EndsLine(piece);
    };
    for (const auto& section : sections_) {
        if (section.erased)
            continue;
        put(section.header);
        for (const auto& chunk : section.chunks)
            put(chunk.raw);
    }
    return text;
}

void IniFile::CheckRead() const
{
    if (invalid_)
        throw platform::EInvalidFile(path_);
    if (readError_ != 0)
        platform::RaiseInOutError(readError_);
}

void IniFile::Save(const SaveWays& ways) const
{
    const std::string text = Text();
    if (!Readable())
        throw ESettingsWriteError(path_); // writing would lose what could not be read
    if (text == original())
        return;
    if (!ReplaceFile(path_, text, ways))
        throw ESettingsWriteError(path_);
}

bool IniFile::CanHold(std::string_view value) noexcept
{
    return value.find_first_of("\r\n") == npos;
}

std::int32_t ParseInteger(std::string_view value, std::int32_t defaultValue) noexcept
{
    std::size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
        ++i;
    const std::string_view rest = value.substr(i);
    if (rest.empty())
        return defaultValue;

    std::size_t digitsAt = npos;
    if (rest.front() == '$')
        digitsAt = 1;
    else if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
        digitsAt = 2;
    if (digitsAt != npos) {
        const std::string_view digits = rest.substr(digitsAt);
        if (digits.empty())
            return defaultValue;
        std::uint64_t pattern = 0;
        for (const char c : digits) {
            unsigned digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<unsigned>(c - 'A' + 10);
            else
                return defaultValue;
            pattern = pattern * 16 + digit;
            if (pattern > 0xFFFFFFFFull)
                return defaultValue;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
    }

    bool negative = false;
    std::size_t at = 0;
    if (rest.front() == '+' || rest.front() == '-') {
        negative = rest.front() == '-';
        at = 1;
    }
    if (at == rest.size())
        return defaultValue;
    std::int64_t magnitude = 0;
    for (; at < rest.size(); ++at) {
        const char c = rest[at];
        if (c < '0' || c > '9')
            return defaultValue;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::int64_t{INT32_MAX} + 1)
            return defaultValue;
    }
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX)
        return defaultValue;
    return static_cast<std::int32_t>(result);
}

} // namespace fendix::settings
