#include "settings/IniFile.h"

#include "platform/FileSystem.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
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

// Reads a whole file into `text`. Returns false when the file is there but cannot be read
// whole; a missing file is read as empty.
bool ReadWholeFile(const std::string& path, std::string& text)
{
    text.clear();
    // Non-blocking, so that a pipe bearing the name cannot stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0
              && static_cast<std::uint64_t>(info.st_size) <= IniFile::MaxFileSize;
    if (ok) {
        // The size may change while we read: never hold more than the limit.
        text.resize(static_cast<std::size_t>(info.st_size) + 1);
        std::size_t got = 0;
        for (;;) {
            if (got == text.size()) {
                if (text.size() > IniFile::MaxFileSize) {
                    ok = false;
                    break;
                }
                text.resize(std::min(text.size() * 2, IniFile::MaxFileSize + 1));
            }
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(ok ? got : 0);
    }
    ::close(fd);
    if (!ok)
        text.clear();
    return ok;
}

// Names of the temporary files of a save: "." + the file's name (its first 200 bytes) +
// "." + a number.
std::string TemporaryPrefix(std::string_view base)
{
    base = base.substr(0, 200);
    std::string prefix;
    prefix.reserve(base.size() + 2);
    prefix += '.';
    prefix += base;
    prefix += '.';
    return prefix;
}

bool IsTemporaryName(std::string_view name, std::string_view prefix) noexcept
{
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 20 || !name.starts_with(prefix))
        return false;
    return name.substr(prefix.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

bool SameFile(const struct stat& a, const struct stat& b) noexcept
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when `fd`, opened on `path`, is still the file of that name.
bool StillNamed(int fd, const std::string& path)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && SameFile(held, named);
}

// A save holds an exclusive lock on its temporary file from before the file bears a name
// until it has been renamed over the settings file, so a temporary file that nobody holds
// locked was left by a save that was cut short. Where the file system has no locks, no
// temporary file is ever taken for a stale one.
enum class Lock { Held, Busy, Unavailable };

Lock TryLock(int fd)
{
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? Lock::Busy : Lock::Unavailable;
    }
    return Lock::Held;
}

// Removes the temporary files that cut-short saves of `base` left in `directory`, and
// nothing that a save in progress, of this or another running program, still holds.
void RemoveStaleTemporaries(const std::string& directory, const std::string& base)
{
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr)
        return;
    const std::string prefix = TemporaryPrefix(base);
    while (const dirent* entry = ::readdir(listing)) {
        if (!IsTemporaryName(entry->d_name, prefix))
            continue;
        const std::string path = directory + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat info {};
        // Locked by us, and still under that name: the save that made it is gone.
        if (TryLock(fd) == Lock::Held && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
            && StillNamed(fd, path))
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(listing);
}

// Draws temporary names from a seed of the clock and the process.
class TemporaryNames {
public:
    TemporaryNames(const std::string& directory, const std::string& base)
        : stem_(directory + "/" + TemporaryPrefix(base)),
          seed_(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
                ^ (static_cast<std::uint64_t>(::getpid()) << 32))
    {
    }

    std::string Next()
    {
        seed_ = seed_ * 6364136223846793005ull + 1442695040888963407ull;
        return stem_ + std::to_string(seed_ >> 33);
    }

private:
    std::string stem_;
    std::uint64_t seed_;
};

constexpr int NameAttempts = 100;

// A fresh named temporary file, locked; -1 when none can be made.
int CreateNamedTemporary(TemporaryNames& names, mode_t mode, std::string& temporary)
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        temporary = names.Next();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Between the creation and the lock, another save's clean-up may have taken the
        // fresh file for a stale one: then it is no longer ours, and another name is drawn.
        const Lock lock = TryLock(fd);
        if (lock == Lock::Unavailable || (lock == Lock::Held && StillNamed(fd, temporary)))
            return fd;
        ::close(fd);
    }
    return -1;
}

// Gives an unnamed file (O_TMPFILE) a temporary name; false when it cannot.
bool LinkUnnamed(int fd, TemporaryNames& names, std::string& temporary)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        temporary = names.Next();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        // Without /proc, the system may still link the descriptor itself.
        if (::linkat(fd, "", AT_FDCWD, temporary.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Writes the text to a fresh file of the same directory, flushes it to disk and renames
// it over the target, so that the target always holds either its old or its new content.
// The file is written unnamed where the file system allows it (O_TMPFILE) and gets a name
// only for the rename, so that a save cut short leaves nothing behind; each save also
// removes the temporary files that earlier saves, cut short, left. Throws
// ESettingsWriteError(shownPath) on any failure, after removing its own temporary file.
void ReplaceFile(const std::string& path, const std::string& text, const std::string& shownPath)
{
    const auto fail = [&shownPath] { throw ESettingsWriteError(shownPath); };

    // Through a symbolic link the file it names is replaced, and the link kept.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (!S_ISREG(old.st_mode))
            fail();
        // A read-only file is not replaced, even by someone whom permissions do not stop.
        if ((old.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0)
            fail();
    }
    const std::size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "."
                                  : slash == 0               ? "/"
                                                             : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    struct stat folder {};
    if (::stat(directory.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)
        || (folder.st_mode & S_IWUSR) == 0)
        fail(); // a read-only directory is not written into either

    const mode_t createMode = exists ? S_IRUSR | S_IWUSR : 0666;
    // The content of the new file: its owner and permission bits as the old one's, the text,
    // all on the disk.
    const auto fill = [&](int fd) {
        if (exists) {
            if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
                (void)!::fchown(fd, old.st_uid, old.st_gid); // kept when we may; not a failure
            if (::fchmod(fd, old.st_mode & 07777) != 0)
                return false;
        }
        return platform::WriteAll(fd, text) == 0 && ::fsync(fd) == 0;
    };

    TemporaryNames names(directory, base);
    std::string temporary;
    int fd = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode);
    if (fd >= 0) {
        // Locked before it has a name, so that no clean-up ever takes it for a stale one.
        (void)TryLock(fd);
        if (!fill(fd)) {
            ::close(fd);
            fail();
        }
        if (!LinkUnnamed(fd, names, temporary)) {
            ::close(fd);
            fd = -1; // written again, as a named file
        }
    }
    if (fd < 0) {
        fd = CreateNamedTemporary(names, createMode, temporary);
        if (fd < 0)
            fail();
        if (!fill(fd)) {
            ::unlink(temporary.c_str());
            ::close(fd);
            fail();
        }
    }
    // The lock is let go only once the file bears its final name; what it holds is on the
    // disk already.
    const bool renamed = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!renamed)
        ::unlink(temporary.c_str());
    ::close(fd);
    if (!renamed)
        fail();
    // The rename itself reaches the disk with the directory.
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    RemoveStaleTemporaries(directory, base);
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

IniFile::IniFile(const std::string& path) : path_(platform::AbsolutePath(path))
{
    std::string text;
    readable_ = ReadWholeFile(path_, text);
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

void IniFile::Save() const
{
    const std::string text = Text();
    if (!readable_)
        throw ESettingsWriteError(path_); // writing would lose what could not be read
    if (text == original())
        return;
    ReplaceFile(path_, text, path_);
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
