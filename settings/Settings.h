#pragma once

#include "catalogue/Catalogue.h"
#include "engine/SearchRun.h"
#include "platform/ProgramError.h"

#include <optional>
#include <string>

namespace fendix::settings {

// The settings of the program: those the search run reads (DefaultDir, IgnoreCase,
// AnnexeFirst, AnnexeFiles) and whether the saved configuration is loaded at start-up.
struct Settings : engine::SearchSettings {
    bool LoadAtStart = false;
};

// A write of the settings file that the system refused: "Ne peut écrire dans %s", with the
// file's full path.
class ESettingsWriteError : public platform::EProgramError {
public:
    explicit ESettingsWriteError(const std::string& path);
};

// Where fendix.ini lives: beside the program's own file, or in the user's configuration
// folder when there is none beside the program and none may be made there (see
// SettingsFilePathFor).
std::string SettingsFilePath();

// The choice SettingsFilePath makes, from the program's directory (with its trailing "/")
// and the values of XDG_CONFIG_HOME and HOME: "fendix.ini" in the program's directory when
// it is there (even read-only: it is read as usual, and a save reports that it cannot be
// written) or when that directory may be written; otherwise "fendix/fendix.ini" in
// XDG_CONFIG_HOME (when it is an absolute path) or in HOME's ".config", whose folder is
// created when missing. Without either, the program's directory is kept.
std::string SettingsFilePathFor(const std::string& programDir,
                                const std::optional<std::string>& xdgConfigHome,
                                const std::optional<std::string>& home);

// The start-up load: on a first start (the file missing or empty) takes the program's
// directory, builds the catalogue and writes the file; otherwise reads the default
// directory, builds the catalogue and, when asked, loads the saved configuration (when not,
// the two search switches are still taken from the file).
// `programDir` is the program's directory with its trailing "/". A relative default
// directory is taken against settings.StartDirectory, and kept as it was written.
// When the default directory cannot be made current, the catalogue is left empty, the
// rest of the load is done, and the error is raised at the end.
// The catalogue is built through `places`, whose current place becomes the default
// directory; relative annex paths are taken against it.
void LoadSettings(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                  const std::string& iniPath, const std::string& programDir);

// Loads the saved configuration: the two search switches, the selection of the list and
// the annex list. Does not refresh the group boxes.
void LoadSelection(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                   const std::string& iniPath);

// A saved configuration read for a search without windows: as LoadSettings does with
// "ChargeTotal" taken as true, so the saved selection and annex list are loaded; a missing
// or empty file gives the first-start values. `defaultDir`, when given, replaces the saved
// default directory. Never writes the file, which may lie inside a CD image. Raises the
// catalogue's error at the end, as LoadSettings does.
void LoadConfiguration(Settings& settings, catalogue::Catalogue& catalogue, platform::Places& places,
                       const std::string& iniPath, const std::string& programDir,
                       const std::optional<std::string>& defaultDir);

// Writes the settings, the annex list and the selection, all or nothing; raises
// ESettingsWriteError when the file cannot be written (it is then left as it was).
void SaveSettings(const Settings& settings, const catalogue::Catalogue& catalogue,
                  const std::string& iniPath);

} // namespace fendix::settings
