// Where fendix.ini goes: in each user's configuration folder for the installed program;
// for a copy elsewhere, beside the program when it is there or may be made there, in the
// user's configuration folder otherwise.

#include "settings/Settings.h"

#include "tests/common/OrdinaryUser.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace fendix::settings {
namespace {

mode_t FolderMode(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? info.st_mode & 07777 : 0;
}

// Stands for the directory the package installs the programs to.
std::string Installed(const testing::TempDir& dir)
{
    return dir / "usr/bin";
}

// A copy of the program in a folder of its own: a fendix.ini there (of that mode, or none
// for 0) in a folder of that mode stays the settings file, even read-only, and else one
// may be made there; the configuration folder serves only when neither holds. Returns the
// rows that went wrong.
std::string CheckCopies(const testing::TempDir& dir)
{
    struct Row {
        const char* folder;
        mode_t fileMode;
        mode_t folderMode;
        bool beside;
    };
    const std::vector<Row> rows = {
        {"none", 0, 0755, true},
        {"file", 0644, 0755, true},
        {"read-only-file", 0444, 0755, true},
        {"locked", 0644, 0555, true},
        {"all-read-only", 0444, 0555, true},
        {"locked-empty", 0, 0555, false},
        {"missing", 0, 0, false},
    };
    std::string wrong;
    for (const Row& row : rows) {
        const std::string program = dir / row.folder + "/";
        const SettingsPlace place = SettingsPlaceFor(program, Installed(dir), dir / "xdg", dir / "home");
        const std::string expected = row.beside ? program + "fendix.ini" : dir / "xdg/fendix/fendix.ini";
        if (place.iniPath != expected || place.firstDir != program)
            wrong += std::string(row.folder) + ": " + place.iniPath + " " + place.firstDir + "\n";
        if (row.beside && FolderMode(dir / "xdg/fendix") != 0)
            wrong += std::string(row.folder) + ": the configuration folder was made\n";
    }
    if (FolderMode(dir / "xdg/fendix") != 0700)
        wrong += "configuration folder of mode " + std::to_string(FolderMode(dir / "xdg/fendix")) + "\n";
    return wrong;
}

TEST(SettingsFilePath, CopyKeepsItsFileBesideItWhenItIsThereOrMayBeMadeThere)
{
    // Once as the user the tests run as, once as an ordinary user: the permission bits
    // decide alike for both.
    for (const bool ordinary : {false, true}) {
        SCOPED_TRACE(ordinary ? "ordinary user" : "this user");
        testing::TempDir dir;
        dir.MakeDir("usr/bin");
        for (const char* folder :
             {"none", "file", "read-only-file", "locked", "all-read-only", "locked-empty"})
            dir.MakeDir(folder);
        for (const auto& [folder, mode] : std::vector<std::pair<std::string, mode_t>>{
                 {"file", 0644}, {"read-only-file", 0444}, {"locked", 0644}, {"all-read-only", 0444}}) {
            const std::string file = dir.Write(folder + "/fendix.ini", "[WinFendix]\r\n");
            ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        }
        for (const char* folder : {"locked", "all-read-only", "locked-empty"})
            ASSERT_EQ(::chmod((dir / folder).c_str(), 0555), 0);
        EXPECT_EQ(ordinary ? testing::AsOrdinaryUser(dir.Path(), [&] { return CheckCopies(dir); })
                           : CheckCopies(dir),
                  "");
    }
}

TEST(SettingsFilePath, WithoutAnAbsoluteXdgConfigHomeTheHomeConfigFolderServes)
{
    testing::TempDir dir;
    const std::string missing = dir / "missing/";
    const std::string home = dir.MakeDir("home");
    const std::string expected = home + "/.config/fendix/fendix.ini";
    EXPECT_EQ(SettingsPlaceFor(missing, Installed(dir), std::nullopt, home).iniPath, expected);
    EXPECT_EQ(FolderMode(home + "/.config/fendix"), 0700u);
    EXPECT_EQ(SettingsPlaceFor(missing, Installed(dir), std::string(), home + "/").iniPath, expected);
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    EXPECT_EQ(SettingsPlaceFor(missing, Installed(dir), std::string("relative"), home).iniPath, expected);
    EXPECT_EQ(FolderMode(dir / "relative"), 0u);

    // With neither, the program's directory is all there is.
    EXPECT_EQ(SettingsPlaceFor(missing, Installed(dir), std::nullopt, std::nullopt).iniPath,
              missing + "fendix.ini");
    EXPECT_EQ(SettingsPlaceFor(missing, Installed(dir), std::nullopt, std::string("home")).iniPath,
              missing + "fendix.ini");
}

TEST(SettingsFilePath, InstalledProgramKeepsItsSettingsInTheUsersFolderAndStartsInTheHome)
{
    testing::TempDir dir;
    const std::string installed = dir.MakeDir("usr/bin");
    // A fendix.ini beside the installed program, which it may write (as root may): never used.
    dir.Write("usr/bin/fendix.ini", "[WinFendix]\r\nRepertoireDefaut=/usr/bin\r\n");
    ASSERT_EQ(::symlink(installed.c_str(), (dir / "bin").c_str()), 0); // as /bin leads to /usr/bin
    const std::string home = dir.MakeDir("home");
    struct Row {
        std::string programDir;
        std::optional<std::string> xdg;
        std::optional<std::string> home;
        std::string iniPath;
        std::string firstDir;
    };
    const std::vector<Row> rows = {
        {installed + "/", dir / "xdg", home, dir / "xdg/fendix/fendix.ini", home + "/"},
        {dir / "bin/", std::nullopt, home + "/", home + "/.config/fendix/fendix.ini", home + "/"},
        {installed + "/", std::string("relative"), home, home + "/.config/fendix/fendix.ini", home + "/"},
        {installed + "//", dir / "xdg2/", std::nullopt, dir / "xdg2/fendix/fendix.ini", "/"},
    };
    for (const Row& row : rows) {
        const SettingsPlace place = SettingsPlaceFor(row.programDir, installed, row.xdg, row.home);
        EXPECT_EQ(place.iniPath, row.iniPath) << row.programDir;
        EXPECT_EQ(place.firstDir, row.firstDir) << row.programDir;
        EXPECT_EQ(FolderMode(row.iniPath.substr(0, row.iniPath.rfind('/'))), 0700u) << row.iniPath;
    }

    // Without any configuration folder it has nowhere to keep its settings.
    try {
        SettingsPlaceFor(installed + "/", installed, std::nullopt, std::string("relative"));
        ADD_FAILURE() << "a place was found";
    } catch (const ESettingsWriteError& error) {
        EXPECT_STREQ(error.what(), "Ne peut écrire dans $HOME/.config/fendix/fendix.ini");
    }
    EXPECT_EQ(testing::ReadFile(installed + "/fendix.ini"), "[WinFendix]\r\nRepertoireDefaut=/usr/bin\r\n");
}

} // namespace
} // namespace fendix::settings
