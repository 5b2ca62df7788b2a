// The initialisation-file format: what a read finds, what a write changes, byte for byte.

#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace fendix::settings {
namespace {

IniFile Text(std::string text)
{
    return IniFile("/nowhere/fendix.ini", std::move(text));
}

TEST(IniFileRead, LinesNamesAndValuesFollowTheProfileRules)
{
    const IniFile ini = Text("k=before any section\r\n"
                             " \t[ Win Fendix ] \x1A\r\n"
                             "\t Key \t=  a value \x1A \r" // a lone CR ends a line, a lone LF too
                             "path=a=b==c\n"
                             "empty=\r\n\r\n\n"
                             "noequals\r\n"
                             ";comment=1\r\n"
                             "dq=\"a b\"\r\nsq=' a '\r\nmixed=\"ab'\r\none=\"\r\ntwo=\"\"\r\n"
                             "long="
                             + std::string(3000, 'x') + "\r\nquoted=\"" + std::string(1023, 'y')
                             + "\"\r\n"
                               "KEY=a second key of the name\r\n"
                               "[a]b] trailing\r\nk=1\r\n[open\r\n[open=2\r\n"
                               "[WIN FENDIX]\r\nother=in a second section of the name\r\n"
                               // Form feed and vertical tab are blanks, like tab.
                               "\f[Fichiers standards]\v\r\n\vNombre\f=\f2\v\r\n"
                               "[\xE9t\xE9]\r\nlast=no line end");
    struct Lookup {
        std::string section;
        std::string key;
        std::string expected;
    };
    const std::vector<Lookup> lookups = {
        {"win fendix", "KEY", "a value"},
        {"Win Fendix", "path", "a=b==c"},
        {"Win Fendix", "empty", ""}, // the empty value, not the default
        {"Win Fendix", "noequals", "-"},
        {"Win Fendix", ";comment", "-"},
        {"Win Fendix", "comment", "-"},
        {"Win Fendix", "dq", "a b"},
        {"Win Fendix", "sq", " a "},
        {"Win Fendix", "mixed", "\"ab'"},
        {"Win Fendix", "one", "\""},
        {"Win Fendix", "two", ""},
        {"Win Fendix", "long", std::string(1023, 'x')},
        {"Win Fendix", "quoted", std::string(1023, 'y')}, // quotes go before the cut
        {"Win Fendix", "other", "-"},                     // only the first section of a name counts
        {"", "k", "-"},
        {"a]b", "k", "1"},
        {"a]b", "[open", "2"}, // "[open" without "]" is an ordinary line
        {"open", "k", "-"},
        {"Fichiers standards", "Nombre", "2"},
        {"\xE9t\xE9", "LAST", "no line end"},
        {"\xC9T\xC9", "last", "-"}, // only a to z are folded
        {"missing", "k", "-"},
    };
    for (const auto& lookup : lookups)
        EXPECT_EQ(ini.ReadString(lookup.section, lookup.key, "-"), lookup.expected)
            << "[" << lookup.section << "] " << lookup.key;
}

TEST(IniFileRead, IntegersOfTheValueEncoding)
{
    struct Case {
        const char* value;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        // Decimal, with leading blanks and a sign, within the signed 32-bit range.
        {"12", 12},
        {"  -7", -7},
        {"+5", 5},
        {"007", 7},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", -99},
        {"-2147483649", -99},
        {"99999999999999999999", -99},
        // Hexadecimal: a 32-bit pattern in two's complement.
        {"$FF", 255},
        {"$ffffffff", -1},
        {"$80000000", INT32_MIN},
        {"$123456789", -99},
        {"0x0", 0},
        {"0x1", 1},
        {"0X1a", 26},
        {"0x", -99},
        {"$", -99},
        {"0xG", -99},
        // Anything else.
        {"12a", -99},
        {"oui", -99},
        {"", -99},
        {"-", -99},
        {"+$1", -99},
        {"1 2", -99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseInteger(c.value, -99), c.expected) << '"' << c.value << '"';
}

TEST(IniFileWrite, NewLinesGoWhereTheyBelongAndEveryOtherByteStays)
{
    EXPECT_EQ(
        [] {
            IniFile ini = Text("");
            ini.WriteString("S", "k", "v");
            ini.WriteBool("S", "yes", true);
            ini.WriteInteger("T", "n", -12);
            return ini.Text();
        }(),
        "[S]\r\nk=v\r\nyes=1\r\n[T]\r\nn=-12\r\n");

    IniFile ini = Text("; header\r\n"
                       "[A]\r\nx=1\r\n  NoMbRe = 12  \x1A\nsame = \"v\"  \r\ndup=1\r\ndup=2\r\n; note\r\n\r\n"
                       "[B]\n;only a comment\n"
                       "[C]\r\nz=3");
    ini.WriteString("a", "y", "2");     // after the last key of the section
    ini.WriteInteger("A", "nombre", 3); // in place, spelling and blanks kept
    ini.WriteString("A", "same", "v");  // reads so already: untouched
    ini.WriteString("A", "DUP", "9");   // the first of two
    ini.WriteString("B", "w", "4");     // a section without keys: after its header
    ini.WriteString("C", "z2", "5");    // the last line gets its line end first
    ini.WriteString("D", "d", "6");     // a new section goes last
    ini.WriteString("D", "D", "7");     // and is found at once
    EXPECT_EQ(ini.Text(),
              "; header\r\n"
              "[A]\r\nx=1\r\n  NoMbRe = 3  \x1A\nsame = \"v\"  \r\ndup=9\r\ndup=2\r\ny=2\r\n; note\r\n\r\n"
              "[B]\nw=4\r\n;only a comment\n"
              "[C]\r\nz=3\r\nz2=5\r\n"
              "[D]\r\nd=7\r\n");
    EXPECT_EQ(ini.ReadInteger("A", "Nombre", 0), 3);

    // A byte-order mark at the start hides nothing and stays where it is.
    const std::string mark = "\xEF\xBB\xBF";
    IniFile marked = Text(mark + "[WinFendix]\r\nk=1\r\n");
    EXPECT_EQ(marked.ReadString("WinFendix", "k", "-"), "1");
    marked.WriteString("WinFendix", "k", "2");
    marked.WriteString("Fichiers standards", "Nombre", "0");
    EXPECT_EQ(marked.Text(), mark + "[WinFendix]\r\nk=2\r\n[Fichiers standards]\r\nNombre=0\r\n");
    IniFile onlyMark = Text(mark);
    onlyMark.WriteString("S", "k", "v");
    EXPECT_EQ(onlyMark.Text(), mark + "[S]\r\nk=v\r\n");
    EXPECT_EQ(Text(mark + "k=v\r\n[S]\r\n").Text(), mark + "k=v\r\n[S]\r\n");
}

TEST(IniFileWrite, EraseRemovesEverySectionOfTheNameWithAllItsLines)
{
    IniFile ini = Text("[A]\r\na=1\r\n[Gone]\r\ng=1\r\n; its comment\r\n\r\n[B]\r\nb=1\r\n[GONE]\r\ng=2\r\n");
    ini.EraseSection("gone");
    EXPECT_EQ(ini.Text(), "[A]\r\na=1\r\n[B]\r\nb=1\r\n");
    EXPECT_EQ(ini.ReadString("Gone", "g", "-"), "-");
    ini.WriteString("Gone", "g", "3");
    ini.EraseSection("nothing");
    EXPECT_EQ(ini.Text(), "[A]\r\na=1\r\n[B]\r\nb=1\r\n[Gone]\r\ng=3\r\n");
}

TEST(IniFileWrite, ValuesReadBackAsWrittenOrAreRefusedBeforeAnyChange)
{
    IniFile ini = Text("[S]\r\nk=1\r\n");
    const std::vector<std::string> values = {
        " lead", "trail\t", "'x'", "\"\"", "\"open", "a=b", std::string(1023, 'z'), "\fpage\v"};
    const std::vector<std::string> keys = {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7"};
    for (std::size_t i = 0; i < values.size(); ++i)
        ini.WriteString("S", keys[i], values[i]);
    // A longer value is written whole; a read gives its first 1023 bytes.
    const std::string longer = std::string(1023, 'l') + " and more";
    ini.WriteString("S", "long", longer);
    const IniFile reread = Text(ini.Text());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.ReadString("S", keys[i], "-"), values[i]);
    EXPECT_EQ(reread.ReadString("S", "long", "-"), longer.substr(0, 1023));
    EXPECT_NE(ini.Text().find(
                  "k0=\" lead\"\r\nk1=\"trail\t\"\r\nk2=\"'x'\"\r\nk3=\"\"\"\"\r\nk4=\"open\r\nk5=a=b\r\n"),
              std::string::npos);
    EXPECT_NE(ini.Text().find("\r\nlong=" + longer + "\r\n"), std::string::npos);

    const std::string before = ini.Text();
    EXPECT_THROW(ini.WriteString("S", "k", "a\r\nNombre=0"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "k", "a\rb"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S\r\n[T]", "k", "v"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "a=b", "v"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", ";k", "v"), std::invalid_argument);
    EXPECT_EQ(ini.Text(), before);
}

} // namespace
} // namespace fendix::settings
