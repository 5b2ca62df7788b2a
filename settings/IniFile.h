#pragma once

#include "platform/ProgramError.h"
#include "settings/FileReplace.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fendix::settings {

// A write of the settings file that the system refused: "Ne peut écrire dans %s", with the
// file's full path.
class ESettingsWriteError : public platform::EProgramError {
public:
    explicit ESettingsWriteError(const std::string& path);
};

// Section and key names hashed and compared without regard to the case of a to z.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept;
};
struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

// An initialisation file: sections "[name]" holding "key=value" lines.
//
// The file is read once, when the object is made; reads and changes then work on that text
// in memory, and Save writes the whole new text at once. Lines that no change touches are
// written back byte for byte.
//
// Reading: a UTF-8 byte-order mark at the start is passed over (and written back); a line
// ends at CR, LF or CR LF; each line is trimmed of blanks (space, tab, form feed, vertical
// tab, CR, LF and 0x1A), and blank lines count for nothing. A line that starts with "[" and holds a "]" is a
// section line; its name runs to the last "]", trimmed. A line starting with ";" is a
// comment. Any other line with an "=" is a key line: it splits at its first equals sign,
// and key and value are trimmed. Section and key names match without regard to the case
// of a to z; of two sections, or two keys of a section, with the same name, the first is
// the one read and written. A value that starts and ends with the same quote (' or "),
// two characters at least, loses both quotes, and at most MaxValueLength bytes of a value
// are read (a longer value is written whole). A missing file, section or key gives the
// default.
//
// Writing: a missing section is added after the existing ones, a missing key after the
// existing keys of its section, both as lines ended by CR LF; an existing key keeps its
// place, its spelling and the blanks around its value.
class IniFile {
public:
    // The most bytes of a value a read gives.
    static constexpr std::size_t MaxValueLength = 1023;
    // A larger file is not read: reads give their defaults and Save refuses to replace it.
    static constexpr std::size_t MaxFileSize = std::size_t{64} << 20;

    // Reads the file. `path` is made absolute against the current directory. A file that
    // is missing reads as empty; one that cannot be read whole (no rights, not an ordinary
    // file, too large) reads as empty too, is never replaced by Save, and CheckRead raises
    // what stopped the read.
    explicit IniFile(const std::string& path);

    // Takes `text` as the content of the file at `path`, without reading it.
    IniFile(const std::string& path, std::string text);

    IniFile(IniFile&&);
    IniFile& operator=(IniFile&&);
    ~IniFile();

    // The file's full path.
    const std::string& Path() const noexcept { return path_; }

    // True when nothing was read: the file is missing, empty or unreadable.
    bool Empty() const noexcept { return original().empty(); }

    // True when no file bears the name.
    bool Missing() const noexcept { return missing_; }

    // False when the file exists but could not be read whole.
    bool Readable() const noexcept { return readError_ == 0 && !invalid_; }

    // Raises what kept the file from being read, when it could not be: the input/output
    // error of the read (platform::EInOutError), or platform::EInvalidFile for a file too
    // large or not an ordinary file. Does nothing when it was read or is missing.
    void CheckRead() const;

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // The value read as an integer (see ParseInteger); the default when it is not one.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;

    // An integer other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Sets a value in memory. The value must be one the file can hold (CanHold); a value
    // with blanks at its ends, or with the same quote at both ends, is written between
    // double quotes so that it reads back unchanged. Raises std::invalid_argument for a
    // value the file cannot hold or a section or key name it cannot hold.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

    // Booleans are written "1" and "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Removes every section of that name: its header and all its lines.
    void EraseSection(std::string_view section);

    // The whole text as it now stands.
    std::string Text() const;

    // Writes the text when it differs from what was read, as ReplaceFile writes it: the file
    // keeps its mode, owner, group and links, and is replaced whole or, where a new file
    // would lose one of them, written in place. Raises ESettingsWriteError with the full
    // path when the save is refused or fails, and when the file could not be read (its
    // content would be lost); a refused save leaves the file exactly as it was. `ways`
    // serves tests, to run the save's fallbacks.
    void Save(const SaveWays& ways = {}) const;

    // True when the file can hold a value: no CR or LF in it. A value longer than
    // MaxValueLength is written whole, and reads give its first MaxValueLength bytes.
    static bool CanHold(std::string_view value) noexcept;

private:
    struct Chunk {
        std::string_view raw; // the bytes, line ends included
        bool key = false;     // a key line; otherwise a run of other lines
    };
    struct KeyIndex;
    struct Section {
        std::string_view header; // the header line as it stands; empty before the first one
        std::vector<Chunk> chunks;
        bool erased = false;
        mutable std::unique_ptr<KeyIndex> index; // made when the section is first used
        Section();
        Section(Section&&) noexcept;
        Section& operator=(Section&&) noexcept;
        ~Section();
    };

    void Parse();
    const std::string& original() const noexcept { return store_.front(); }
    std::string_view Keep(std::string text);
    Section* FindSection(std::string_view name) const;
    KeyIndex& IndexOf(const Section& section) const;
    const Chunk* FindKey(std::string_view section, std::string_view key) const;

    std::string path_;
    bool missing_ = false;
    int readError_ = 0;             // the system's error code of a read that failed
    bool invalid_ = false;          // too large, or not an ordinary file
    std::string_view mark_;         // the byte-order mark the text starts with, or nothing
    std::deque<std::string> store_; // the text read, then new lines; elements never move
    mutable std::vector<Section> sections_;
    // Sections looked up so far, by name: the index of the first one of that name, or npos.
    mutable std::unordered_map<std::string, std::size_t, NameHash, NameEqual> sectionLookup_;
};

// A value read as an integer: leading blanks, an optional "+" or "-", then decimal digits
// to the end, within the signed 32-bit range; or "$", or "0x" / "0X" followed by at least
// one character, then hexadecimal digits of a 32-bit pattern taken as two's complement.
// Anything else gives the default.
std::int32_t ParseInteger(std::string_view value, std::int32_t defaultValue) noexcept;

} // namespace fendix::settings
