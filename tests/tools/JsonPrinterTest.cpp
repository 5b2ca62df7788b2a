// fendix-search --format json: every line of a run is one object of the schema the manual
// page gives, and what it holds gives back the bytes of the names and the lines.

#include "codepage/Cp437.h"
#include "tests/common/RunProgram.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

namespace fendix {
namespace {

using Json = nlohmann::ordered_json;

bool IsText(const Json& v)
{
    return v.is_string() || (v.is_object() && v.size() == 1 && v.contains("bytes") && v["bytes"].is_string());
}
bool IsNumber(const Json& v)
{
    return v.is_number_unsigned();
}
bool IsKind(const Json& v)
{
    return v == "bbs" || v == "news" || v == "maj";
}
bool IsLines(const Json& v)
{
    return v.is_array() && std::all_of(v.begin(), v.end(), [](const Json& line) { return line.is_string(); });
}
bool IsMatches(const Json& v)
{
    return v.is_array() && std::all_of(v.begin(), v.end(), [](const Json& m) {
               const auto member = m.begin();
               return m.size() == 3 && member.key() == "line" && std::next(member).key() == "start"
                      && std::next(member, 2).key() == "end"
                      && std::all_of(m.begin(), m.end(), [](const Json& n) { return IsNumber(n); });
           });
}

struct Member {
    const char* name;
    bool (*fits)(const Json&);
    bool optional = false;
};

// The members of each type of object, in their order after "type".
const std::map<std::string, std::vector<Member>> Schema = {
    {"entry",
     {{"path", IsText}, {"label", IsText}, {"kind", IsKind}, {"lines", IsLines}, {"matches", IsMatches}}},
    {"file-match", {{"path", IsText}}},
    {"message", {{"text", IsText}}},
    {"warning", {{"text", IsText}}},
    {"error", {{"text", IsText}, {"path", IsText, true}, {"code", IsNumber, true}}},
    {"file", {{"path", IsText}}},
    {"gauge", {{"file", IsNumber}, {"total", IsNumber}}},
    {"item", {{"group", IsText}, {"name", IsText}}},
    {"summary", {{"entries", IsNumber}, {"files", IsNumber}, {"bytes", IsNumber}}},
};

// What is wrong with one line of the output; empty when it is an object of the schema.
std::string Problem(const std::string& line)
{
    const Json object = Json::parse(line, nullptr, false);
    if (!object.is_object() || object.empty() || object.begin().key() != "type")
        return "not an object whose first member is its type";
    const auto type = Schema.find(object.begin().value().get<std::string>());
    if (type == Schema.end())
        return "no such type";
    auto member = std::next(object.begin());
    for (const Member& expected : type->second) {
        const bool present = member != object.end() && member.key() == expected.name;
        if (!present && !expected.optional)
            return std::string("no ") + expected.name + " where expected";
        if (present && !expected.fits(*member++))
            return std::string("a wrong value for ") + expected.name;
    }
    return member == object.end() ? "" : "a member too many: " + member.key();
}

// The bytes a text stands for: the UTF-8 of a string, the base64 of an object.
std::string BytesOf(const Json& text)
{
    if (text.is_string())
        return text.get<std::string>();
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned group = 0;
    int bits = 0;
    for (const char c : text.at("bytes").get<std::string>()) {
        if (c == '=')
            break;
        group = (group << 6) | static_cast<unsigned>(alphabet.find(c));
        if ((bits += 6) >= 8)
            bytes += static_cast<char>((group >> (bits -= 8)) & 0xFF);
    }
    return bytes;
}

// A stored line given back as the bytes it was decoded from.
std::string LineBytes(const std::string& utf8)
{
    std::map<char32_t, char> byteOf;
    for (unsigned byte = 0; byte < 256; ++byte)
        byteOf[codepage::LineCharacter(static_cast<unsigned char>(byte), codepage::LineDecoding::OneToOne)] =
            static_cast<char>(byte);
    std::string bytes;
    for (std::string_view rest = utf8; !rest.empty();) {
        char32_t c = 0;
        const std::size_t length = std::max<std::size_t>(codepage::Utf8CharacterAt(rest, c), 1);
        bytes += byteOf.at(c);
        rest.remove_prefix(length);
    }
    return bytes;
}

TEST(JsonPrinterTest, EveryLineIsAnObjectOfTheSchemaAndGivesBackTheBytes)
{
    testing::TempDir dir;
    // Every byte that can stand in a stored line (a carriage return ends it, 0x1A the file),
    // the lone line feed among them.
    std::string everyByte;
    for (unsigned byte = 0; byte < 256; ++byte)
        if (byte != 0x0D && byte != 0x1A)
            everyByte += static_cast<char>(byte);
    everyByte += " needle";
    dir.Write("cd/ASC01.ASC", "  \xCD entry\r\n" + everyByte + "\r\n");
    const std::string newline = "X\n.BBS";
    const std::string latin1 = "CAF\xC9.BBS"; // not UTF-8
    dir.Write("cd/" + newline, "A.ZIP needle\r\n");
    dir.Write("cd/" + latin1, "B.ZIP needle needle\r\n");
    std::string invalid = "BIG.ZIP description\r\n";
    for (int i = 0; i < 200; ++i)
        invalid += std::string(31, ' ') + "more\r\n";
    dir.Write("cd/BIG.BBS", invalid);

    // Each object of a run, checked against the schema, as its type and what it names or
    // holds: its text, its path and then its lines as bytes, its matches.
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"--format", "json", "--c1", "needle", "--select", "NOPE.BBS", "--select", "ASC01.ASC",
                     "--select", "BIG.BBS", "--select", latin1, "--select", newline});
        args.push_back("cd");
        const std::string out = testing::RunProgram(FENDIX_SEARCH, args, dir.Path(), dir.Path()).out;
        EXPECT_EQ(out.back(), '\n');
        std::vector<std::string> seen;
        for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
            const std::string line = out.substr(at, end - at);
            EXPECT_EQ(Problem(line), "") << line;
            const Json object = Json::parse(line, nullptr, false);
            std::string shown = object.value("type", "");
            for (const char* name : {"name", "text", "path"})
                if (object.contains(name))
                    shown.append(" ").append(BytesOf(object[name]));
            for (const Json& l : object.value("lines", Json::array()))
                shown.append("|").append(LineBytes(l.get<std::string>()));
            if (object.contains("matches"))
                shown.append(" ").append(object["matches"].dump());
            if (object.value("type", "") != "gauge" && object.value("type", "") != "summary")
                seen.push_back(shown);
        }
        return seen;
    };
    const std::string warning = "warning --select NOPE.BBS: not among the description files of cd";
    EXPECT_EQ(
        run({"--trace"}),
        (std::vector<std::string>{
            warning,
            "file cd/ASC01.ASC",
            "entry cd/ASC01.ASC|  \xCD entry|" + everyByte + R"( [{"line":1,"start":255,"end":261}])",
            "file cd/BIG.BBS",
            "message Fichier: BIG.BBS invalide.",
            "file cd/" + latin1,
            "entry cd/" + latin1
                + R"(|B.ZIP needle needle [{"line":0,"start":6,"end":12},{"line":0,"start":13,"end":19}])",
            "file cd/" + newline,
            "entry cd/" + newline + R"(|A.ZIP needle [{"line":0,"start":6,"end":12}])",
        }));
    EXPECT_EQ(run({"--list"}), (std::vector<std::string>{warning, "item ASC01.ASC", "item BIG.BBS",
                                                         "item " + latin1, "item " + newline}));
    EXPECT_EQ(
        run({"-l", "--annex", "cd/" + latin1 + "/gone"}),
        (std::vector<std::string>{warning, "file-match cd/ASC01.ASC", "message Fichier: BIG.BBS invalide.",
                                  "file-match cd/" + latin1, "file-match cd/" + newline,
                                  "error Nom de fichier incorrect. cd/" + latin1 + "/gone"}));
}

} // namespace
} // namespace fendix
