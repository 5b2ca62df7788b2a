#pragma once

#include "catalogue/Catalogue.h"
#include "engine/SearchRun.h"
#include "settings/IniFile.h"

#include <optional>
#include <string>

namespace fendix::settings {

// The settings of the program: those the search run reads (DefaultDir, IgnoreCase,
// AnnexeFirst, AnnexeFiles) and whether the saved configuration is loaded at start-up.
struct Settings : engine::SearchSettings {
    bool LoadAtStart = false;
};

// Where fendix.ini lives, and the directory a first start lists.
struct SettingsPlace {
    std::string iniPath;  // the file's full path
    std::string firstDir; // with its trailing "/"
};

// The choice FindSettingsPlace makes, from the program's directory, the directory the
// programs are installed to, and the values of XDG_CONFIG_HOME and HOME (each used only
// when it is an absolute path).
//
// The user's configuration folder is "fendix" in XDG_CONFIG_HOME, or else in HOME's
// ".config"; it is created when missing. The installed program (its directory is
// `installedDir`) keeps fendix.ini there, whoever runs it, and a first start lists the
// home (the root without one); it never reads or writes a fendix.ini beside itself, and raises
// ESettingsWriteError when there is no configuration folder to name. A copy anywhere else
// keeps fendix.ini beside itself when it is there (even read-only: it is read as usual,
// and a save reports that it cannot be written) or when its directory may be written,
// else in the configuration folder (else, without one, beside itself all the same); a
// first start lists the program's directory.
SettingsPlace SettingsPlaceFor(const std::string& programDir, const std::string& installedDir,
                               const std::optional<std::string>& xdgConfigHome,
                               const std::optional<std::string>& home);

// The place of this program's settings: SettingsPlaceFor with its own directory, the
// directory the build installs it to, and the environment (the home from the user
// database when HOME is not an absolute path).
SettingsPlace FindSettingsPlace();

// The directory a first start lists (with its trailing "/"): the home for the installed
// program (the root without one), else the program's own directory; from the same values
// as SettingsPlaceFor, or from this program's.
std::string FirstDirectoryFor(const std::string& programDir, const std::string& installedDir,
                              const std::optional<std::string>& home);
std::string FirstDirectory();

// The start-up load: on a first start (the file missing or empty) takes `firstDir` (with
// its trailing "/", see SettingsPlace) without that "/" as the default directory, builds
// the catalogue and writes the file; otherwise reads the default directory (`firstDir`
// when the file names none), builds the catalogue and, when asked, loads the saved
// configuration (when not, the two search switches are still taken from the file). A
// relative default directory is taken against settings.StartDirectory, and kept as it was
// written.
// When the default directory cannot be made current, the catalogue is left empty, the
// rest of the load is done, and the error is raised at the end. A file that cannot be
// read is loaded as a first start that writes nothing, and the error of its read is
// raised at the end instead (see IniFile::CheckRead). The catalogue is built through
// `places`, whose current place becomes the default directory; relative annex paths are
// taken against it.
void LoadSettings(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                  const std::string& iniPath, const std::string& firstDir);

// Loads the saved configuration: the two search switches, the selection of the list and
// the annex list. Does not refresh the group boxes. A file that cannot be read raises the
// error of its read, and nothing changes.
void LoadSelection(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                   const std::string& iniPath);

// A settings file read for a search without windows, also from inside a CD image. A file
// on the disk is read as IniFile reads it (see IniFile::CheckRead); one inside an image
// that cannot be read raises what kept it from being read, EInvalidFile when too large.
IniFile ReadIniFile(platform::Places& places, const std::string& path);

// A saved configuration read for a search without windows: as LoadSettings does with
// "ChargeTotal" taken as true, so the saved selection and annex list are loaded; a missing
// or empty file gives the first-start values, and one that could not be read raises the
// error of its read first. `defaultDir`, when given, replaces the saved default directory.
// Never writes the file. Raises the catalogue's error at the end, as LoadSettings does.
void LoadConfiguration(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                       const IniFile& ini, const std::string& firstDir,
                       const std::optional<std::string>& defaultDir);

// Writes the settings, the annex list and the selection, all or nothing; raises
// ESettingsWriteError when the file cannot be written (it is then left as it was).
void SaveSettings(const Settings& settings, const catalogue::Catalogue& catalogue,
                  const std::string& iniPath);

} // namespace fendix::settings
