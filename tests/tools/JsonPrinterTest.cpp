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

// The members of each type of object, in their order after "type"; "?" marks one that may
// be left out.
const std::map<std::string, std::vector<std::string>> Members = {
    {"entry", {"path", "label", "kind", "lines", "matches"}},
    {"file-match", {"path"}},
    {"message", {"text"}},
    {"warning", {"text"}},
    {"error", {"text", "path?", "code?"}},
    {"file", {"path"}},
    {"gauge", {"file", "total"}},
    {"item", {"group", "name"}},
    {"summary", {"entries", "files", "bytes"}},
};

// True when a member holds what a member of its name holds: a text (a string, or its bytes
// in base64), the kind of an entry, lines, matches, or else a count.
bool Fits(const std::string& name, const Json& v)
{
    if (name == "path" || name == "label" || name == "text" || name == "name" || name == "group")
        return v.is_string()
               || (v.is_object() && v.size() == 1 && v.contains("bytes") && v["bytes"].is_string());
    if (name == "kind")
        return v == "bbs" || v == "news" || v == "maj";
    if (name == "lines")
        return v.is_array()
               && std::all_of(v.begin(), v.end(), [](const Json& line) { return line.is_string(); });
    if (name == "matches")
        return v.is_array() && std::all_of(v.begin(), v.end(), [](const Json& m) {
                   std::vector<std::string> keys;
                   for (auto it = m.begin(); it != m.end(); ++it)
                       keys.push_back(it.key());
                   return keys == std::vector<std::string>{"line", "start", "end"}
                          && std::all_of(m.begin(), m.end(),
                                         [](const Json& n) { return n.is_number_unsigned(); });
               });
    return v.is_number_unsigned();
}

// What is wrong with one line of the output; empty when it is an object of the schema.
std::string Problem(const std::string& line)
{
    const Json object = Json::parse(line, nullptr, false);
    if (!object.is_object() || object.empty() || object.begin().key() != "type")
        return "not an object whose first member is its type";
    const auto type = Members.find(object.begin().value().get<std::string>());
    if (type == Members.end())
        return "no such type";
    auto member = std::next(object.begin());
    for (std::string name : type->second) {
        const bool optional = name.back() == '?';
        if (optional)
            name.pop_back();
        const bool present = member != object.end() && member.key() == name;
        if (!present && !optional)
            return "no " + name + " where expected";
        if (present && !Fits(name, *member++))
            return "a wrong value for " + name;
    }
    return member == object.end() ? "" : "a member too many: " + member.key();
}

// A stored line as the output decodes it: every byte its own character.
std::string Decoded(std::string_view bytes)
{
    std::string text;
    for (const char c : bytes)
        codepage::AppendUtf8(
            text, codepage::LineCharacter(static_cast<unsigned char>(c), codepage::LineDecoding::OneToOne));
    return text;
}

TEST(JsonPrinterTest, EveryLineIsAnObjectOfTheSchemaAndGivesBackTheBytes)
{
    testing::TempDir dir;
    // Every byte that can stand in a stored line (a carriage return ends it, 0x1A the file),
    // the lone line feed among them; names with a line feed and with bytes that are not UTF-8.
    std::string everyByte;
    for (unsigned byte = 0; byte < 256; ++byte)
        if (byte != 0x0D && byte != 0x1A)
            everyByte += static_cast<char>(byte);
    dir.Write("cd/ASC01.ASC", "  \xCD entry\r\n" + everyByte + " needle\r\n");
    dir.Write("cd/X\n.BBS", "A.ZIP needle\r\n");
    dir.Write("cd/CAF\xC9.BBS", "B.ZIP needle needle\r\n");
    std::string invalid = "BIG.ZIP description\r\n";
    for (int i = 0; i < 200; ++i)
        invalid += std::string(31, ' ') + "more\r\n";
    dir.Write("cd/BIG.BBS", invalid);

    // Each object of a run, checked against the schema, as its type and what it names or
    // holds: its name, text or path (bytes in base64 after "="), its lines, its matches.
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"--format", "json", "--c1", "needle", "--select", "NOPE.BBS", "--select", "ASC01.ASC",
                     "--select", "BIG.BBS", "--select", "CAF\xC9.BBS", "--select", "X\n.BBS", "cd"});
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
                    shown.append(object[name].is_string() ? " " : " =")
                        .append((object[name].is_string() ? object[name] : object[name]["bytes"])
                                    .get<std::string>());
            for (const Json& l : object.value("lines", Json::array()))
                shown.append("|").append(l.get<std::string>());
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
            warning, "file cd/ASC01.ASC",
            "entry cd/ASC01.ASC|  \u2550 entry|" + Decoded(everyByte)
                + R"( needle [{"line":1,"start":255,"end":261}])",
            "file cd/BIG.BBS", "message Fichier: BIG.BBS invalide.", "file =Y2QvQ0FGyS5CQlM=",
            R"(entry =Y2QvQ0FGyS5CQlM=|B.ZIP needle needle [{"line":0,"start":6,"end":12},{"line":0,"start":13,"end":19}])",
            "file cd/X\n.BBS", R"(entry cd/X
.BBS|A.ZIP needle [{"line":0,"start":6,"end":12}])"}));
    EXPECT_EQ(run({"-l", "--list"}), (std::vector<std::string>{warning, "item ASC01.ASC", "item BIG.BBS",
                                                               "item =Q0FGyS5CQlM=", "item X\n.BBS"}));
    EXPECT_EQ(
        run({"-l", "--annex", "cd/CAF\xC9.BBS/gone"}),
        (std::vector<std::string>{warning, "file-match cd/ASC01.ASC", "message Fichier: BIG.BBS invalide.",
                                  "file-match =Y2QvQ0FGyS5CQlM=", "file-match cd/X\n.BBS",
                                  "error Nom de fichier incorrect. =Y2QvQ0FGyS5CQlMvZ29uZQ=="}));
}

} // namespace
} // namespace fendix
