#include "platform/ByteSource.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "platform/ProgramError.h"
#include "platform/TextFile.h"

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

using Lines = std::vector<std::string>;

Lines ReadAll(const std::string& path)
{
    TextFile file(path);
    Lines lines;
    lines.emplace_back(file.ReadLine()); // the first line is read whatever the file holds
    while (!file.AtEnd())
        lines.emplace_back(file.ReadLine());
    file.Close();
    return lines;
}

class TextFileTest : public ::testing::Test {
protected:
    Lines Read(const std::string& bytes) { return ReadAll(dir.Write("F.BBS", bytes)); }

    fendix::testing::TempDir dir;
};

TEST_F(TextFileTest, CarriageReturnEndsALineAndALineFeedAfterItBelongsToIt)
{
    EXPECT_EQ(Read("a\r\nb\rc\r\n"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(Read("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(Read("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(Read("a\n\nb\n"), (Lines{"a\n\nb\n"}));
    EXPECT_EQ(Read("\n"), (Lines{"\n"}));
}

TEST_F(TextFileTest, EmptyFileGivesOneEmptyLine)
{
    EXPECT_EQ(Read(""), (Lines{""}));
    EXPECT_EQ(Read("\r\n"), (Lines{""}));
}

TEST_F(TextFileTest, EndOfFileMarkEndsTheFile)
{
    EXPECT_EQ(Read("a\r\nbc\x1A"
                   "d\r\ne\r\n"),
              (Lines{"a", "bc"}));
    EXPECT_EQ(Read("a\r\n\x1A"), (Lines{"a"}));
    EXPECT_EQ(Read("\x1A\r\nrest"), (Lines{""}));
}

TEST_F(TextFileTest, LinesAcrossAndBeyondTheBufferAreReadWhole)
{
    const std::size_t buffer = std::size_t{256} << 10;
    // A CR as the buffer's last byte with its LF in the next fill.
    std::string first(buffer - 1, 'x');
    std::string bytes = first + "\r\n" + "next\r\n";
    EXPECT_EQ(Read(bytes), (Lines{first, "next"}));
    // A line several buffers long, then a 0x1A in a later fill.
    // The end-of-file mark as the first byte of a fill.
    const std::string full(buffer - 2, 'z');
    EXPECT_EQ(Read(full + "\r\n\x1A"), (Lines{full}));
    const std::string huge(3 * buffer + 17, 'y');
    EXPECT_EQ(Read("a\r\n" + huge + "\r\nb\x1A" + "c"), (Lines{"a", huge, "b"}));
}

TEST_F(TextFileTest, WindowKeepsWhatTheReaderAsksFor)
{
    const std::size_t buffer = std::size_t{256} << 10;
    const std::string bytes = std::string(buffer + 100, 'a') + "\r\nbc\x1A" + "hidden";
    TextFile file(dir.Write("F.BBS", bytes));
    EXPECT_TRUE(file.Window().empty());
    EXPECT_TRUE(file.ReadMore(0));
    EXPECT_EQ(file.Window(), std::string(buffer, 'a'));
    EXPECT_FALSE(file.WindowComplete());
    // Keeping all but the first 10 bytes: the window goes on from file offset 10.
    EXPECT_TRUE(file.ReadMore(10));
    EXPECT_EQ(file.WindowOffset(), 10u);
    EXPECT_EQ(file.Window(), bytes.substr(10, bytes.find('\x1A') - 10));
    EXPECT_TRUE(file.WindowComplete());
    EXPECT_EQ(file.Window().data()[file.Window().size()], '\0'); // a zero byte follows it
    EXPECT_FALSE(file.ReadMore(0));
    // A window kept whole grows rather than lose bytes.
    const std::string huge(3 * buffer + 17, 'y');
    TextFile big(dir.Write("G.BBS", huge));
    while (big.ReadMore(0)) {
    }
    EXPECT_EQ(big.Window(), huge);
}

TEST_F(TextFileTest, OpeningFailuresCarryTheSystemCode)
{
    try {
        TextFile file(dir / "missing.bbs");
        FAIL();
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 2);
        EXPECT_EQ(error.Path(), dir / "missing.bbs"); // named, but not in the message
        EXPECT_STREQ(error.what(), "Fichier introuvable");
    }
    try {
        TextFile file(dir.MakeDir("sub"));
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
    EXPECT_THROW(TextFile{pipe}, EInOutError); // never waits for a writer
}

TEST_F(TextFileTest, UnreadableFileIsRefused)
{
    const std::string path = dir.Write("locked.bbs", "x");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    EXPECT_EQ(fendix::testing::AsOrdinaryUser(
                  dir.Path(),
                  [&]() -> std::string {
                      try {
                          TextFile file(path);
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
