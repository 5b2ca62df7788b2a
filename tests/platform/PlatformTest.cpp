#include "platform/ByteSource.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "platform/ProgramError.h"

#include "tests/common/OrdinaryUser.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <new>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fendix::platform {
namespace {

class ByteSourceTest : public ::testing::Test {
protected:
    fendix::testing::TempDir dir;
};

TEST_F(ByteSourceTest, FileSourceReadsTheFileAndSizesItByName)
{
    FileSource file(dir.Write("F.BBS", "abc\r\n"));
    char bytes[8] = {};
    EXPECT_EQ(file.Read(bytes, 2), 2u);
    EXPECT_EQ(file.Read(bytes + 2, sizeof bytes - 2), 3u);
    EXPECT_EQ(file.Read(bytes, sizeof bytes), 0u);
    EXPECT_EQ(std::string(bytes, 3), "abc");
    EXPECT_EQ(file.Size(), 5);
    file.Close();
    EXPECT_THROW(file.Read(bytes, 1), EInOutError);
    FileSource hidden(dir.Write(".H.BBS", "abc"));
    EXPECT_EQ(hidden.Size(), 0); // as FileSizeOf finds it
}

TEST_F(ByteSourceTest, MemorySourceHandsOutChunksAndFailsWhereTold)
{
    MemorySource source("abcdef", 4, 100, 5);
    char bytes[8] = {};
    EXPECT_EQ(source.Read(bytes, 8), 4u);
    EXPECT_EQ(source.Read(bytes + 4, 8), 1u);
    EXPECT_EQ(source.Size(), 100);
    try {
        source.Read(bytes, 8);
        FAIL();
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 23); // a media error
    }
}

TEST_F(ByteSourceTest, OpeningFailuresCarryTheSystemCode)
{
    try {
        FileSource file(dir / "missing.bbs");
        FAIL();
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 2);
        EXPECT_EQ(error.Path(), dir / "missing.bbs"); // named, but not in the message
        EXPECT_STREQ(error.what(), "Fichier introuvable");
    }
    try {
        FileSource file(dir.MakeDir("sub"));
        FAIL();
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 5);
        EXPECT_EQ(error.Path(), dir / "sub");
    }
    try {
        FileSource file("missing.bbs");
        FAIL();
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Path(), "missing.bbs"); // as given, against the current directory
    }
    const std::string pipe = dir / "pipe.bbs";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_THROW(FileSource{pipe}, EInOutError); // never waits for a writer
}

TEST_F(ByteSourceTest, UnreadableFileIsRefused)
{
    const std::string path = dir.Write("locked.bbs", "x");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(fendix::testing::AsOrdinaryUser(
                  dir.Path(),
                  [&]() -> std::string {
                      try {
                          FileSource file(path);
                          return "the file opened";
                      } catch (const EInOutError& error) {
                          if (error.Code() != 5)
                              return "code " + std::to_string(error.Code());
                          return error.what() == std::string("Accès au fichier refusé") ? "" : error.what();
                      }
                  }),
              "");
}

TEST(FileSizeOfTest, FindsExactNamesOnly)
{
    fendix::testing::TempDir dir;
    dir.Write("NEWS.BBS", "12345");
    dir.Write(".SECRET.BBS", "12");
    dir.MakeDir("SUB.BBS");
    platform::SetCurrentDirectory(dir.Path());
    EXPECT_EQ(FileSizeOf("NEWS.BBS"), 5);
    EXPECT_EQ(FileSizeOf(dir / "NEWS.BBS"), 5);
    EXPECT_EQ(FileSizeOf("news.bbs"), 0);
    EXPECT_EQ(FileSizeOf(".SECRET.BBS"), 0);
    EXPECT_EQ(FileSizeOf("SUB.BBS"), 0);
    EXPECT_EQ(FileSizeOf("N*.bbs"), 5);
    EXPECT_EQ(FileSizeOf("NOTHERE.BBS"), 0);
    EXPECT_EQ(FileSizeOf(""), 0);
}

TEST(InOutErrorTest, MessagesFollowTheCode)
{
    EXPECT_EQ(InOutMessage(2), "Fichier introuvable");
    EXPECT_EQ(InOutMessage(3), "Nom de fichier incorrect");
    EXPECT_EQ(InOutMessage(4), "Trop de fichiers ouverts");
    EXPECT_EQ(InOutMessage(5), "Accès au fichier refusé");
    EXPECT_EQ(InOutMessage(100), "Lecture au delà de la fin de fichier");
    EXPECT_EQ(InOutMessage(101), "Disque plein");
    EXPECT_EQ(InOutMessage(106), "Saisie numérique incorrecte");
    EXPECT_EQ(InOutMessage(21), "Erreur E/S 21");
    EXPECT_STREQ(EInOutError(23).what(), "Erreur E/S 23");
}

TEST(ErrorMessageTest, TellsTheProgramsErrorsFromUnexpectedOnes)
{
    struct Case {
        std::exception_ptr error;
        std::string message;
    };
    const std::vector<Case> cases = {
        {std::make_exception_ptr(EInOutError(5)), "Accès au fichier refusé"},
        {std::make_exception_ptr(EProgramError("Ne peut écrire dans /cd/fendix.ini")),
         "Ne peut écrire dans /cd/fendix.ini"},
        {std::make_exception_ptr(std::bad_alloc()), "Mémoire insuffisante"},
        {std::make_exception_ptr(std::invalid_argument("bad")), "Erreur inattendue (bad)"},
        {std::make_exception_ptr(42), "Erreur inattendue"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorMessage(c.error), c.message);
}

TEST(InOutErrorTest, SystemErrorsMapToTheirCodes)
{
    struct Row {
        int errnoValue;
        int code;
    };
    const std::vector<Row> rows = {
        {ENOENT, 2},     {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {ELOOP, 3},
        {EMFILE, 4},     {ENFILE, 4},  {EACCES, 5},       {EPERM, 5},
        {EROFS, 5},      {EISDIR, 5},  {ENOSPC, 101},     {EDQUOT, 101},
        {ENOMEDIUM, 21}, {ENXIO, 21},  {EIO, 23},         {EINVAL, 1000 + EINVAL},
    };
    for (const auto& row : rows)
        EXPECT_EQ(InOutCodeOfErrno(row.errnoValue), row.code) << "errno " << row.errnoValue;
}

TEST(MaskTest, StarAndQuestionMarkWithoutRegardToCase)
{
    EXPECT_TRUE(MatchesMask("ASC01.ASC", "ASC*.ASC"));
    EXPECT_TRUE(MatchesMask("asc.asc", "ASC*.ASC"));
    EXPECT_TRUE(MatchesMask("ASC.A.ASC", "ASC*.ASC"));
    EXPECT_FALSE(MatchesMask("ASC01.ASCX", "ASC*.ASC"));
    EXPECT_FALSE(MatchesMask("XASC01.ASC", "ASC*.ASC"));
    EXPECT_TRUE(MatchesMask("a.bbs", "?.BBS"));
    EXPECT_FALSE(MatchesMask("ab.bbs", "?.BBS"));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_FALSE(MatchesMask("\xE9.BBS", "\xC9.BBS")); // only a to z are folded
    EXPECT_TRUE(MatchesMask("aXbXc", "*b*c"));
}

TEST(FindFilesTest, OrderAttributesAndLinks)
{
    fendix::testing::TempDir dir;
    dir.Write("b.bbs", "12");
    dir.Write("B.BBS", "1");
    dir.Write("A.BBS", "123");
    dir.Write(".h.bbs", "1");
    dir.MakeDir("D.BBS");
    ASSERT_EQ(::symlink((dir / "A.BBS").c_str(), (dir / "L.BBS").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "G.BBS").c_str()), 0);
    ::chmod((dir / "A.BBS").c_str(), 0444);

    std::vector<std::string> names;
    for (const auto& found : FindFiles(dir / "*.bbs", faReadOnly | faArchive))
        names.push_back(found.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.BBS", "B.BBS", "b.bbs", "L.BBS"}));

    const auto all = FindFiles(dir / "*.BBS", faHidden | faDirectory);
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0].name, ".h.bbs");
    EXPECT_EQ(all[0].attributes, unsigned{faHidden | faArchive});
    EXPECT_EQ(all[1].attributes, unsigned{faReadOnly | faArchive});
    EXPECT_EQ(all[1].size, 3u);
    EXPECT_EQ(all[4].name, "D.BBS");
    EXPECT_EQ(all[4].attributes, unsigned{faDirectory});
    EXPECT_EQ(all[4].size, 0u);
    EXPECT_EQ(all[5].size, 3u); // the link counts as the file it names

    EXPECT_TRUE(FindFiles(dir / "nowhere/*.BBS", faArchive).empty());

    // Listing a directory finds the same, with or without a "/" after its name; one that
    // cannot be listed, also one that is not there, is an error with the system's code.
    const auto listed = ListDirectory(dir.Path(), "*.BBS", faHidden | faDirectory);
    ASSERT_EQ(listed.size(), all.size());
    EXPECT_EQ(listed[4].name, "D.BBS");
    EXPECT_EQ(ListDirectory(dir.Path() + "/", "*", faDirectory).size(), 5u);
    const auto codeOf = [](const std::string& path) {
        try {
            ListDirectory(path, "*", 0);
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.Path(), path);
            return error.Code();
        }
        return 0;
    };
    EXPECT_EQ(codeOf(dir / "nowhere"), 2);
    EXPECT_EQ(codeOf(dir / "A.BBS"), 3);
    EXPECT_EQ(codeOf(dir / "D.BBS"), 0);
}

TEST(FileSystemTest, CurrentDirectoryAndProgramPath)
{
    fendix::testing::TempDir dir;
    SetCurrentDirectory(dir.Path());
    EXPECT_EQ(CurrentDirectory(), dir.Path());
    try {
        SetCurrentDirectory(dir / "none");
        FAIL();
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 2);
        EXPECT_EQ(error.Path(), dir / "none");
    }
    EXPECT_EQ(ProgramPath().front(), '/');
    EXPECT_EQ(ProgramDirectory().back(), '/');
    EXPECT_EQ(ProgramPath().rfind(ProgramDirectory(), 0), 0u);
    EXPECT_EQ(ExtractFileName("/a/b/C.BBS"), "C.BBS");
    EXPECT_EQ(ExtractFileName("C.BBS"), "C.BBS");
}

} // namespace
} // namespace fendix::platform
