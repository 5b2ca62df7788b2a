// Code page 437: what the description window shows of the bytes, and what a typed text
// becomes before it is matched.

#include "ui/Cp437.h"

#include <QSet>
#include <QTest>

using fendix::ui::Cp437ToUnicode;
using fendix::ui::DecodeCp437Line;
using fendix::ui::EncodeCp437;

class Cp437Test : public QObject {
    Q_OBJECT

private slots:
    void boxDrawingBlocksAndAccentsShowAsDosDrewThem();
    void everyByteHasItsOwnCharacter();
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
