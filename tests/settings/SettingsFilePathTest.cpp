// Where fendix.ini goes: beside the program when it is there or may be made there, in the
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

} // namespace
} // namespace fendix::settings
