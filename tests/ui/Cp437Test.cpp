// Code page 437 in the windows: what the description window shows of the bytes, and what a
// typed text becomes before it is matched (the code page itself: tests/codepage).

#include "ui/Cp437.h"

#include <QTest>

using fendix::ui::DecodeCp437Line;
using fendix::ui::EncodeCp437;

class Cp437Test : public QObject {
    Q_OBJECT

private slots:
    void linesShowAsDosDrewThemWithTheTabKept();
    void typedTextIsComposedAndEncoded();
};

void Cp437Test::linesShowAsDosDrewThemWithTheTabKept()
{
    QCOMPARE(DecodeCp437Line("  \xCD\xCD\xCD DISQUE \x82t\x82"), QStringLiteral("  ═══ DISQUE été"));
    QCOMPARE(DecodeCp437Line("\tA\nB\x1A"), QStringLiteral("\tA◙B→"));
    QCOMPARE(DecodeCp437Line(std::string_view("\0x", 2)), QStringLiteral(" x"));
    QCOMPARE(DecodeCp437Line(""), QString());
}

void Cp437Test::typedTextIsComposedAndEncoded()
{
    QCOMPARE(EncodeCp437(QStringLiteral("ÉDUCATIF à Noël")), std::string("\x90"
                                                                         "DUCATIF \x85 No\x89l"));
    QCOMPARE(EncodeCp437(QStringLiteral("e\u0301t\u00E9")), std::string("\x82t\x82"));
    QCOMPARE(EncodeCp437(QStringLiteral("a€b")), std::string("a\rb"));
    QCOMPARE(EncodeCp437(QStringLiteral("\t")), std::string("\t"));
    QCOMPARE(EncodeCp437(QString()), std::string());
}

QTEST_APPLESS_MAIN(Cp437Test)
#include "Cp437Test.moc"
