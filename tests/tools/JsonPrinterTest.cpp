// fendix-search --format json: every line of a run is one object of the schema the manual
// page gives, and what it holds gives back the bytes of the names and the lines.

#include "tools/JsonPrinter.h"
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

enum class Kind { Text, Number, EntryKind, Lines, Matches };

struct Member {
    const char* name;
    Kind kind;
    bool optional = false;
};

// The members of each type of object, in their order after "type".
const std::map<std::string, std::vector<Member>> Schema = {
    {"entry",
     {{"path", Kind::Text},
      {"label", Kind::Text},
      {"kind", Kind::EntryKind},
      {"lines", Kind::Lines},
      {"matches", Kind::Matches}}},
    {"file-match", {{"path", Kind::Text}}},
    {"message", {{"text", Kind::Text}}},
    {"warning", {{"text", Kind::Text}}},
    {"error", {{"text", Kind::Text}, {"path", Kind::Text, true}, {"code", Kind::Number, true}}},
    {"file", {{"path", Kind::Text}}},
    {"gauge", {{"file", Kind::Number}, {"total", Kind::Number}}},
    {"item", {{"group", Kind::Text}, {"name", Kind::Text}}},
    {"summary", {{"entries", Kind::Number}, {"files", Kind::Number}, {"bytes", Kind::Number}}},
};

std::string Base64Decoded(const std::string& text)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned group = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        group = (group << 6) | static_cast<unsigned>(alphabet.find(c));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    return bytes;
}

// The bytes a text member stands for: the UTF-8 of a string, the bytes of a base64 object.
std::string BytesOf(const Json& text)
{
    return text.is_string() ? text.get<std::string>() : Base64Decoded(text.at("bytes").get<std::string>());
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
        if (member == object.end() || member.key() != expected.name) {
            if (expected.optional)
                continue;
            return std::string("no ") + expected.name + " where expected";
        }
        const Json& value = member.value();
        bool fits = false;
        switch (expected.kind) {
        case Kind::Text:
            fits = value.is_string()
                   || (value.is_object() && value.size() == 1 && value.contains("bytes")
                       && value.at("bytes").is_string());
            break;
        case Kind::Number:
            fits = value.is_number_integer();
            break;
        case Kind::EntryKind:
            fits = value == "bbs" || value == "news" || value == "maj";
            break;
        case Kind::Lines:
            fits = value.is_array() && std::all_of(value.begin(), value.end(), [](const Json& l) {
                       return l.is_string() && !l.get<std::string>().empty();
                   });
            break;
        case Kind::Matches:
            fits = value.is_array() && std::all_of(value.begin(), value.end(), [&](const Json& m) {
                       if (!m.is_object() || m.size() != 3 || !m.contains("line"))
                           return false;
                       const auto index = m.at("line").get<std::size_t>();
                       const auto start = m.at("start").get<std::size_t>();
                       const auto end = m.at("end").get<std::size_t>();
                       return index < object.at("lines").size() && start < end
                              && end <= LineBytes(object.at("lines").at(index).get<std::string>()).size();
                   });
            break;
        }
        if (!fits)
            return std::string("a wrong value for ") + expected.name;
        ++member;
    }
    return member == object.end() ? "" : "a member too many: " + member.key();
}

std::vector<Json> CheckedObjects(const testing::Outcome& run)
{
    std::vector<Json> objects;
    for (std::size_t at = 0; at < run.out.size();) {
        const std::size_t end = run.out.find('\n', at);
        const std::string line = run.out.substr(at, end - at);
        EXPECT_EQ(Problem(line), "") << line;
        objects.push_back(Json::parse(line, nullptr, false));
        at = end == std::string::npos ? run.out.size() : end + 1;
    }
    EXPECT_TRUE(run.out.empty() || run.out.back() == '\n');
    return objects;
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
    dir.Write("cd/ASC01.ASC", "  \xCD entry\r\n" + everyByte + "\r\n  \xFE\xFE MAJ needle\r\n");
    const std::string newline = "X\n.BBS";
    const std::string latin1 = "CAF\xC9.BBS"; // not UTF-8
    dir.Write("cd/" + newline, "A.ZIP needle\r\n");
    dir.Write("cd/" + latin1, "B.ZIP needle needle\r\n");
    std::string invalid = "BIG.ZIP description\r\n";
    for (int i = 0; i < 200; ++i)
        invalid += std::string(31, ' ') + "more\r\n";
    dir.Write("cd/BIG.BBS", invalid);

    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--format", "json", "--c1", "needle"});
        return CheckedObjects(testing::RunProgram(FENDIX_SEARCH, args, dir.Path(), dir.Path()));
    };
    std::map<std::string, int> types;
    std::map<std::string, std::vector<std::string>> linesOf; // by path, the bytes
    for (const Json& object : run({"--trace", "--select", "NOPE.BBS", "--select", "ASC01.ASC", "--select",
                                   newline, "--select", latin1, "--select", "BIG.BBS", "cd"})) {
        ++types[object.at("type")];
        if (object.at("type") == "entry")
            for (const Json& line : object.at("lines"))
                linesOf[BytesOf(object.at("path"))].push_back(LineBytes(line.get<std::string>()));
    }
    EXPECT_GT(types["gauge"], 4);
    types.erase("gauge");
    EXPECT_EQ(types, (std::map<std::string, int>{
                         {"entry", 4}, {"file", 4}, {"message", 1}, {"summary", 1}, {"warning", 1}}));
    EXPECT_EQ(linesOf["cd/ASC01.ASC"],
              (std::vector<std::string>{"  \xCD entry", everyByte, "  \xFE\xFE MAJ needle"}));
    EXPECT_EQ(linesOf["cd/" + newline], (std::vector<std::string>{"A.ZIP needle"}));
    EXPECT_EQ(linesOf["cd/" + latin1], (std::vector<std::string>{"B.ZIP needle needle"}));

    // The names in the other objects, and the error that ends a run.
    std::vector<std::string> named;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--list", "cd"}, {"-l", "cd"}, {"--annex", "cd/" + latin1 + "/gone", "--annexes-first", "cd"}})
        for (const Json& object : run(args))
            if (object.at("type") != "summary")
                named.push_back(object.at("type").get<std::string>() + " "
                                + BytesOf(object.contains("name")   ? object.at("name")
                                          : object.contains("path") ? object.at("path")
                                                                    : object.at("text")));
    EXPECT_EQ(named,
              (std::vector<std::string>{"item ASC01.ASC", "item BIG.BBS", "item " + latin1, "item " + newline,
                                        "file-match cd/ASC01.ASC", "message Fichier: BIG.BBS invalide.",
                                        "file-match cd/" + latin1, "file-match cd/" + newline,
                                        "error cd/" + latin1 + "/gone"}));
}

TEST(JsonPrinterTest, Base64HasItsPadding)
{
    EXPECT_EQ(tools::Base64(""), "");
    EXPECT_EQ(tools::Base64("f"), "Zg==");
    EXPECT_EQ(tools::Base64("fo"), "Zm8=");
    EXPECT_EQ(tools::Base64("foo"), "Zm9v");
    EXPECT_EQ(tools::Base64(std::string_view("\xC9\xFF\x00\x80", 4)), "yf8AgA==");
}

} // namespace
} // namespace fendix
