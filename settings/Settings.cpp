#include "settings/Settings.h"

#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "settings/IniFile.h"
#include "settings/InstalledDirectory.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace fendix::settings {

namespace {

constexpr std::string_view SectionWinFendix = "WinFendix";
constexpr std::string_view SectionStandards = "Fichiers standards";
constexpr std::string_view SectionAnnexes = "Fichiers annexes";
constexpr std::string_view KeyDefaultDir = "RepertoireDefaut";
constexpr std::string_view KeyIgnoreCase = "IgnoreMAJmin";
constexpr std::string_view KeyLoadAtStart = "ChargeTotal";
constexpr std::string_view KeyAnnexeFirst = "AnnexeDAbord";
constexpr std::string_view KeyCount = "Nombre";
constexpr std::string_view SettingsFileName = "fendix.ini";

// Counts of a section are unsigned 16-bit.
constexpr std::size_t MaxItems = 65535;

std::string ItemKey(std::size_t number)
{
    return "Item" + std::to_string(number);
}

std::size_t ReadCount(const IniFile& ini, std::string_view section)
{
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(ini.ReadInteger(section, KeyCount, 0)));
}

// A first start's directory as the default directory: without its trailing "/" (the root
// stays "/").
std::string WithoutTrailingSeparator(const std::string& directory)
{
    if (directory.size() > 1 && directory.back() == '/')
        return directory.substr(0, directory.size() - 1);
    return directory;
}

// Builds the catalogue from the default directory (a relative one taken against the
// directory the program started in); when the directory cannot be made current or listed,
// the catalogue is left empty with its three group boxes disabled, and the error is handed
// back.
std::exception_ptr BuildOrEmpty(catalogue::Catalogue& catalogue, platform::Places& places,
                                const Settings& settings)
{
    try {
        catalogue::BuildCatalogue(catalogue, places,
                                  platform::ResolvedDirectory(settings.DefaultDir, settings.StartDirectory));
        return nullptr;
    } catch (const platform::EProgramError&) {
        catalogue.items.clear();
        catalogue.AscCount = 0;
        catalogue.AscVracCount = 0;
        for (auto& check : catalogue.checks)
            check.enabled = false;
        return std::current_exception();
    }
}

void LoadSelectionFrom(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                       const IniFile& ini)
{
    settings.IgnoreCase = ini.ReadBool(SectionWinFendix, KeyIgnoreCase, true);
    settings.AnnexeFirst = ini.ReadBool(SectionWinFendix, KeyAnnexeFirst, true);

    const std::size_t count = ReadCount(ini, SectionStandards);
    if (count != 0) {
        catalogue::SelectAll(catalogue, false);
        // A name borne by two items selects the first of them.
        std::unordered_map<std::string_view, std::size_t> firstOfName;
        firstOfName.reserve(catalogue.items.size());
        for (std::size_t i = 0; i < catalogue.items.size(); ++i)
            firstOfName.emplace(catalogue.items[i].name, i);
        for (std::size_t k = 1; k <= count; ++k) {
            const std::string name = ini.ReadString(SectionStandards, ItemKey(k), "");
            const auto found = firstOfName.find(name);
            if (found != firstOfName.end())
                catalogue.items[found->second].selected = true;
        }
    }

    const std::size_t annexes = ReadCount(ini, SectionAnnexes);
    settings.AnnexeFiles.clear();
    for (std::size_t k = 1; k <= annexes; ++k) {
        std::string path = ini.ReadString(SectionAnnexes, ItemKey(k), "");
        if (!path.empty() && places.FileSizeOf(path) > 0)
            settings.AnnexeFiles.push_back(std::move(path));
    }
}

// A settings file read for a search: one inside a CD image is read through the image, and
// reads as missing when the image holds no such file.

// Puts every value of the settings into the file's text, in the order of a save. Names and
// paths that the file cannot hold (a line end in them) are passed over and not counted.
void WriteSettings(const Settings& settings, const catalogue::Catalogue& catalogue, IniFile& ini)
{
    if (!IniFile::CanHold(settings.DefaultDir))
        throw ESettingsWriteError(ini.Path());
    ini.WriteString(SectionWinFendix, KeyDefaultDir, settings.DefaultDir);
    ini.WriteBool(SectionWinFendix, KeyIgnoreCase, settings.IgnoreCase);
    ini.WriteBool(SectionWinFendix, KeyLoadAtStart, settings.LoadAtStart);
    ini.WriteBool(SectionWinFendix, KeyAnnexeFirst, settings.AnnexeFirst);

    std::vector<const std::string*> annexes;
    for (const auto& path : settings.AnnexeFiles)
        if (annexes.size() < MaxItems && IniFile::CanHold(path))
            annexes.push_back(&path);
    if (!annexes.empty()) {
        ini.WriteInteger(SectionAnnexes, KeyCount, static_cast<std::int32_t>(annexes.size()));
        for (std::size_t k = 1; k <= annexes.size(); ++k)
            ini.WriteString(SectionAnnexes, ItemKey(k), *annexes[k - 1]);
    } else {
        ini.EraseSection(SectionAnnexes);
    }

    std::size_t k = 0;
    for (const auto& item : catalogue.items) {
        if (k == MaxItems)
            break;
        if (item.selected && IniFile::CanHold(item.name))
            ini.WriteString(SectionStandards, ItemKey(++k), item.name);
    }
    if (k > 0)
        ini.WriteInteger(SectionStandards, KeyCount, static_cast<std::int32_t>(k));
    else
        ini.EraseSection(SectionStandards);
}

bool MayWrite(const std::string& path)
{
    struct stat info {};
    return ::access(path.c_str(), W_OK) == 0 && ::stat(path.c_str(), &info) == 0
           && (info.st_mode & S_IWUSR) != 0;
}

// Creates a folder and the missing folders above it, for the owner alone.
void MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return; // the write will report what stands in the way
        if (slash == std::string::npos)
            return;
    }
}

// A path without the "/" at its end, the root's included.
std::string WithoutTrailingSlashes(std::string path)
{
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

// An absolute path from the environment, without its trailing "/"; nothing for a relative
// or empty one.
std::optional<std::string> AbsoluteFolder(const std::optional<std::string>& value)
{
    if (!value || value->empty() || value->front() != '/')
        return std::nullopt;
    return WithoutTrailingSlashes(*value);
}

// True when two paths name the same directory: the same file where both are there, the
// same text otherwise.
bool SameDirectory(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return WithoutTrailingSlashes(a) == WithoutTrailingSlashes(b);
}

// The home directory of the user the program runs as, from the user database.
std::optional<std::string> HomeOfUser()
{
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr
        || found->pw_dir == nullptr)
        return std::nullopt;
    return std::string(found->pw_dir);
}

std::optional<std::string> EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

// HOME, or the home of the user database when HOME is not an absolute path.
std::optional<std::string> UsersHome()
{
    std::optional<std::string> home = EnvironmentValue("HOME");
    if (!AbsoluteFolder(home))
        home = HomeOfUser();
    return home;
}

} // namespace

SettingsPlace SettingsPlaceFor(const std::string& programDir, const std::string& installedDir,
                               const std::optional<std::string>& xdgConfigHome,
                               const std::optional<std::string>& home)
{
    const std::optional<std::string> homeDir = AbsoluteFolder(home);
    std::optional<std::string> configFolder = AbsoluteFolder(xdgConfigHome);
    if (!configFolder && homeDir)
        configFolder = *homeDir + "/.config";
    const std::string inConfigFolder = configFolder.value_or("") + "/fendix/" + std::string(SettingsFileName);

    const std::string firstDir = FirstDirectoryFor(programDir, installedDir, home);
    if (SameDirectory(programDir, installedDir)) {
        // Installed for everyone: whoever runs it, root included, has settings of their own.
        if (!configFolder)
            throw ESettingsWriteError("$HOME/.config/fendix/" + std::string(SettingsFileName));
        MakeFolders(*configFolder + "/fendix");
        return {inConfigFolder, firstDir};
    }

    const std::string beside = programDir + std::string(SettingsFileName);
    struct stat info {};
    // The user's settings are where the user left them, even when they cannot be written.
    if (::lstat(beside.c_str(), &info) == 0 || MayWrite(programDir) || !configFolder)
        return {beside, firstDir};
    MakeFolders(*configFolder + "/fendix");
    return {inConfigFolder, firstDir};
}

std::string FirstDirectoryFor(const std::string& programDir, const std::string& installedDir,
                              const std::optional<std::string>& home)
{
    if (!SameDirectory(programDir, installedDir))
        return programDir;
    return AbsoluteFolder(home).value_or("") + "/";
}

SettingsPlace FindSettingsPlace()
{
    return SettingsPlaceFor(platform::ProgramDirectory(), std::string(InstalledProgramDirectory),
                            EnvironmentValue("XDG_CONFIG_HOME"), UsersHome());
}

std::string FirstDirectory()
{
    return FirstDirectoryFor(platform::ProgramDirectory(), std::string(InstalledProgramDirectory),
                             UsersHome());
}

void LoadSettings(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                  const std::string& iniPath, const std::string& firstDir)
{
    IniFile ini(iniPath);
    std::exception_ptr buildError;
    if (ini.Empty()) {
        settings.DefaultDir = WithoutTrailingSeparator(firstDir);
        settings.AnnexeFiles.clear();
        buildError = BuildOrEmpty(catalogue, places, settings);
        catalogue::UpdateGroupChecks(catalogue, !settings.AnnexeFiles.empty());
        settings.LoadAtStart = false;
        settings.IgnoreCase = true;
        settings.AnnexeFirst = true;
        // A file that could not be read is never written over: its error is reported below.
        try {
            if (ini.Readable()) {
                WriteSettings(settings, catalogue, ini);
                ini.Save();
            }
        } catch (const ESettingsWriteError&) {
            if (!buildError)
                throw;
            // The build's error is the one reported: it explains the empty list.
        }
    } else {
        settings.DefaultDir = ini.ReadString(SectionWinFendix, KeyDefaultDir, firstDir);
        buildError = BuildOrEmpty(catalogue, places, settings);
        settings.LoadAtStart = ini.ReadBool(SectionWinFendix, KeyLoadAtStart, false);
        settings.AnnexeFiles.clear();
        if (settings.LoadAtStart) {
            LoadSelectionFrom(settings, catalogue, places, ini);
        } else {
            // The user's switches are kept even when the selection is not loaded, so that
            // the save at the end of the run writes them back as they were.
            settings.IgnoreCase = ini.ReadBool(SectionWinFendix, KeyIgnoreCase, true);
            settings.AnnexeFirst = ini.ReadBool(SectionWinFendix, KeyAnnexeFirst, true);
        }
        catalogue::UpdateGroupChecks(catalogue, !settings.AnnexeFiles.empty());
    }
    ini.CheckRead();
    if (buildError)
        std::rethrow_exception(buildError);
}

void LoadSelection(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                   const std::string& iniPath)
{
    const IniFile ini(iniPath);
    ini.CheckRead();
    LoadSelectionFrom(settings, catalogue, places, ini);
}

IniFile ReadIniFile(platform::Places& places, const std::string& path)
{
    if (!places.InImage(path))
        return IniFile(path);
    // A file inside an image is read whole here; what keeps it from being read is raised.
    std::string text;
    const auto source = places.OpenTextFile(path);
    char block[64 * 1024];
    while (const std::size_t got = source->Read(block, sizeof block)) {
        if (text.size() + got > IniFile::MaxFileSize)
            throw platform::EInvalidFile(path);
        text.append(block, got);
    }
    return IniFile(path, std::move(text));
}

void LoadConfiguration(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                       const IniFile& ini, const std::string& firstDir,
                       const std::optional<std::string>& defaultDir)
{
    ini.CheckRead();
    std::exception_ptr buildError;
    settings.AnnexeFiles.clear();
    if (ini.Empty()) {
        settings.DefaultDir = defaultDir ? *defaultDir : WithoutTrailingSeparator(firstDir);
        buildError = BuildOrEmpty(catalogue, places, settings);
        settings.LoadAtStart = false;
        settings.IgnoreCase = true;
        settings.AnnexeFirst = true;
    } else {
        settings.DefaultDir =
            defaultDir ? *defaultDir : ini.ReadString(SectionWinFendix, KeyDefaultDir, firstDir);
        buildError = BuildOrEmpty(catalogue, places, settings);
        settings.LoadAtStart = ini.ReadBool(SectionWinFendix, KeyLoadAtStart, false);
        LoadSelectionFrom(settings, catalogue, places, ini);
    }
    catalogue::UpdateGroupChecks(catalogue, !settings.AnnexeFiles.empty());
    if (buildError)
        std::rethrow_exception(buildError);
}

void SaveSettings(const Settings& settings, const catalogue::Catalogue& catalogue, const std::string& iniPath)
{
    IniFile ini(iniPath);
    WriteSettings(settings, catalogue, ini);
    ini.Save();
}

} // namespace fendix::settings
