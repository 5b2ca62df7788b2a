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
#include <tuple>
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
std::string ChangeAndSave(const std::string& path, const std::string& value = "new",
                          const SaveWays& ways = {})
{
    IniFile ini(path);
    ini.WriteString("S", "k", value);
    try {
        ini.Save(ways);
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
    EXPECT_EQ(ChangeAndSave(path), "");
    EXPECT_EQ(ReadFile(path), "; kept\r\n[S]\r\nk=new\r\n");
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"fendix.ini"}); // no temporary file left

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

// The users and groups of the table below. Run as root, the tests give the files to them
// and save as the ordinary user (who is in the shared group too) or as root; run as anyone
// else, they can only make files of their own, and only the rows of such files run.
constexpr unsigned Me = testing::OrdinaryUserId, Other = 65533, Root = 0;
constexpr unsigned Mine = testing::OrdinaryUserId, Shared = 65533, Foreign = 65532;

TEST(IniFileSave, SaveKeepsTheFilesOwnerGroupModeAndLinksOrChangesNothing)
{
    enum Kind { File, HardLinked, Link, LinkToNothing };
    enum Lands { Renamed, InPlace, Refused };
    struct Row {
        const char* name;
        unsigned saver;
        Kind kind;
        unsigned owner, group; // of the file (through a link, the file it leads to) and its folder
        mode_t mode;
        unsigned linkOwner; // of the link and its folder
        mode_t folderMode;
        Lands lands;
        SaveWays ways = {};
    };
    const std::vector<Row> rows = {
        {"own file", Me, File, Me, Mine, 0640, Me, 0755, Renamed},
        {"own file, linkat failing", Me, File, Me, Mine, 0640, Me, 0755, Renamed, {true, false}},
        {"own file, without O_TMPFILE", Me, File, Me, Mine, 0640, Me, 0755, Renamed, {false, true}},
        {"own file of the shared group", Me, File, Me, Shared, 0664, Me, 0775, Renamed},
        {"another member's file in the shared folder", Me, File, Other, Shared, 0664, Me, 02775, InPlace},
        {"own file of a group the user is not in", Me, File, Me, Foreign, 0644, Me, 0755, InPlace},
        {"own file with a second hard link", Me, HardLinked, Me, Mine, 0644, Me, 0755, InPlace},
        {"writable file in a read-only folder", Me, File, Me, Mine, 0644, Me, 0555, InPlace},
        {"read-only file in a read-only folder", Me, File, Me, Mine, 0444, Me, 0555, Refused},
        {"own link to own file", Me, Link, Me, Mine, 0600, Me, 0755, Renamed},
        {"own link that leads nowhere", Me, LinkToNothing, Me, Mine, 0, Me, 0755, Refused},
        {"another's link, in a folder anyone writes, to their file", Me, Link, Other, Foreign, 0666, Other,
         0777, Refused},
        {"root saving a user's file", Root, File, Me, Mine, 0640, Me, 0755, Renamed},
        {"root saving through a user's link to root's file", Root, Link, Root, Root, 0644, Me, 0755, Refused},
    };
    const bool root = testing::RunningAsRoot();
    const auto user = [root](unsigned id) { return root ? id : ::getuid(); };
    const auto group = [root](unsigned id) { return root ? id : ::getgid(); };
    const auto identity = [](const struct stat& info) {
        return std::tuple(info.st_uid, info.st_gid, info.st_mode, info.st_nlink);
    };
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0); // the ordinary user goes through it
    std::size_t run = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!root && !(row.saver == Me && row.owner == Me && row.group == Mine && row.linkOwner == Me))
            continue;
        const bool link = row.kind == Link || row.kind == LinkToNothing;
        const std::string folder = dir.MakeDir(std::to_string(++run));
        const std::string path = folder + "/fendix.ini";
        const std::string file = link ? dir.MakeDir(std::to_string(run) + "-target") + "/real.ini" : path;
        if (link) {
            ASSERT_EQ(::symlink(file.c_str(), path.c_str()), 0);
            ASSERT_EQ(::lchown(path.c_str(), user(row.linkOwner), group(row.group)), 0);
            ASSERT_EQ(::chown((folder + "-target").c_str(), user(row.owner), group(row.group)), 0);
        }
        if (row.kind != LinkToNothing) {
            dir.Write(file.substr(dir.Path().size() + 1), OldText);
            ASSERT_EQ(::chown(file.c_str(), user(row.owner), group(row.group)), 0);
            ASSERT_EQ(::chmod(file.c_str(), row.mode), 0);
        }
        if (row.kind == HardLinked) {
            ASSERT_EQ(::link(path.c_str(), (folder + "/second.ini").c_str()), 0);
        }
        ASSERT_EQ(::chown(folder.c_str(), user(link ? row.linkOwner : row.owner), group(row.group)), 0);
        ASSERT_EQ(::chmod(folder.c_str(), row.folderMode), 0);
        struct stat before {};
        const bool existed = ::stat(file.c_str(), &before) == 0;

        const auto save = [&] { return ChangeAndSave(path, "new", row.ways); };
        EXPECT_EQ(row.saver == Root ? save() : testing::AsOrdinaryUser("", save, {Shared}),
                  row.lands == Refused ? "Ne peut écrire dans " + path : "");
        EXPECT_EQ(S_ISLNK(StatOf(path).st_mode), link);
        EXPECT_EQ(Names(folder).size(), row.kind == HardLinked ? 2u : 1u); // no temporary file
        EXPECT_EQ(::access(file.c_str(), F_OK) == 0, existed);
        if (!existed)
            continue;
        const std::string text = row.lands == Refused ? OldText : "; kept\r\n[S]\r\nk=new\r\n";
        EXPECT_EQ(ReadFile(file), text);
        EXPECT_EQ(identity(StatOf(file)), identity(before));
        EXPECT_EQ(StatOf(file).st_ino == before.st_ino, row.lands != Renamed);
        EXPECT_EQ(Names(file.substr(0, file.rfind('/'))).size(), row.kind == HardLinked ? 2u : 1u);
        if (row.kind == HardLinked) {
            EXPECT_EQ(ReadFile(folder + "/second.ini"), text);
        }
    }
    std::printf("[ figure ] %zu of %zu rows run (the others need root to set up)\n", run, rows.size());
}

TEST(IniFileSave, FileThatCannotBeReadWholeIsNeverReplaced)
{
    TempDir dir;
    const std::string big =
        dir.Write("big/fendix.ini", "[S]\r\nk=1\r\n" + std::string(IniFile::MaxFileSize, ';'));
    EXPECT_FALSE(IniFile(big).Readable());
    EXPECT_EQ(IniFile(big).ReadString("S", "k", "-"), "-");
    EXPECT_EQ(ChangeAndSave(big), "Ne peut écrire dans " + big);
    EXPECT_EQ(StatOf(big).st_size, static_cast<off_t>(10 + IniFile::MaxFileSize));

    // A pipe bearing the name is neither waited on nor replaced.
    const std::string pipe = dir / "pipe.ini";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ChangeAndSave(pipe), "Ne peut écrire dans " + pipe);
    EXPECT_TRUE(S_ISFIFO(StatOf(pipe).st_mode));
    EXPECT_EQ(ReadError(pipe), "Fichier: " + pipe + " invalide.");
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
