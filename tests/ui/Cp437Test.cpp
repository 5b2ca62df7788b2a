// Code page 437: what the description window shows of the bytes, and what a typed text
// becomes before it is matched.

#include "ui/Cp437.h"

#include <QSet>
#include <QTest>

#include <cerrno>
#include <iconv.h>

using fendix::ui::Cp437ToUnicode;
using fendix::ui::DecodeCp437Line;
using fendix::ui::EncodeCp437;

class Cp437Test : public QObject {
    Q_OBJECT

private slots:
    void boxDrawingBlocksAndAccentsShowAsDosDrewThem();
    void everyByteHasItsOwnCharacter();
    void everyByteIsTheCLibrarysCharacterOrTheDosGlyph();
    void everyShownCharacterTypesBackToItsByte();
    void tabStaysATabAndLineFeedShowsItsGlyph();
    void typedAccentsBecomeTheirDosBytes();
    void charactersTheCodePageLacksBecomeAnUnmatchableByte();
    void decomposedAccentsAreComposedFirst();
};

void Cp437Test::boxDrawingBlocksAndAccentsShowAsDosDrewThem()
{
    QCOMPARE(Cp437ToUnicode(0xCD), U'═');
    QCOMPARE(Cp437ToUnicode(0xFE), U'■');
    QCOMPARE(Cp437ToUnicode(0x82), U'é');
    QCOMPARE(Cp437ToUnicode(0x90), U'É');
    QCOMPARE(Cp437ToUnicode(0xC9), U'╔');
    QCOMPARE(Cp437ToUnicode(0xB3), U'│');
    QCOMPARE(Cp437ToUnicode(0xDB), U'█');
    QCOMPARE(Cp437ToUnicode(0xB0), U'░');
    QCOMPARE(Cp437ToUnicode(0xF8), U'°');
    QCOMPARE(Cp437ToUnicode(0x01), U'☺');
    QCOMPARE(Cp437ToUnicode(0x7F), U'⌂');
    QCOMPARE(DecodeCp437Line("  \xCD\xCD\xCD DISQUE \x82t\x82"), QStringLiteral("  ═══ DISQUE été"));
}

void Cp437Test::everyByteHasItsOwnCharacter()
{
    QSet<char32_t> seen;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t c = Cp437ToUnicode(static_cast<unsigned char>(byte));
        if (byte >= 0x20 && byte < 0x7F)
            QCOMPARE(c, static_cast<char32_t>(byte));
        seen.insert(c);
    }
    // 0x00 is drawn as a blank, the only character that two bytes share.
    QCOMPARE(Cp437ToUnicode(0x00), U' ');
    QCOMPARE(seen.size(), 255);
}

// The C library's table for code page 437 gives control characters for 0x00 to 0x1F and
// 0x7F, where DOS screens drew the glyphs below (0x00 as a blank); every other byte must be
// the character that the C library gives.
void Cp437Test::everyByteIsTheCLibrarysCharacterOrTheDosGlyph()
{
    const std::u32string_view glyphs = U" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
    QCOMPARE(glyphs.size(), std::size_t{32});
    for (unsigned byte = 0; byte < 0x20; ++byte)
        QCOMPARE(Cp437ToUnicode(static_cast<unsigned char>(byte)), glyphs[byte]);
    QCOMPARE(Cp437ToUnicode(0x7F), U'⌂');

    const iconv_t toUtf32 = ::iconv_open("UTF-32LE", "CP437");
    QVERIFY(toUtf32 != reinterpret_cast<iconv_t>(-1));
    int compared = 0;
    for (unsigned byte = 0x20; byte < 0x100; ++byte) {
        if (byte == 0x7F)
            continue;
        char in = static_cast<char>(byte);
        unsigned char out[4] = {};
        char* from = &in;
        char* to = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        QVERIFY2(::iconv(toUtf32, &from, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1),
                 qPrintable(QString::number(byte, 16)));
        const char32_t expected =
            out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
        QVERIFY2(
            Cp437ToUnicode(static_cast<unsigned char>(byte)) == expected,
            qPrintable(QStringLiteral("byte %1: U+%2, the C library U+%3")
                           .arg(byte, 2, 16)
                           .arg(static_cast<uint>(Cp437ToUnicode(static_cast<unsigned char>(byte))), 4, 16)
                           .arg(static_cast<uint>(expected), 4, 16)));
        ++compared;
    }
    ::iconv_close(toUtf32);
    QCOMPARE(compared, 223);
}

void Cp437Test::everyShownCharacterTypesBackToItsByte()
{
    for (int byte = 1; byte < 256; ++byte) {
        const char32_t c = Cp437ToUnicode(static_cast<unsigned char>(byte));
        const std::string encoded = EncodeCp437(QString::fromUcs4(&c, 1));
        QCOMPARE(encoded, std::string(1, static_cast<char>(byte)));
    }
}

void Cp437Test::tabStaysATabAndLineFeedShowsItsGlyph()
{
    QCOMPARE(DecodeCp437Line("\tA\nB\x1A"), QStringLiteral("\tA◙B→"));
    QCOMPARE(EncodeCp437(QStringLiteral("\t")), std::string("\t"));
    QCOMPARE(DecodeCp437Line(""), QString());
}

void Cp437Test::typedAccentsBecomeTheirDosBytes()
{
    QCOMPARE(EncodeCp437(QStringLiteral("éducatif")), std::string("\x82"
                                                                  "ducatif"));
    QCOMPARE(EncodeCp437(QStringLiteral("ÉDUCATIF à Noël")), std::string("\x90"
                                                                         "DUCATIF \x85 No\x89l"));
    QCOMPARE(EncodeCp437(QStringLiteral("ß β")), std::string("\xE1 \xE1"));
    QCOMPARE(EncodeCp437(QString()), std::string());
}

void Cp437Test::charactersTheCodePageLacksBecomeAnUnmatchableByte()
{
    QCOMPARE(EncodeCp437(QStringLiteral("€")), std::string("\r"));
    QCOMPARE(EncodeCp437(QStringLiteral("a€b")), std::string("a\rb"));
    QCOMPARE(EncodeCp437(QStringLiteral("日本")), std::string("\r\r"));
    // A character beyond the basic plane is one character, so one byte.
    QCOMPARE(EncodeCp437(QString::fromUtf8("x\xF0\x9F\x92\xBEy")), std::string("x\ry"));
    QCOMPARE(fendix::ui::UnmatchableByte, '\r');
}

void Cp437Test::decomposedAccentsAreComposedFirst()
{
    QCOMPARE(EncodeCp437(QStringLiteral("e\u0301t\u00E9")), std::string("\x82t\x82"));
    QCOMPARE(EncodeCp437(QStringLiteral("n\u0303")), std::string("\xA4"));
}

QTEST_APPLESS_MAIN(Cp437Test)
#include "Cp437Test.moc"
