// Reading and replacing the file on disk: one read, one all-or-nothing write, and a failed
// write that leaves the old file exactly as it was.

#include "settings/IniFile.h"
#include "tests/common/OrdinaryUser.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fendix::settings {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::string OldText = "; kept\r\n[S]\r\nk=old\r\n";

std::vector<std::string> Names(const std::string& directory)
{
    std::vector<std::string> names;
    if (DIR* listing = ::opendir(directory.c_str())) {
        while (const dirent* entry = ::readdir(listing))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        ::closedir(listing);
    }
    return names;
}

struct stat StatOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// Changes the one value and saves: the error's message, or "" when the save went through.
std::string ChangeAndSave(const std::string& path, const std::string& value = "new")
{
    IniFile ini(path);
    ini.WriteString("S", "k", value);
    try {
        ini.Save();
    } catch (const ESettingsWriteError& error) {
        return error.what();
    }
    return "";
}

// What CheckRead raises for a file, "" when nothing.
std::string ReadError(const std::string& path)
{
    try {
        IniFile(path).CheckRead();
    } catch (const platform::EProgramError& error) {
        return error.what();
    }
    return "";
}

TEST(IniFileSave, ReplacesTheFileOnlyWhenChangedKeepingItsPermissionBits)
{
    TempDir dir;
    const std::string path = dir.Write("fendix.ini", OldText);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    // Every way of making the new file: unnamed, named after being written unnamed (where
    // the link fails), named from the start (where the system has no unnamed files).
    for (const SaveWays ways : {SaveWays{}, SaveWays{true, false}, SaveWays{false, true}}) {
        dir.Write("fendix.ini", OldText);
        const ino_t old = StatOf(path).st_ino;
        IniFile ini(path);
        ini.WriteString("S", "k", "new");
        ini.Save(ways);
        EXPECT_EQ(ReadFile(path), "; kept\r\n[S]\r\nk=new\r\n");
        EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
        EXPECT_NE(StatOf(path).st_ino, old);
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"fendix.ini"}); // no temporary file left
    }

    const ino_t before = StatOf(path).st_ino;
    EXPECT_EQ(ChangeAndSave(path), "");
    EXPECT_EQ(StatOf(path).st_ino, before);

    // A relative path is the one it named when the file was read.
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    IniFile relative("other.ini");
    relative.WriteString("S", "k", "v");
    ASSERT_EQ(::chdir("/"), 0);
    relative.Save();
    EXPECT_EQ(ReadFile(dir / "other.ini"), "[S]\r\nk=v\r\n");

    // Through a symbolic link the file it names is replaced and the link stays.
    const std::string link = dir / "link.ini";
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    EXPECT_EQ(ChangeAndSave(link, "linked"), "");
    EXPECT_TRUE(S_ISLNK(StatOf(link).st_mode));
    EXPECT_EQ(ReadFile(path), "; kept\r\n[S]\r\nk=linked\r\n");
}

TEST(IniFileSave, RefusedWriteNamesTheFullPathAndLeavesTheOldFile)
{
    TempDir dir;
    const std::string folder = dir.MakeDir("folder/fendix.ini");
    EXPECT_EQ(ChangeAndSave(folder), "Ne peut écrire dans " + folder);
    EXPECT_TRUE(Names(folder).empty());

    const std::string file = dir.Write("plain", "not a folder");
    EXPECT_EQ(ChangeAndSave(file + "/fendix.ini"), "Ne peut écrire dans " + file + "/fendix.ini");
    EXPECT_EQ(ReadFile(file), "not a folder");

    // Read-only by its mode, whoever runs the program: a file, then a directory.
    const std::string readOnly = dir.Write("ro/fendix.ini", OldText);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(ChangeAndSave(readOnly), "Ne peut écrire dans " + readOnly);
    EXPECT_EQ(ReadFile(readOnly), OldText);
    EXPECT_EQ(Names(dir / "ro"), std::vector<std::string>{"fendix.ini"});
}

// The owners of the files of the table below. Run as root, the tests give them to these
// users and groups and save as the ordinary user (or as root); run as anyone else, they
// can only make files of their own, and only the rows of such files run.
enum class Who { Me, Other, Root };                // Me: the ordinary user
enum class Group { Mine, Shared, Foreign, Roots }; // the ordinary user is in Mine and Shared
enum class Kind { File, HardLinked, Link, LinkToNothing };
enum class Lands { Renamed, InPlace, Refused };

constexpr unsigned OtherUserId = 65533;
constexpr unsigned SharedGroupId = 65533;
constexpr unsigned ForeignGroupId = 65532;

uid_t IdOf(Who who)
{
    if (!testing::RunningAsRoot())
        return ::getuid();
    return who == Who::Me ? testing::OrdinaryUserId : who == Who::Other ? OtherUserId : 0;
}

gid_t IdOf(Group group)
{
    if (!testing::RunningAsRoot())
        return ::getgid();
    switch (group) {
    case Group::Mine:
        return testing::OrdinaryUserId;
    case Group::Shared:
        return SharedGroupId;
    case Group::Foreign:
        return ForeignGroupId;
    case Group::Roots:
        break;
    }
    return 0;
}

struct IdentityRow {
    const char* name;
    Who saver; // the ordinary user or root
    Kind kind;
    Who owner; // the file's (through a link, the file it leads to), and its folder's
    Group group;
    mode_t mode;
    Who linkOwner; // the link's, and its folder's
    mode_t folderMode;
    Lands lands;
};

TEST(IniFileSave, SaveKeepsTheFilesOwnerGroupModeAndLinksOrChangesNothing)
{
    const std::vector<IdentityRow> rows = {
        {"own file", Who::Me, Kind::File, Who::Me, Group::Mine, 0640, Who::Me, 0755, Lands::Renamed},
        {"own file of the shared group", Who::Me, Kind::File, Who::Me, Group::Shared, 0664, Who::Me, 0775,
         Lands::Renamed},
        {"another member's file in the shared folder", Who::Me, Kind::File, Who::Other, Group::Shared, 0664,
         Who::Me, 02775, Lands::InPlace},
        {"own file of a group the user is not in", Who::Me, Kind::File, Who::Me, Group::Foreign, 0644,
         Who::Me, 0755, Lands::InPlace},
        {"own file with a second hard link", Who::Me, Kind::HardLinked, Who::Me, Group::Mine, 0644, Who::Me,
         0755, Lands::InPlace},
        {"writable file in a read-only folder", Who::Me, Kind::File, Who::Me, Group::Mine, 0644, Who::Me,
         0555, Lands::InPlace},
        {"read-only file in a read-only folder", Who::Me, Kind::File, Who::Me, Group::Mine, 0444, Who::Me,
         0555, Lands::Refused},
        {"own link to own file", Who::Me, Kind::Link, Who::Me, Group::Mine, 0600, Who::Me, 0755,
         Lands::Renamed},
        {"own link that leads nowhere", Who::Me, Kind::LinkToNothing, Who::Me, Group::Mine, 0, Who::Me, 0755,
         Lands::Refused},
        {"another user's link, in a folder anyone writes, to that user's file", Who::Me, Kind::Link,
         Who::Other, Group::Foreign, 0666, Who::Other, 0777, Lands::Refused},
        {"root saving a user's file", Who::Root, Kind::File, Who::Me, Group::Mine, 0640, Who::Me, 0755,
         Lands::Renamed},
        {"root saving through a user's link to root's file", Who::Root, Kind::Link, Who::Root, Group::Roots,
         0644, Who::Me, 0755, Lands::Refused},
    };
    const std::string newText = "; kept\r\n[S]\r\nk=new\r\n";
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0); // the ordinary user goes through it
    std::size_t run = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const IdentityRow& row = rows[i];
        SCOPED_TRACE(row.name);
        const bool link = row.kind == Kind::Link || row.kind == Kind::LinkToNothing;
        if (!testing::RunningAsRoot()
            && (row.saver != Who::Me || row.owner != Who::Me || row.linkOwner != Who::Me
                || row.group != Group::Mine))
            continue;
        ++run;
        const std::string folder = dir.MakeDir("row" + std::to_string(i));
        const std::string path = folder + "/fendix.ini";
        std::string file = path; // the file that holds the text
        std::vector<std::string> names = {"fendix.ini"};
        if (link) {
            const std::string target = dir.MakeDir("row" + std::to_string(i) + "-target");
            file = target + "/real.ini";
            ASSERT_EQ(::symlink(file.c_str(), path.c_str()), 0);
            ASSERT_EQ(::lchown(path.c_str(), IdOf(row.linkOwner), IdOf(row.group)), 0);
            ASSERT_EQ(::chown(target.c_str(), IdOf(row.owner), IdOf(row.group)), 0);
        }
        if (row.kind != Kind::LinkToNothing) {
            dir.Write(file.substr(dir.Path().size() + 1), OldText);
            ASSERT_EQ(::chown(file.c_str(), IdOf(row.owner), IdOf(row.group)), 0);
            ASSERT_EQ(::chmod(file.c_str(), row.mode), 0);
        }
        if (row.kind == Kind::HardLinked) {
            ASSERT_EQ(::link(path.c_str(), (folder + "/second.ini").c_str()), 0);
            names.push_back("second.ini");
        }
        ASSERT_EQ(::chown(folder.c_str(), IdOf(link ? row.linkOwner : row.owner), IdOf(row.group)), 0);
        ASSERT_EQ(::chmod(folder.c_str(), row.folderMode), 0);
        struct stat before {};
        const bool existed = ::stat(file.c_str(), &before) == 0;

        const auto save = [&] { return ChangeAndSave(path); };
        const std::string said =
            row.saver == Who::Root ? save() : testing::AsOrdinaryUser("", save, {SharedGroupId});
        EXPECT_EQ(said, row.lands == Lands::Refused ? "Ne peut écrire dans " + path : "");
        if (link) {
            EXPECT_TRUE(S_ISLNK(StatOf(path).st_mode));
        }
        std::vector<std::string> left = Names(folder);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, names); // no temporary file
        if (!existed) {
            EXPECT_NE(::access(file.c_str(), F_OK), 0);
            continue;
        }
        EXPECT_EQ(ReadFile(file), row.lands == Lands::Refused ? OldText : newText);
        const struct stat after = StatOf(file);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        EXPECT_EQ(after.st_ino == before.st_ino, row.lands != Lands::Renamed);
        if (link) {
            EXPECT_EQ(Names(folder + "-target"), std::vector<std::string>{"real.ini"});
        }
        if (row.kind == Kind::HardLinked) {
            EXPECT_EQ(ReadFile(folder + "/second.ini"), newText);
        }
    }
    std::printf("[ figure ] %zu of %zu rows run (the others need root to set their owners up)\n", run,
                rows.size());
}

TEST(IniFileSave, FileThatCannotBeReadWholeIsNeverReplaced)
{
    TempDir dir;
    const std::string big =
        dir.Write("big/fendix.ini", "[S]\r\nk=1\r\n" + std::string(IniFile::MaxFileSize, ';'));
    EXPECT_FALSE(IniFile(big).Readable());
    EXPECT_EQ(IniFile(big).ReadString("S", "k", "-"), "-");
    EXPECT_EQ(ReadError(big), "Fichier: " + big + " invalide.");
    EXPECT_EQ(ChangeAndSave(big), "Ne peut écrire dans " + big);
    EXPECT_EQ(StatOf(big).st_size, static_cast<off_t>(10 + IniFile::MaxFileSize));

    // A pipe bearing the name is neither waited on nor replaced.
    const std::string pipe = dir / "pipe.ini";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ChangeAndSave(pipe), "Ne peut écrire dans " + pipe);
    EXPECT_TRUE(S_ISFIFO(StatOf(pipe).st_mode));
    EXPECT_EQ(ReadError(pipe), "Fichier: " + pipe + " invalide.");
    EXPECT_EQ(ReadError(dir.MakeDir("folder.ini")), "Accès au fichier refusé");
    EXPECT_EQ(ReadError(dir / "missing.ini"), "");
}

TEST(IniFileSave, FileClosedToReadingByPermissionsIsNeverReplaced)
{
    TempDir dir;
    const std::string shut = dir.Write("shut/fendix.ini", OldText);
    ASSERT_EQ(::chmod(shut.c_str(), 0200), 0);
    EXPECT_EQ(testing::AsOrdinaryUser(dir.Path(),
                                      [&]() -> std::string {
                                          if (IniFile(shut).Readable())
                                              return "read";
                                          if (ReadError(shut) != "Accès au fichier refusé")
                                              return "read error: " + ReadError(shut);
                                          return ChangeAndSave(shut) == "Ne peut écrire dans " + shut
                                                     ? ""
                                                     : "replaced";
                                      }),
              "");
    ASSERT_EQ(::chmod(shut.c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(shut), OldText);
    EXPECT_EQ(Names(dir / "shut"), std::vector<std::string>{"fendix.ini"});
}

TEST(IniFileSave, WriteCutShortAsOnAFullDiskLeavesTheOldFile)
{
    TempDir dir;
    const std::string path = dir.Write("fendix.ini", OldText);
    const pid_t child = ::fork();
    if (child == 0) {
        // Every write beyond 64 bytes fails with EFBIG.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(ChangeAndSave(path, std::string(1000, 'n')) == "Ne peut écrire dans " + path ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(path), OldText);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"fendix.ini"});
}

// A whole number from the environment, or `otherwise`.
int FromEnvironment(const char* name, int otherwise)
{
    const char* value = std::getenv(name);
    return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : otherwise;
}

// Saves killed at every moment leave the old file or the new one whole, and, once a save
// goes through, no temporary file. FENDIX_KILLED_SAVES (default 25) saves are killed, of a
// file of FENDIX_KILLED_SAVE_KB kilobytes (default 600).
TEST(IniFileSave, WriterKilledHalfWayLeavesTheOldFileOrTheNewOneWholeAndNoTemporaryFile)
{
    TempDir dir;
    const std::string path = dir / "fendix.ini";
    const int rounds = FromEnvironment("FENDIX_KILLED_SAVES", 25);
    const auto size = static_cast<std::size_t>(FromEnvironment("FENDIX_KILLED_SAVE_KB", 600)) * 1000;
    const std::string value(size, 'v');
    const std::string newText = "; kept\r\n[S]\r\nk=" + value + "\r\n";

    // A child process saves; the parent kills it after a chosen delay (none: no kill), and
    // notes the temporary files it finds then.
    std::set<std::string> leftBehind;
    const auto saveKilledAfter = [&](std::chrono::microseconds delay) {
        const pid_t child = ::fork();
        if (child == 0) {
            IniFile ini(path);
            ini.WriteString("S", "k", value);
            ini.Save();
            ::_exit(0);
        }
        if (delay.count() >= 0) {
            std::this_thread::sleep_for(delay);
            ::kill(child, SIGKILL);
        }
        ::waitpid(child, nullptr, 0);
        for (const auto& name : Names(dir.Path()))
            if (name != "fendix.ini")
                leftBehind.insert(name);
        const std::string now = ReadFile(path);
        dir.Write("fendix.ini", OldText);
        return now;
    };

    dir.Write("fendix.ini", OldText);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(saveKilledAfter(std::chrono::microseconds(-1)), newText);
    const auto whole =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    int sawOld = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::string now = saveKilledAfter(whole * round / std::max(1, rounds * 5 / 6));
        ASSERT_TRUE(now == OldText || now == newText) << "round " << round << ": " << now.size() << " bytes";
        sawOld += now == OldText ? 1 : 0;
    }
    EXPECT_GT(sawOld, 0);
    const std::size_t before = Names(dir.Path()).size() - 1;
    EXPECT_EQ(ChangeAndSave(path), "");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"fendix.ini"});
    std::printf("[ figure ] %d saves of %zu bytes killed (%d of them left the old text): %zu temporary "
                "files seen after a kill, %zu before the next save, none after it\n",
                rounds, newText.size(), sawOld, leftBehind.size(), before);
}

// Each save clears the temporary files that saves cut short left beside the file, and
// nothing else: not a save in progress (which holds its file locked), not a file that only
// looks like one.
TEST(IniFileSave, SaveRemovesStaleTemporaryFilesButNotASaveInProgress)
{
    TempDir dir;
    const std::string path = dir.Write("fendix.ini", OldText);
    for (const char* stale : {".fendix.ini.1234", ".fendix.ini.99999999999"})
        dir.Write(stale, "half a save");
    const std::vector<std::string> kept = {".fendix.ini.",   ".fendix.ini.12a", ".fendix.ini.555",
                                           ".fendix.ini.77", ".fendix.ini.88",  ".fendix.ini.bak",
                                           ".other.ini.42",  "fendix.ini",      "fendix.ini.123"};
    for (const auto& name : kept)
        if (name != ".fendix.ini.77" && name != ".fendix.ini.88" && name != "fendix.ini")
            dir.Write(name, "not a stale save");
    dir.MakeDir(".fendix.ini.77");
    ASSERT_EQ(::symlink("fendix.ini.123", (dir / ".fendix.ini.88").c_str()), 0);
    // Another instance's save in progress holds its file locked.
    const int inProgress = ::open((dir / ".fendix.ini.555").c_str(), O_RDWR);
    ASSERT_GE(inProgress, 0);
    ASSERT_EQ(::flock(inProgress, LOCK_EX), 0);

    EXPECT_EQ(ChangeAndSave(path), "");
    std::vector<std::string> names = Names(dir.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, kept);
    ::close(inProgress);
    EXPECT_EQ(ReadFile(dir / ".fendix.ini.555"), "not a stale save");

    // Once that save has gone (its lock with it), the next save clears its file too.
    EXPECT_EQ(ChangeAndSave(path, "again"), "");
    names = Names(dir.Path());
    EXPECT_EQ(std::count(names.begin(), names.end(), ".fendix.ini.555"), 0);
}

} // namespace
} // namespace fendix::settings
