// Where fendix.ini goes: in each user's configuration folder for the installed program;
// for a copy elsewhere, beside the program when it is there or may be made there, in the
// user's configuration folder otherwise.

#include "settings/Settings.h"

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

// The settings file of a copy of the program, installed elsewhere.
std::string SettingsFilePathFor(const std::string& programDir,
                                const std::optional<std::string>& xdgConfigHome,
                                const std::optional<std::string>& home)
{
    return SettingsPlaceFor(programDir, "/nonexistent/bin", xdgConfigHome, home).iniPath;
}

TEST(SettingsFilePath, ProgramDirectoryWhenTheFileIsThereOrMayBeMadeThere)
{
    testing::TempDir dir;
    const std::string program = dir.MakeDir("bin") + "/";
    EXPECT_EQ(SettingsFilePathFor(program, dir / "xdg", dir / "home"), program + "fendix.ini");
    const std::string file = dir.Write("bin/fendix.ini", "[WinFendix]\r\n");
    EXPECT_EQ(SettingsFilePathFor(program, dir / "xdg", dir / "home"), program + "fendix.ini");

    // A file that is there stays the settings file even when it, or its directory, is
    // read-only by its mode (whoever runs the program): the user's settings are never
    // passed over for a fresh start elsewhere.
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(SettingsFilePathFor(program, dir / "xdg", dir / "home"), program + "fendix.ini");
    const std::string lockedWithFile = dir.MakeDir("locked-with-file") + "/";
    dir.Write("locked-with-file/fendix.ini", "[WinFendix]\r\n");
    ASSERT_EQ(::chmod(lockedWithFile.c_str(), 0555), 0);
    EXPECT_EQ(SettingsFilePathFor(lockedWithFile, dir / "xdg", dir / "home"), lockedWithFile + "fendix.ini");
    ASSERT_EQ(::chmod((lockedWithFile + "fendix.ini").c_str(), 0444), 0);
    EXPECT_EQ(SettingsFilePathFor(lockedWithFile, dir / "xdg", dir / "home"), lockedWithFile + "fendix.ini");
    EXPECT_EQ(FolderMode(dir / "xdg/fendix"), 0u);

    // No file, and none may be made: the user's configuration folder.
    const std::string inXdg = dir / "xdg/fendix/fendix.ini";
    const std::string locked = dir.MakeDir("locked") + "/";
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    EXPECT_EQ(SettingsFilePathFor(locked, dir / "xdg/", dir / "home"), inXdg);
    EXPECT_EQ(FolderMode(dir / "xdg/fendix"), 0700u);
    EXPECT_EQ(SettingsFilePathFor(dir / "missing/", dir / "xdg", dir / "home"), inXdg);
}

TEST(SettingsFilePath, WithoutAnAbsoluteXdgConfigHomeTheHomeConfigFolderServes)
{
    testing::TempDir dir;
    const std::string missing = dir / "missing/";
    const std::string home = dir.MakeDir("home");
    const std::string expected = home + "/.config/fendix/fendix.ini";
    EXPECT_EQ(SettingsFilePathFor(missing, std::nullopt, home), expected);
    EXPECT_EQ(FolderMode(home + "/.config/fendix"), 0700u);
    EXPECT_EQ(SettingsFilePathFor(missing, std::string(), home + "/"), expected);
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    EXPECT_EQ(SettingsFilePathFor(missing, std::string("relative"), home), expected);
    EXPECT_EQ(FolderMode(dir / "relative"), 0u);

    // With neither, the program's directory is all there is.
    EXPECT_EQ(SettingsFilePathFor(missing, std::nullopt, std::nullopt), missing + "fendix.ini");
}

TEST(SettingsFilePath, InstalledProgramKeepsItsSettingsInTheUsersFolderAndStartsInTheHome)
{
    testing::TempDir dir;
    const std::string installed = dir.MakeDir("usr/bin");
    // Beside the installed program, which root may write: never used.
    dir.Write("usr/bin/fendix.ini", "[WinFendix]\r\n");
    ASSERT_EQ(::symlink(installed.c_str(), (dir / "bin").c_str()), 0); // as /bin leads to /usr/bin
    const std::string home = dir.MakeDir("home");
    struct Row {
        std::string programDir;
        std::optional<std::string> xdg;
        std::optional<std::string> home;
        std::string iniPath;
        std::string firstDir;
    };
    for (const Row& row : std::vector<Row>{
             {installed + "/", dir / "xdg", home, dir / "xdg/fendix/fendix.ini", home + "/"},
             {dir / "bin/", std::string("relative"), home + "/", home + "/.config/fendix/fendix.ini",
              home + "/"},
             {installed + "//", dir / "xdg2/", std::nullopt, dir / "xdg2/fendix/fendix.ini", "/"},
         }) {
        const SettingsPlace place = SettingsPlaceFor(row.programDir, installed, row.xdg, row.home);
        EXPECT_EQ(place.iniPath, row.iniPath);
        EXPECT_EQ(place.firstDir, row.firstDir);
        EXPECT_EQ(FolderMode(row.iniPath.substr(0, row.iniPath.rfind('/'))), 0700u);
    }
    // Without a configuration folder it has nowhere to keep its settings.
    EXPECT_THROW(SettingsPlaceFor(installed + "/", installed, std::nullopt, std::nullopt),
                 ESettingsWriteError);
}

} // namespace
} // namespace fendix::settings
