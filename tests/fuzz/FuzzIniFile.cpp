// Fuzz target: an initialisation file of arbitrary bytes, read from disk and from memory,
// then changed and read back.
//
// What must hold, besides no crash, leak or hang:
// - a file read and left unchanged gives back its bytes exactly;
// - after a series of writes and erasures, the new text read afresh gives, for every name
//   asked about, the value last written, the default after an erasure, and otherwise the
//   value the original text gave; the text read afresh gives itself back unchanged.

#include "settings/IniFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using fendix::settings::IniFile;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    return text;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r' || c == '\n' || c == '\x1A';
}

bool CanNameSection(const std::string& name)
{
    return name.find_first_of("\r\n") == std::string::npos
           && (name.empty() || (!IsBlank(name.front()) && !IsBlank(name.back())));
}

bool CanNameKey(const std::string& key)
{
    return !key.empty() && key.find_first_of("=\r\n") == std::string::npos && !IsBlank(key.front())
           && !IsBlank(key.back()) && key.front() != ';' && key.front() != '[';
}

std::string PickName(FuzzedDataProvider& input, const std::vector<std::string>& known)
{
    if (input.ConsumeBool())
        return known[input.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
    return input.ConsumeRandomLengthString(24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(size);

    // Through the file system: read once, nothing changed, the same bytes come back.
    const std::string& path = fendix::fuzz::FileForInputs("fuzz_inifile");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
        Check(fd >= 0, "temporary file opens");
        Check(::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()),
              "temporary file written");
        ::close(fd);
        const IniFile fromDisk(path);
        Check(fromDisk.Readable(), "an ordinary file is readable");
        Check(fromDisk.Empty() == text.empty(), "empty exactly when no bytes");
        Check(fromDisk.Text() == text, "an unchanged file keeps its bytes");
    }

    const std::vector<std::string> sections = {
        "WinFendix", "Fichiers standards", "fichiers ANNEXES", "S", "s", ""};
    const std::vector<std::string> keys = {"Nombre", "Item1", "ITEM2", "RepertoireDefaut", "k", "K"};
    const IniFile original(path, text);
    IniFile changed(path, text);

    // What each name must read as at the end: written values, and sections erased since.
    std::map<std::pair<std::string, std::string>, std::string> written;
    std::set<std::string> erased;
    std::vector<std::pair<std::string, std::string>> asked;

    const int operations = input.ConsumeIntegralInRange(0, 24);
    for (int i = 0; i < operations && input.remaining_bytes() > 0; ++i) {
        const std::string section = PickName(input, sections);
        const std::string key = PickName(input, keys);
        asked.emplace_back(section, key);
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            const std::string value = input.ConsumeRandomLengthString(1100);
            // The names and values the file cannot hold are refused, and only those.
            const bool acceptable = IniFile::CanHold(value) && CanNameSection(section) && CanNameKey(key);
            try {
                changed.WriteString(section, key, value);
            } catch (const std::invalid_argument&) {
                Check(!acceptable, "a name or value the file can hold is refused");
                break;
            }
            Check(acceptable, "a name or value the file cannot hold is written");
            written[{Upper(section), Upper(key)}] = value;
            Check(changed.ReadString(section, key, "\x01") == value.substr(0, IniFile::MaxValueLength),
                  "a written value reads back at once");
            break;
        }
        case 1:
            changed.EraseSection(section);
            erased.insert(Upper(section));
            for (auto it = written.begin(); it != written.end();)
                it = it->first.first == Upper(section) ? written.erase(it) : std::next(it);
            Check(changed.ReadString(section, key, "\x01") == "\x01", "an erased section reads as missing");
            break;
        case 2:
            (void)changed.ReadInteger(section, key, input.ConsumeIntegral<std::int32_t>());
            break;
        default:
            (void)fendix::settings::ParseInteger(input.ConsumeRandomLengthString(16), 0);
            break;
        }
    }

    const std::string newText = changed.Text();
    const IniFile reread(path, newText);
    Check(reread.Text() == newText, "the new text reads back whole");
    for (const auto& [section, key] : asked) {
        const auto found = written.find({Upper(section), Upper(key)});
        std::string expected;
        if (found != written.end())
            expected = found->second.substr(0, IniFile::MaxValueLength);
        else if (erased.count(Upper(section)) != 0)
            expected = "\x01";
        else
            expected = original.ReadString(section, key, "\x01");
        Check(changed.ReadString(section, key, "\x01") == expected, "reads in memory follow the writes");
        Check(reread.ReadString(section, key, "\x01") == expected, "reads of the new text follow the writes");
    }
    return 0;
}
