#include "platform/Places.h"

#include "platform/CueSheet.h"
#include "platform/ImageVolume.h"
#include "platform/InOutError.h"

#include "tests/common/CdImages.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace fendix::platform {
namespace {

using fendix::testing::IsoNames;
using Names = std::vector<std::string>;

// Every byte of a file inside or outside an image.
std::string ReadAll(ByteSource& source)
{
    std::string bytes;
    char buffer[5000]; // not a multiple of a sector: reads start inside sectors
    while (const std::size_t got = source.Read(buffer, sizeof buffer))
        bytes.append(buffer, got);
    return bytes;
}

Names NamesOf(const std::vector<FoundFile>& found)
{
    Names names;
    for (const auto& file : found)
        names.push_back(file.name);
    return names;
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EProgramError& error) {
        return error.what();
    }
    return "";
}

// A collection packed as every kind of image: the same files, the names each kind gives.
class PlacesTest : public ::testing::Test {
public:
    void SetUp() override
    {
        for (std::size_t i = 0; i < big.size(); ++i)
            big[i] = static_cast<char>('A' + (i * 7 + i / 2048) % 26);
        dir.Write("src/FILES.BBS", "HELLO\r\n");
        dir.Write("src/FICHIERS/news.bbs", "x\r\n");
        dir.Write("src/FICHIERS/A very long name here.bbs", big);
        dir.Write("src/FICHIERS/Sub/ASC01.ASC", "  \xCD y\r\n");
        dir.Write("shelf/OTHER.BBS", "other\r\n");
        // A folder of several sectors.
        for (int i = 0; i < 80; ++i)
            dir.Write("src/MANY/FILE" + std::to_string(i) + ".BBS", "m");
    }

    std::string Iso(IsoNames names, const std::string& file = "shelf/CLUB.ISO")
    {
        return fendix::testing::MakeIso(dir / "src", dir / file, names);
    }

    std::string Cue(bool mode2 = false)
    {
        Iso(IsoNames::Both, "work.iso");
        return fendix::testing::MakeBinCue(dir / "work.iso", dir / "shelf/CLUB.bin", mode2);
    }

    fendix::testing::TempDir dir;
    Places places;
    std::string big = std::string(3 * 2048 + 1000, ' ');
};

TEST_F(PlacesTest, ImagesListAndReadAsFoldersWithTheNamesOfTheirKind)
{
    const Names longNames = {"A very long name here.bbs", "news.bbs", "Sub"};
    struct Case {
        const char* kind;
        std::function<std::string(PlacesTest&)> make;
        Names fichiers;
    } cases[] = {
        {"plain iso",
         [](PlacesTest& t) { return t.Iso(IsoNames::Plain); },
         {"A_VERY_L.BBS", "NEWS.BBS", "SUB"}},
        {"joliet iso", [](PlacesTest& t) { return t.Iso(IsoNames::Joliet); }, longNames},
        {"rock ridge iso", [](PlacesTest& t) { return t.Iso(IsoNames::RockRidge); }, longNames},
        {"both iso", [](PlacesTest& t) { return t.Iso(IsoNames::Both); }, longNames},
        {"mode1 bin", [](PlacesTest& t) { return t.Cue(); }, longNames},
        {"mode2 bin", [](PlacesTest& t) { return t.Cue(true); }, longNames},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string image = c.make(*this);
        EXPECT_EQ(NamesOf(places.ListDirectory(image, "*", faDirectory)),
                  (Names{"FICHIERS", "FILES.BBS", "MANY"}));
        EXPECT_EQ(places.FindFiles(image + "/many/*.bbs", 0).size(), 80u);
        EXPECT_EQ(NamesOf(places.FindFiles(image + "/fichiers/*", faDirectory)), c.fichiers);
        const std::string longName = image + "/FICHIERS/" + c.fichiers[0];
        EXPECT_EQ(places.FileSizeOf(longName), static_cast<std::int64_t>(big.size()));
        const auto file = places.OpenTextFile(longName);
        EXPECT_EQ(file->Size(), static_cast<std::int64_t>(big.size()));
        EXPECT_EQ(ReadAll(*file), big);
        // Images are read-only: their files are never written.
        FoundFile found;
        ASSERT_TRUE(places.LookUpFile(image + "/files.bbs", found));
        EXPECT_EQ(found.attributes, unsigned{faReadOnly | faArchive});
        places.CloseImages();
    }
}

TEST_F(PlacesTest, NamesInsideAnImageMatchWithoutRegardToCaseAndClimbOutOfItsRoot)
{
    dir.Write("src/.hidden.bbs", "h");
    Iso(IsoNames::RockRidge);
    places.SetCurrentDirectory(dir / "shelf/CLUB.ISO/../CLUB.ISO/fichiers");
    EXPECT_EQ(places.CurrentDirectory(), dir / "shelf/CLUB.ISO/../CLUB.ISO/fichiers");
    EXPECT_EQ(places.FileSizeOf("NEWS.BBS"), 3);
    EXPECT_EQ(places.FileSizeOf("sub/asc01.asc"), 7);
    EXPECT_EQ(places.FileSizeOf("../FILES.BBS"), 7);
    EXPECT_EQ(places.FileSizeOf("../../OTHER.BBS"), 7);
    EXPECT_EQ(places.FileSizeOf("./Sub/./../../files.BBS"), 7);
    EXPECT_EQ(places.FileSizeOf("N*.BBS"), 3);
    EXPECT_EQ(ReadAll(*places.OpenTextFile("../../OTHER.BBS")), "other\r\n");
    EXPECT_EQ(NamesOf(places.FindFiles("*.BBS", faReadOnly)),
              (Names{"A very long name here.bbs", "news.bbs"}));
    // A hidden name is found by a search that asks for it, never by its size.
    EXPECT_EQ(NamesOf(places.FindFiles("../.*", faHidden)), (Names{".hidden.bbs"}));
    EXPECT_EQ(places.FileSizeOf("../.hidden.bbs"), 0);
    EXPECT_TRUE(places.InImage("Sub"));
    EXPECT_FALSE(places.InImage("../.."));

    // The disk folder lists the image as a folder when asked to.
    const auto shelf = places.ListDirectory(dir / "shelf", "*", faDirectory | faImage);
    ASSERT_EQ(NamesOf(shelf), (Names{"CLUB.ISO", "OTHER.BBS"}));
    EXPECT_EQ(shelf[0].attributes & (faDirectory | faImage), unsigned{faDirectory | faImage});
    EXPECT_EQ(places.ListDirectory(dir / "shelf", "*", faDirectory)[0].attributes & faImage, 0u);
}

TEST_F(PlacesTest, ANameOfAnImageThatHoldsNoImageIsAnOrdinaryFile)
{
    dir.Write("shelf/FAKE.ISO", "not an image");
    dir.Write("shelf/FAKE.CUE", "REM nothing\r\n");
    EXPECT_EQ(places.FileSizeOf(dir / "shelf/FAKE.ISO"), 12);
    EXPECT_EQ(places.FileSizeOf(dir / "shelf/FAKE.CUE"), 13);
    EXPECT_EQ(ErrorOf([&] { places.SetCurrentDirectory(dir / "shelf/FAKE.ISO"); }),
              "Nom de fichier incorrect");
    EXPECT_EQ(ErrorOf([&] { places.OpenTextFile(dir / "shelf/FAKE.ISO/X.BBS"); }),
              "Nom de fichier incorrect");
}

TEST_F(PlacesTest, AFileOfSeveralExtentsIsReadWhole)
{
    dir.Write("src/PARTA.BBS", std::string(2048, 'a'));
    dir.Write("src/PARTB.BBS", "bbb\r\n");
    const std::string image = Iso(IsoNames::Plain);
    fendix::testing::PatchRecord(image, "PARTA.BBS;1", [](unsigned char* record) { record[25] |= 0x80; });
    fendix::testing::PatchRecord(image, "PARTB.BBS;1", [](unsigned char* record) { record[33 + 4] = 'A'; });
    EXPECT_EQ(places.FileSizeOf(image + "/PARTA.BBS"), 2048 + 5);
    EXPECT_EQ(ReadAll(*places.OpenTextFile(image + "/PARTA.BBS")), std::string(2048, 'a') + "bbb\r\n");
}

TEST_F(PlacesTest, HostileImagesGiveTheirErrorsAndNothingElse)
{
    const std::string image = dir / "shelf/CLUB.ISO";
    const std::string unreadable = "Image de CD illisible: " + image;
    const auto patched = [&](const char* name, std::function<void(unsigned char*)> change) {
        return [this, name, change] {
            Iso(IsoNames::Plain);
            fendix::testing::PatchRecord(dir / "shelf/CLUB.ISO", name, change);
        };
    };
    const auto wrongCue = [this](const char* text) {
        return [this, text] {
            Cue();
            dir.Write("shelf/CLUB.cue", text);
        };
    };
    struct Case {
        const char* what;
        std::function<void()> make;
        std::string path;
        std::string error;
    } cases[] = {
        {"a file's extent past the end",
         patched("FILES.BBS;1", [](unsigned char* r) { fendix::testing::PutBothEndian(r + 2, 4000000); }),
         image + "/FILES.BBS", "Lecture au delà de la fin de fichier"},
        {"a file's size past the end",
         patched("FILES.BBS;1", [](unsigned char* r) { fendix::testing::PutBothEndian(r + 10, 0xFFFFFFFF); }),
         image + "/FILES.BBS", "Lecture au delà de la fin de fichier"},
        {"a folder's extent past the end",
         patched("FICHIERS", [](unsigned char* r) { fendix::testing::PutBothEndian(r + 2, 0xFFFFFFF0); }),
         image + "/FICHIERS/NEWS.BBS", unreadable},
        {"a folder's size that overflows",
         patched("FICHIERS", [](unsigned char* r) { fendix::testing::PutBothEndian(r + 10, 0xFFFFFFFF); }),
         image + "/FICHIERS/NEWS.BBS", unreadable},
        {"a folder that is a file", patched("FICHIERS", [](unsigned char* r) { r[25] = 0; }),
         image + "/FICHIERS/NEWS.BBS", "Nom de fichier incorrect"},
        {"a cue sheet naming a missing file", wrongCue("FILE \"GONE.BIN\" BINARY\n TRACK 01 MODE1/2352\n"),
         dir / "shelf/CLUB.cue/FILES.BBS", "Image de CD illisible: " + dir / "shelf/CLUB.cue"},
        {"a cue sheet naming a file elsewhere",
         wrongCue("FILE \"../shelf/CLUB.bin\" BINARY\n TRACK 01 MODE1/2352\n"),
         dir / "shelf/CLUB.cue/FILES.BBS", "Image de CD illisible: " + dir / "shelf/CLUB.cue"},
        {"a cue sheet with the wrong layout", wrongCue("FILE \"CLUB.bin\" BINARY\n TRACK 01 MODE2/2352\n"),
         dir / "shelf/CLUB.cue/FILES.BBS", "Image de CD illisible: " + dir / "shelf/CLUB.cue"},
        {"a path missing inside", [this] { Iso(IsoNames::Plain); }, image + "/NONE/FILES.BBS",
         "Fichier introuvable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        places.CloseImages();
        EXPECT_EQ(ErrorOf([&] { ReadAll(*places.OpenTextFile(c.path)); }), c.error);
        EXPECT_EQ(places.FileSizeOf(c.path) > 0, c.error.starts_with("Lecture"));
        try { // an input/output error names the path that failed, also while the file is read
            ReadAll(*places.OpenTextFile(c.path));
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.Path(), c.path);
        } catch (const EProgramError&) {
        }
    }
}

TEST_F(PlacesTest, AFolderThatHoldsItselfIsFollowedOnlyAsFarAsThePathGoes)
{
    const std::string image = Iso(IsoNames::Plain);
    fendix::testing::PatchRecord(image, "FICHIERS", [](unsigned char* r) { r[2] -= 1; }); // the root's sector
    std::string path = image;
    for (int i = 0; i < 200; ++i)
        path += "/FICHIERS";
    EXPECT_EQ(places.FileSizeOf(path + "/FILES.BBS"), 7);
}

TEST(CueSheetTest, TheDataTrackAndWhereItLies)
{
    struct Case {
        const char* text;
        const char* file; // null: no data track
        std::uint64_t start;
        std::uint32_t data;
    } cases[] = {
        {"FILE \"A B.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n", "A B.bin", 0, 16},
        {"file x.bin binary\ntrack 1 mode2/2352\nindex 01 00:02:01\n", "x.bin", 151 * 2352, 24},
        {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nINDEX 01 01:00:00\n",
         "a.bin", 4500 * 2352, 16},
        {"FILE a.bin BINARY\nTRACK 01 MODE1/2048\n", nullptr, 0, 0},
        {"TRACK 01 MODE1/2352\n", nullptr, 0, 0},
        {"FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:99:00\n", "a.bin", 0, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto track = ParseCueSheet(c.text);
        ASSERT_EQ(track.has_value(), c.file != nullptr);
        if (!track)
            continue;
        EXPECT_EQ(track->fileName, c.file);
        EXPECT_EQ(track->layout.start, c.start);
        EXPECT_EQ(track->layout.size, 2352u);
        EXPECT_EQ(track->layout.data, c.data);
    }
}

} // namespace
} // namespace fendix::platform
