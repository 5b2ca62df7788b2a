// Whole searches through the real windows: the progress window, the description window and
// their buttons, the messages, and the way out through "Quitter".

#include "engine/Highlight.h"
#include "platform/FileSystem.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FileViews.h"
#include "ui/Scaling.h"
#include "ui/Scan.h"
#include "ui/Start.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QWindow>

#include <chrono>
#include <filesystem>
#include <limits>
#include <sys/stat.h>

using namespace fendix;
using fendix::uitest::Autopilot;
using fendix::uitest::Collection;
using fendix::uitest::CrLf;
using fendix::uitest::Find;
using fendix::uitest::Type;
using fendix::uitest::Windows;

namespace {

#ifdef FENDIX_SLOW_BUILD
constexpr int SlowBuildFactor = 10; // the sanitizers slow everything down
#else
constexpr int SlowBuildFactor = 1;
#endif

const QString Asc02 = QStringLiteral("ASC02.ASC fichier type DP Tool Club, section NEWS");
const QString Asc01 = QStringLiteral("ASC01.ASC fichier type DP Tool Club, section NEWS");
const QString Vrac01 = QStringLiteral("VRAC01.BBS fichier type BBS");
const QString Autre = QStringLiteral("AUTRE.BBS fichier type BBS");
const QString Belote = QStringLiteral("BELOTE.BBS fichier type BBS");

// A line of a BBS listing: the name field fills the first 31 columns, the description
// follows from column 32.
std::string Bbs(std::string_view name, std::string_view description)
{
    std::string line(name);
    line.resize(31, ' ');
    return line + std::string(description);
}

// Matches of "tarot", in the order of a run: two in ASC02.ASC, then one in each other file.
void WriteTarotFiles(const Collection& collection)
{
    collection.dir.Write("ASC02.ASC",
                         CrLf({"  \xCD\xCD\xCD DISQUE 201 \xCD\xCD\xCD JEUX",
                               "   Le jeu de tarot \x82"
                               "ducatif, r\x8Agles compl\x8Ates",
                               "  \xCD\xCD\xCD DISQUE 202", "   Un tableur", "  \xCD\xCD\xCD DISQUE 203",
                               "   Tarot pour deux, tarot pour trois"}));
    collection.dir.Write("ASC01.ASC", CrLf({"  \xCD\xCD\xCD DISQUE 101", "   Encore du tarot",
                                            "  \xCD\xCD\xCD DISQUE 102", "   Rien"}));
    collection.dir.Write("VRAC01.BBS", CrLf({Bbs("TAROT21.ZIP  45678 01-02-95", "Jeu de tarot"),
                                             Bbs("EDIT.ZIP      1234 01-02-95", "Editeur")}));
    collection.dir.Write("AUTRE.BBS", CrLf({Bbs("CARTES.ZIP    3456 01-02-95", "Tarot et belote, tarot")}));
    collection.dir.Write("BELOTE.BBS", CrLf({Bbs("BELOTE.ZIP    3456 01-02-95", "Belote, tarot")}));
}

const QStringList AllTarot{Asc02, Asc02, Asc01, Vrac01, Autre, Belote};

// A search for `text` in the collection, answered by the autopilot as set up by `script`.
struct Search {
    Collection collection;
    std::unique_ptr<Windows> windows;
    std::unique_ptr<Autopilot> pilot;

    Search()
    {
        WriteTarotFiles(collection);
        windows = std::make_unique<Windows>(collection);
        pilot = std::make_unique<Autopilot>(*windows->desc, *windows->scan, *windows->main);
    }

    ui::TMainForm& Main() { return *windows->main; }
    ui::TScanForm& Scan() { return *windows->scan; }
    ui::TDescForm& Desc() { return *windows->desc; }

    bool Run(const QString& text)
    {
        if (!windows->Show())
            return false;
        Type(Find(Main(), "TexteCritere1"), text);
        QTest::mouseClick(Find(Main(), "RechercheBtn"), Qt::LeftButton);
        return pilot->unexpected.isEmpty();
    }

    // Once in the first file read, with the progress window up and nothing modal.
    void OnFirstFile(std::function<void()> action)
    {
        Main().SetMessageInterval(std::chrono::steady_clock::duration::zero());
        pilot->onProgress = [this, action, done = false]() mutable {
            if (!done
                && Find<QGroupBox>(Scan(), "FicGroup")->title() == QLatin1String("Fichier: ASC02.ASC")) {
                done = true;
                action();
            }
        };
    }

    bool BackToMain() { return Main().isVisible() && !Scan().isVisible() && !Desc().isVisible(); }
};

} // namespace

class SearchWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void gaugesClampAndWriteTheirPercent();
    void gaugePaintsEveryPixelAtEveryScale();

    void continuerShowsEveryMatchInGroupOrder();
    void progressWindowIsUpToDateWhenAnEntryIsShown();
    void enterInDescriptionContinuesAndCloseBoxActsAsContinuer();
    void fichierSuivantLeavesTheFile();
    void sectionSuivanteLeavesTheGroup();
    void sectionSuivanteInTheLastGroupEndsTheRun();
    void menuAndEscapeEndTheRunAndBringTheMainWindowBack();
    void quitterEndsTheProgramWithoutWritingTheSettings();

    void progressFichierSuivantAndEnterLeaveTheFile();
    void progressSectionSuivanteLeavesTheGroup();
    void annulerAndEscapeHideProgressAtOnceAndEndTheRun();
    void progressCloseBoxHidesItAndTheSearchGoesOn();

    void descriptionShowsCodePage437AndTypedAccentsFindIt();
    void characterMissingFromCodePageMatchesNowhereYetTakesPart();
    void longEntryScrollsAndLongLinesWrap();

    void highlightMarksWhereTheSearchFoundItsTexts();
    void longLinesAreShownCutWithAMarkAndSearchedWhole();
    void highlightIsNoSelectionAndTheFirstOneBelowComesIntoView();
    void twoHundredLinesOf64KiBAreHighlightedQuickly();
    void longLabelIsShortenedInItsMiddleAndKeepsTheKind();
    void invalidFileIsReportedAndTheRunGoesOn();
    void fileErrorEndsTheRunAndPutsTheWindowsBack();
    void unreachableDirectoryIsReportedBeforeAnyWindowChanges();
    void eventsAreProcessedOnlyEveryFewMilliseconds();
    void relativeDefaultDirectoryIsTakenFromTheStartDirectoryEachTime();
};

void SearchWindowsTest::gaugesClampAndWriteTheirPercent()
{
    ui::Gauge gauge;
    QCOMPARE(gauge.Text(), QStringLiteral("0%"));
    gauge.SetProgress(37);
    QCOMPARE(gauge.Text(), QStringLiteral("37%"));
    gauge.SetProgress(150);
    QCOMPARE(gauge.Progress(), 100);
    gauge.SetProgress(-3);
    QCOMPARE(gauge.Progress(), 0);
    gauge.SetProgress(2147483647);
    QCOMPARE(gauge.Text(), QStringLiteral("100%"));
}

void SearchWindowsTest::gaugePaintsEveryPixelAtEveryScale()
{
    // The gauge paints its whole rectangle (it is opaque: what it leaves shows what was there
    // before), also on screens that scale the design by 1.25, 1.5 or 2.
    ui::Gauge gauge;
    gauge.resize(311, 31);
    for (const qreal scale : {1.0, 1.25, 1.5, 2.0}) {
        for (const int value : {0, 1, 37, 100}) {
            gauge.SetProgress(value);
            QImage image(gauge.size() * scale, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(scale);
            image.fill(Qt::transparent);
            gauge.render(&image);
            int unpainted = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    unpainted += qAlpha(image.pixel(x, y)) != 255 ? 1 : 0;
            QVERIFY2(unpainted == 0, qPrintable(QStringLiteral("%1 pixels left at scale %2, value %3")
                                                    .arg(unpainted)
                                                    .arg(scale)
                                                    .arg(value)));
        }
    }
}

void SearchWindowsTest::continuerShowsEveryMatchInGroupOrder()
{
    Search search;
    bool mainHiddenAtEntries = true;
    search.pilot->onEntry = [&] { mainHiddenAtEntries = mainHiddenAtEntries && !search.Main().isVisible(); };
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), AllTarot);
    QVERIFY(mainHiddenAtEntries);
    QVERIFY(search.BackToMain());
    QCOMPARE(Find<ui::Gauge>(search.Scan(), "TotalGauge")->Progress(), 100);
    QCOMPARE(Find<QGroupBox>(search.Scan(), "FicGroup")->title(), QStringLiteral("Fichier: BELOTE.BBS"));
    // The text box is emptied once the window has closed.
    QCOMPARE(Find<QPlainTextEdit>(search.Desc(), "ListeDesc")->toPlainText(), QString());
}

void SearchWindowsTest::progressWindowIsUpToDateWhenAnEntryIsShown()
{
    // Events processed now and then, as in use: the window still shows, under each entry,
    // the file it comes from, the file gauge at the entry start that ended it (at the file's
    // end, at the last one; none in a file without any) and the total of the files before.
    Search search;
    QStringList seen;
    search.pilot->onEntry = [&] {
        seen << QStringLiteral("%1 %2% %3%")
                    .arg(Find<QGroupBox>(search.Scan(), "FicGroup")->title())
                    .arg(Find<ui::Gauge>(search.Scan(), "FicGauge")->Progress())
                    .arg(Find<ui::Gauge>(search.Scan(), "TotalGauge")->Progress());
    };
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(seen, (QStringList{"Fichier: ASC02.ASC 56% 0%", "Fichier: ASC02.ASC 77% 0%",
                                "Fichier: ASC01.ASC 86% 39%", "Fichier: VRAC01.BBS 100% 55%",
                                "Fichier: AUTRE.BBS 0% 76%", "Fichier: BELOTE.BBS 0% 89%"}));
}

void SearchWindowsTest::enterInDescriptionContinuesAndCloseBoxActsAsContinuer()
{
    Search search;
    search.pilot->answers = {"Return", "CloseBox", "Return", "CloseBox", "Return", "CloseBox"};
    bool focusOnText = true;
    search.pilot->onEntry = [&] {
        focusOnText =
            focusOnText && search.Desc().focusWidget() == Find<QPlainTextEdit>(search.Desc(), "ListeDesc");
    };
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), AllTarot);
    QVERIFY(focusOnText);
    QVERIFY(search.BackToMain());
}

void SearchWindowsTest::fichierSuivantLeavesTheFile()
{
    Search search;
    search.pilot->answers = {"Button1"};
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), (QStringList{Asc02, Asc01, Vrac01, Autre, Belote}));
}

void SearchWindowsTest::sectionSuivanteLeavesTheGroup()
{
    Search search;
    search.pilot->answers = {"SecSuivBtn"};
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), (QStringList{Asc02, Vrac01, Autre, Belote}));
    QCOMPARE(Find<ui::Gauge>(search.Scan(), "TotalGauge")->Progress(), 100);
}

void SearchWindowsTest::sectionSuivanteInTheLastGroupEndsTheRun()
{
    Search search;
    search.pilot->answers = {"ContBtn", "ContBtn", "ContBtn", "ContBtn", "SecSuivBtn"};
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), (QStringList{Asc02, Asc02, Asc01, Vrac01, Autre}));
    QVERIFY(search.BackToMain());
}

void SearchWindowsTest::menuAndEscapeEndTheRunAndBringTheMainWindowBack()
{
    for (const QString& answer : {QStringLiteral("MenuBtn"), QStringLiteral("Escape")}) {
        Search search;
        search.pilot->answers = {answer};
        QVERIFY(search.Run(QStringLiteral("tarot")));
        QCOMPARE(search.pilot->Labels(), QStringList{Asc02});
        QVERIFY(search.BackToMain());
        QVERIFY(search.Main().State().StopSearch);
    }
}

void SearchWindowsTest::quitterEndsTheProgramWithoutWritingTheSettings()
{
    Collection collection;
    WriteTarotFiles(collection);
    ui::ProgramWindows program = ui::StartUp({collection.Ini(), collection.ProgramDir()}, {});
    const std::string before = testing::ReadFile(collection.Ini());
    struct stat beforeStat {};
    QCOMPARE(::stat(collection.Ini().c_str(), &beforeStat), 0);

    ui::TMainForm& main = *program.MainForm;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    Type(Find(main, "TexteCritere1"), QStringLiteral("tarot"));
    // A save now would write another selection.
    QTest::mouseClick(Find(main, "AutreCheck"), Qt::LeftButton);

    Autopilot pilot(*program.DescForm, *program.ScanForm, main);
    pilot.answers = {"ContBtn", "QuitBtn", "ContBtn"};
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    watchdog.start(60000);
    QTimer::singleShot(0, Find<QPushButton>(main, "RechercheBtn"), &QPushButton::click);
    const int result = QApplication::exec();
    watchdog.stop();

    QCOMPARE(result, 0);
    QCOMPARE(pilot.Labels(), (QStringList{Asc02, Asc02}));
    // The run unwound as usual before the program ended, and the main window never closed.
    QVERIFY(main.isVisible());
    QVERIFY(!program.ScanForm->isVisible());
    QCOMPARE(testing::ReadFile(collection.Ini()), before);
    struct stat afterStat {};
    QCOMPARE(::stat(collection.Ini().c_str(), &afterStat), 0);
    QCOMPARE(afterStat.st_ino, beforeStat.st_ino);
    QCOMPARE(afterStat.st_mtim.tv_nsec, beforeStat.st_mtim.tv_nsec);
}

void SearchWindowsTest::progressFichierSuivantAndEnterLeaveTheFile()
{
    for (const bool byKey : {false, true}) {
        Search search;
        search.OnFirstFile([&] {
            if (byKey)
                QTest::keyClick(Find(search.Scan(), "FicSuivBtn"), Qt::Key_Return);
            else
                QTest::mouseClick(Find(search.Scan(), "FicSuivBtn"), Qt::LeftButton);
        });
        QVERIFY(search.Run(QStringLiteral("tarot")));
        QCOMPARE(search.pilot->Labels(), (QStringList{Asc01, Vrac01, Autre, Belote}));
        QVERIFY(search.BackToMain());
    }
}

void SearchWindowsTest::progressSectionSuivanteLeavesTheGroup()
{
    Search search;
    search.OnFirstFile([&] { QTest::mouseClick(Find(search.Scan(), "SecSuivBtn"), Qt::LeftButton); });
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), (QStringList{Vrac01, Autre, Belote}));
}

void SearchWindowsTest::annulerAndEscapeHideProgressAtOnceAndEndTheRun()
{
    for (const bool byKey : {false, true}) {
        Search search;
        bool hiddenAtOnce = false;
        search.OnFirstFile([&] {
            if (byKey)
                QTest::keyClick(Find(search.Scan(), "FicSuivBtn"), Qt::Key_Escape);
            else
                QTest::mouseClick(Find(search.Scan(), "CancelBtn"), Qt::LeftButton);
            hiddenAtOnce = !search.Scan().isVisible() && !search.Main().isVisible();
        });
        QVERIFY(search.Run(QStringLiteral("tarot")));
        QVERIFY(hiddenAtOnce);
        QVERIFY(search.pilot->entries.empty());
        QVERIFY(search.BackToMain());
    }
}

void SearchWindowsTest::progressCloseBoxHidesItAndTheSearchGoesOn()
{
    Search search;
    search.OnFirstFile([&] { search.Scan().windowHandle()->close(); });
    bool progressHidden = true;
    search.pilot->onEntry = [&] { progressHidden = progressHidden && !search.Scan().isVisible(); };
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), AllTarot);
    QVERIFY(progressHidden);
    QVERIFY(search.BackToMain());
}

void SearchWindowsTest::descriptionShowsCodePage437AndTypedAccentsFindIt()
{
    Search search;
    QVERIFY(search.Run(QStringLiteral("éducatif")));
    QCOMPARE(search.pilot->Labels(), QStringList{Asc02});
    QCOMPARE(search.pilot->entries[0].text,
             QStringLiteral("  ═══ DISQUE 201 ═══ JEUX\n   Le jeu de tarot éducatif, règles complètes"));
}

void SearchWindowsTest::characterMissingFromCodePageMatchesNowhereYetTakesPart()
{
    const auto run = [](bool ou, bool non) {
        Search search;
        if (!search.windows->Show())
            return QStringList{"not shown"};
        Type(Find(search.Main(), "TexteCritere1"), QStringLiteral("tarot"));
        Type(Find(search.Main(), "TexteCritere2"), QStringLiteral("€"));
        if (ou)
            QTest::mouseClick(Find(search.Main(), "OuRadio2"), Qt::LeftButton);
        if (non)
            QTest::mouseClick(Find(search.Main(), "NonCheck2"), Qt::LeftButton);
        QTest::mouseClick(Find(search.Main(), "RechercheBtn"), Qt::LeftButton);
        return search.pilot->Labels();
    };
    QCOMPARE(run(true, false), AllTarot);
    QCOMPARE(run(false, false), QStringList());
    QCOMPARE(run(false, true), AllTarot);
}

void SearchWindowsTest::longEntryScrollsAndLongLinesWrap()
{
    Collection collection;
    std::string file = "  \xCD\xCD\xCD LONGUE\r\n   " + std::string(300, 'x') + " fin\r\n";
    for (int i = 0; i < 80; ++i)
        file += "   ligne " + std::to_string(i) + "\r\n";
    file += "  \xCD\xCD\xCD SUIVANTE\r\n";
    collection.dir.Write("ASC01.ASC", file);
    Windows windows(collection);
    QVERIFY(windows.Show());
    Autopilot pilot(*windows.desc, *windows.scan, *windows.main);
    int blocks = 0;
    int wrappedLines = 0;
    int scrollRange = 0;
    int scrolledByKeys = 0;
    bool horizontalBar = true;
    pilot.onEntry = [&] {
        QPlainTextEdit* text = Find<QPlainTextEdit>(*windows.desc, "ListeDesc");
        QTest::keyClick(text, Qt::Key_PageDown);
        scrolledByKeys = text->verticalScrollBar()->value();
        blocks = text->document()->blockCount();
        const QTextBlock longLine = text->document()->findBlockByNumber(1);
        wrappedLines = qRound(text->document()->documentLayout()->blockBoundingRect(longLine).height()
                              / QFontMetricsF(text->font()).lineSpacing());
        scrollRange = text->verticalScrollBar()->maximum();
        horizontalBar = text->horizontalScrollBar()->isVisible();
    };
    Type(Find(*windows.main, "TexteCritere1"), QStringLiteral("fin"));
    QTest::mouseClick(Find(*windows.main, "RechercheBtn"), Qt::LeftButton);
    QCOMPARE(pilot.entries.size(), std::size_t{1});
    QCOMPARE(blocks, 82);
    QVERIFY(wrappedLines > 1);
    QVERIFY(scrollRange > 0);
    QVERIFY(scrolledByKeys > 0);
    QVERIFY(!horizontalBar);
}

// The highlight table: a catalogue and a BBS listing searched with the criteria of each
// row; each entry shown, with its highlighted parts between "[" and "]".
void SearchWindowsTest::highlightMarksWhereTheSearchFoundItsTexts()
{
    const std::string asc = CrLf(
        {"  \xCD\xCD\xCD DISQUE 1 \xCD\xCD\xCD JEUX", "   Le Tarot a quatre, le tarot a trois, les tarots",
         "  \xCD\xCD\xCD DISQUE 2", "   Belote et TAROT", "  \xFE\xFE MISE A JOUR", "   Rien de neuf"});
    // "ZIP TAROT," stands across the column-31 split of the first line.
    const std::string bbs = CrLf({std::string(26, 'X') + "ZIP TAROT, un tarot",
                                  std::string(31, ' ') + "et la suite du TAROT", Bbs("AUTRE.ZIP", "Rien")});
    const QString disque1 = QStringLiteral("  ═══ DISQUE 1 ═══ JEUX\n   ");
    const QString disque2 = QStringLiteral("  ═══ DISQUE 2\n   ");
    const QString split = QString(26, QLatin1Char('X')) + QStringLiteral("ZIP T\nAROT, un ");
    struct Row {
        const char* name;
        QStringList texts;
        std::array<bool, 3> non;
        std::array<bool, 2> ou;
        bool ignoreCase;
        QStringList marked;
    };
    const Row rows[] = {
        {"catalogue and BBS, letter case kept",
         {"tarot"},
         {},
         {},
         false,
         {disque1 + "Le Tarot a quatre, le [tarot] a trois, les [tarot]s",
          split + "[tarot]\net la suite du TAROT"}},
        {"catalogue and BBS, letter case ignored",
         {"tarot"},
         {},
         {},
         true,
         {disque1 + "Le [Tarot] a quatre, le [tarot] a trois, les [tarot]s", disque2 + "Belote et [TAROT]",
          split + "[tarot]\net la suite du [TAROT]"}},
        {"a negated text is not marked",
         {"tarot", "belote"},
         {false, true, false},
         {},
         true,
         {disque1 + "Le [Tarot] a quatre, le [tarot] a trois, les [tarot]s",
          split + "[tarot]\net la suite du [TAROT]"}},
        {"a match through a negated text alone marks nothing",
         {"belote"},
         {true, false, false},
         {},
         false,
         {disque1 + "Le Tarot a quatre, le tarot a trois, les tarots", disque2 + "Belote et TAROT",
          QStringLiteral("  ■■ MISE A JOUR\n   Rien de neuf"), split + "tarot\net la suite du TAROT",
          QStringLiteral("AUTRE.ZIP") + QString(22, QLatin1Char(' ')) + QStringLiteral("\nRien")}},
        {"OR marks each text where it is",
         {"belote", "tarot"},
         {},
         {true, false},
         true,
         {disque1 + "Le [Tarot] a quatre, le [tarot] a trois, les [tarot]s", disque2 + "[Belote] et [TAROT]",
          split + "[tarot]\net la suite du [TAROT]"}},
        {"overlapping occurrences make one mark",
         {"tar", "rot"},
         {},
         {true, false},
         false,
         {disque1 + "Le Ta[rot] a quatre, le [tarot] a trois, les [tarot]s",
          split + "[tarot]\net la suite du TAROT"}},
        {"three texts, AND then OR",
         {"quatre", "trois", "belote"},
         {},
         {false, true},
         true,
         {disque1 + "Le Tarot a [quatre], le tarot a [trois], les tarots", disque2 + "[Belote] et TAROT"}},
        {"no mark across the column-31 split",
         {"TAROT,", "suite"},
         {},
         {true, false},
         false,
         {split + "tarot\net la [suite] du TAROT"}},
    };
    for (const Row& row : rows) {
        Collection collection;
        collection.dir.Write("ASC01.ASC", asc);
        collection.dir.Write("VRAC01.BBS", bbs);
        Windows windows(collection);
        windows.main->SettingsValues().IgnoreCase = row.ignoreCase;
        QVERIFY(windows.Show());
        Autopilot pilot(*windows.desc, *windows.scan, *windows.main);
        const char* texts[] = {"TexteCritere1", "TexteCritere2", "TexteCritere3"};
        const char* nons[] = {"NonCheck1", "NonCheck2", "NonCheck3"};
        const char* ous[] = {"OuRadio2", "OuRadio3"};
        for (int i = 0; i < row.texts.size(); ++i) {
            Type(Find(*windows.main, texts[i]), row.texts[i]);
            if (row.non[static_cast<std::size_t>(i)])
                QTest::mouseClick(Find(*windows.main, nons[i]), Qt::LeftButton);
            if (i > 0 && row.ou[static_cast<std::size_t>(i - 1)])
                QTest::mouseClick(Find(*windows.main, ous[i - 1]), Qt::LeftButton);
        }
        QTest::mouseClick(Find(*windows.main, "RechercheBtn"), Qt::LeftButton);
        QStringList marked;
        for (const uitest::ShownEntry& entry : pilot.entries)
            marked << entry.marked;
        QVERIFY2(marked == row.marked,
                 qPrintable(QStringLiteral("%1:\n%2").arg(row.name, marked.join("\n--\n"))));
    }
}

void SearchWindowsTest::longLinesAreShownCutWithAMarkAndSearchedWhole()
{
    // One line of 3 MB: "tarot" across the cut after 64 KiB, "FIN" far beyond it.
    Collection collection;
    constexpr std::size_t Shown = ui::ShownLineBytes;
    const std::string line = std::string(Shown - 2, 'x') + "tarot" + std::string(3'000'000, 'y') + "FIN";
    collection.dir.Write("ASC01.ASC",
                         CrLf({"  \xCD\xCD\xCD LONGUE", line, "  \xCD\xCD\xCD SUIVANTE", "   FIN"}));
    Windows windows(collection);
    QVERIFY(windows.Show());
    Autopilot pilot(*windows.desc, *windows.scan, *windows.main);
    Type(Find(*windows.main, "TexteCritere1"), QStringLiteral("FIN"));
    Type(Find(*windows.main, "TexteCritere2"), QStringLiteral("tarot"));
    QTest::mouseClick(Find(*windows.main, "OuRadio2"), Qt::LeftButton);
    QTest::mouseClick(Find(*windows.main, "RechercheBtn"), Qt::LeftButton);

    // The text found beyond the cut makes the entry match; the shown part ends with the
    // mark, and the occurrence that the cut goes through is marked up to it.
    QCOMPARE(pilot.entries.size(), std::size_t{2});
    const QStringList shown = pilot.entries[0].marked.split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].size(), static_cast<qsizetype>(Shown + 3));
    QCOMPARE(shown[1], QString(Shown - 2, QLatin1Char('x')) + QStringLiteral("[ta]…"));
    QCOMPARE(pilot.entries[1].marked, QStringLiteral("  ═══ SUIVANTE\n   [FIN]"));
}

void SearchWindowsTest::highlightIsNoSelectionAndTheFirstOneBelowComesIntoView()
{
    Collection collection;
    std::string file = "  \xCD\xCD\xCD LONGUE\r\n";
    for (int i = 0; i < 80; ++i)
        file += "   ligne " + std::to_string(i) + "\r\n";
    file += "   le tarot enfin\r\n  \xCD\xCD\xCD COURTE\r\n   un tarot\r\n";
    for (int i = 0; i < 80; ++i)
        file += "   encore un tarot " + std::to_string(i) + "\r\n";
    collection.dir.Write("ASC01.ASC", file);
    Windows windows(collection);
    QVERIFY(windows.Show());
    Autopilot pilot(*windows.desc, *windows.scan, *windows.main);
    struct Seen {
        int scrolled = -1;
        bool markInView = false;
        bool selection = true;
        bool copiedPlain = false;
    };
    std::vector<Seen> seen;
    pilot.onEntry = [&] {
        auto* text = Find<QPlainTextEdit>(*windows.desc, "ListeDesc");
        Seen now;
        now.scrolled = text->verticalScrollBar()->value();
        const int mark = static_cast<int>(pilot.entries.back().marked.indexOf(QLatin1Char('[')));
        QTextCursor at(text->document());
        at.setPosition(mark);
        now.markInView = text->viewport()->rect().contains(text->cursorRect(at));
        now.selection = text->textCursor().hasSelection() || !text->extraSelections().isEmpty();
        text->selectAll();
        text->copy();
        now.copiedPlain = QApplication::clipboard()->text() == text->toPlainText();
        seen.push_back(now);
    };
    Type(Find(*windows.main, "TexteCritere1"), QStringLiteral("tarot"));
    QTest::mouseClick(Find(*windows.main, "RechercheBtn"), Qt::LeftButton);
    QCOMPARE(seen.size(), std::size_t{2});
    // Below the visible part: brought into view. At the top: the window opens at the top.
    QVERIFY(seen[0].scrolled > 0);
    QVERIFY(seen[0].markInView);
    QCOMPARE(seen[1].scrolled, 0);
    QVERIFY(seen[1].markInView);
    for (const Seen& entry : seen) {
        QVERIFY(!entry.selection);
        QVERIFY(entry.copiedPlain);
    }
}

void SearchWindowsTest::twoHundredLinesOf64KiBAreHighlightedQuickly()
{
    // 200 lines of 64 KiB with "tarot" every 100 bytes or so: 130,000 marks.
    engine::EntryLineList lines;
    std::string line;
    while (line.size() < ui::ShownLineBytes)
        line += "Un jeu de tarot pour quatre joueurs, avec les annonces et le chien, en couleurs. ";
    line.resize(ui::ShownLineBytes);
    for (int i = 0; i < 200; ++i)
        lines.Append(line);
    engine::Criteria criteria;
    criteria.texts[0] = "tarot";
    const engine::Highlighter marks(criteria, true);
    criteria.negated[0] = true;
    const engine::Highlighter none(criteria, true);

    engine::SearchState state;
    ui::TDescForm desc(state);
    desc.FillEntry("GROS.ASC fichier type DP Tool Club, section NEWS", lines, none);
    // The best of three, against a busy machine.
    qint64 markedMs = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        desc.HighlightEntry(lines, marks);
        markedMs = std::min(markedMs, clock.elapsed());
    }
    const QString figures = QStringLiteral("highlighted in %1 ms").arg(markedMs);
    qInfo("%s", qPrintable(figures));
    QVERIFY2(markedMs < 100 * SlowBuildFactor, qPrintable(figures));
    qsizetype perLine = 0;
    for (std::size_t at = line.find("tarot"); at != std::string::npos; at = line.find("tarot", at + 1))
        ++perLine;
    QCOMPARE(uitest::MarkedText(*desc.ListeDesc).count(QLatin1Char('[')), 200 * perLine);

    // The window is on the screen, painted, well within 2 s.
    QElapsedTimer clock;
    clock.start();
    desc.show();
    QVERIFY(QTest::qWaitForWindowExposed(&desc));
    desc.ListeDesc->viewport()->repaint();
    const qint64 shownMs = clock.elapsed();
    desc.hide();
    QVERIFY2(shownMs < 2000 * SlowBuildFactor, qPrintable(QStringLiteral("shown in %1 ms").arg(shownMs)));
}

void SearchWindowsTest::longLabelIsShortenedInItsMiddleAndKeepsTheKind()
{
    engine::SearchState state;
    ui::TDescForm desc(state);
    desc.show();
    QVERIFY(QTest::qWaitForWindowExposed(&desc));
    auto* label = Find<QLabel>(desc, "DescLabel");
    const engine::Highlighter none(engine::Criteria{}, false);
    const engine::EntryLineList lines;

    const QString kind = QStringLiteral(" fichier type DP Tool Club, section NEWS");
    desc.FillEntry("ASC01.ASC fichier type DP Tool Club, section NEWS", lines, none);
    QCOMPARE(label->text(), QStringLiteral("ASC01.ASC") + kind);
    QCOMPARE(label->toolTip(), QString());

    std::string path = "/media/cdrom";
    for (int i = 0; i < 30; ++i)
        path += "/dossier" + std::to_string(i);
    path += "/DESC01.ASC";
    desc.FillEntry(path + " fichier type DP Tool Club, section NEWS", lines, none);
    const QString shown = label->text();
    QVERIFY2(shown.startsWith(QStringLiteral("/media/")), qPrintable(shown));
    QVERIFY2(shown.endsWith(QStringLiteral("/DESC01.ASC") + kind), qPrintable(shown));
    QVERIFY(shown.contains(QChar(u'…')));
    QCOMPARE(label->toolTip(), QString::fromStdString(path) + kind);
    // Nothing of it is cut by the window's edge.
    QVERIFY(label->geometry().right() < desc.width());
    QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->width());

    // The progress window's file box shortens a long caption so too.
    ui::TScanForm scan(state);
    const QString caption = QStringLiteral("Fichier: ") + QString::fromStdString(path);
    scan.SetFileCaption(caption);
    const QString title = scan.FicGroup->title();
    QVERIFY2(title.startsWith(QStringLiteral("Fichier: /media/"))
                 && title.endsWith(QStringLiteral("/DESC01.ASC")) && title.contains(QChar(u'…')),
             qPrintable(title));
    QVERIFY(scan.FicGroup->fontMetrics().horizontalAdvance(title) < scan.FicGroup->width());
    QCOMPARE(scan.FicGroup->toolTip(), caption);
}

void SearchWindowsTest::invalidFileIsReportedAndTheRunGoesOn()
{
    Collection collection;
    std::string longEntry = Bbs("ROMAN.ZIP     9999 01-02-95", "Un roman sans fin") + "\r\n";
    for (int i = 0; i < 210; ++i)
        longEntry += Bbs("", "encore une ligne du roman") + "\r\n";
    collection.dir.Write("LONG.BBS", longEntry);
    collection.dir.Write("SUITE.BBS", CrLf({Bbs("SUITE.ZIP     1 01-02-95", "Un roman court")}));
    Windows windows(collection);
    QVERIFY(windows.Show());
    Autopilot pilot(*windows.desc, *windows.scan, *windows.main);
    Type(Find(*windows.main, "TexteCritere1"), QStringLiteral("roman"));
    QTest::mouseClick(Find(*windows.main, "RechercheBtn"), Qt::LeftButton);
    QCOMPARE(pilot.boxes.size(), std::size_t{1});
    QCOMPARE(pilot.boxes[0].caption, QStringLiteral("Erreur format"));
    QCOMPARE(pilot.boxes[0].text, QStringLiteral("Fichier: LONG.BBS invalide."));
    QCOMPARE(pilot.boxes[0].icon, QMessageBox::NoIcon);
    QVERIFY(pilot.boxes[0].captionFits);
    QVERIFY(pilot.boxes[0].scanVisible);
    QCOMPARE(pilot.Labels(), QStringList{"SUITE.BBS fichier type BBS"});
    QVERIFY(windows.main->isVisible());
}

void SearchWindowsTest::fileErrorEndsTheRunAndPutsTheWindowsBack()
{
    Search search;
    search.pilot->onEntry = [&] { std::filesystem::remove(search.collection.dir / "VRAC01.BBS"); };
    QVERIFY(search.Run(QStringLiteral("tarot")));
    QCOMPARE(search.pilot->Labels(), (QStringList{Asc02, Asc02, Asc01}));
    QCOMPARE(search.pilot->boxes.size(), std::size_t{1});
    const uitest::ShownBox& box = search.pilot->boxes[0];
    QCOMPARE(box.caption, QStringLiteral("Dorvan Fendix v1.01"));
    QCOMPARE(box.text, QStringLiteral("Fichier introuvable."));
    QCOMPARE(box.icon, QMessageBox::Critical);
    // The box is wide enough for its caption, short as its message is.
    QVERIFY(box.captionFits);
    QVERIFY(box.mainVisible);
    QVERIFY(!box.scanVisible);
    QVERIFY(search.BackToMain());
    // The window waits for input again: a second search runs.
    search.pilot->boxes.clear();
    search.pilot->entries.clear();
    QTest::mouseClick(Find(search.Main(), "RechercheBtn"), Qt::LeftButton);
    QCOMPARE(search.pilot->boxes.size(), std::size_t{1});
    QCOMPARE(search.pilot->Labels(), (QStringList{Asc02, Asc02, Asc01}));
}

void SearchWindowsTest::unreachableDirectoryIsReportedBeforeAnyWindowChanges()
{
    Search search;
    QVERIFY(search.windows->Show());
    Type(Find(search.Main(), "TexteCritere1"), QStringLiteral("tarot"));
    search.Main().SettingsValues().DefaultDir = search.collection.dir / "parti";
    QTest::mouseClick(Find(search.Main(), "RechercheBtn"), Qt::LeftButton);
    QCOMPARE(search.pilot->boxes.size(), std::size_t{1});
    QCOMPARE(search.pilot->boxes[0].text, QStringLiteral("Fichier introuvable."));
    QVERIFY(search.pilot->boxes[0].mainVisible);
    QCOMPARE(Find<QGroupBox>(search.Scan(), "FicGroup")->title(), QString());
    QVERIFY(search.pilot->entries.empty());
}

void SearchWindowsTest::eventsAreProcessedOnlyEveryFewMilliseconds()
{
    Collection collection;
    constexpr int Lines = 1000000;
    std::string big;
    big.reserve(Lines * 40);
    for (int i = 0; i < Lines; ++i)
        big += i % 5 == 0 ? "NOM" + std::to_string(i) + ".ZIP   1 01-02-95 Un programme\r\n"
                          : std::string(31, ' ') + "suite de la description\r\n";
    collection.dir.Write("GROS.BBS", big);
    Windows windows(collection);
    QVERIFY(windows.Show());
    Type(Find(*windows.main, "TexteCritere1"), QStringLiteral("introuvable"));

    // Each pass of event processing fires this timer once.
    int passes = 0;
    QTimer counter;
    counter.setInterval(0);
    connect(&counter, &QTimer::timeout, [&] { passes += windows.scan->isVisible() ? 1 : 0; });
    counter.start();
    for (const int intervalMs : {5, 1}) {
        windows.main->SetMessageInterval(std::chrono::milliseconds(intervalMs));
        passes = 0;
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(Find(*windows.main, "RechercheBtn"), Qt::LeftButton);
        const qint64 elapsedMs = clock.elapsed();
        QCOMPARE(Find<ui::Gauge>(*windows.scan, "TotalGauge")->Progress(), 100);
        const QString figures =
            QStringLiteral("%1 passes in %2 ms, every %3 ms").arg(passes).arg(elapsedMs).arg(intervalMs);
        // Never more often than the interval, and, however fast the lines go by, never a
        // long stretch without a pass.
        QVERIFY2(passes <= elapsedMs / intervalMs + 2, qPrintable(figures));
        QVERIFY2(passes >= elapsedMs / (intervalMs * 8), qPrintable(figures));
    }
}

void SearchWindowsTest::relativeDefaultDirectoryIsTakenFromTheStartDirectoryEachTime()
{
    Collection collection;
    collection.dir.Write("sub/VRAC01.BBS", CrLf({Bbs("TAROT21.ZIP  45678 01-02-95", "Jeu de tarot")}));
    collection.dir.Write("sub2/AUTRE.BBS", CrLf({Bbs("CARTES.ZIP    3456 01-02-95", "Tarot et belote")}));
    collection.dir.Write("fendix.ini", "[WinFendix]\r\nRepertoireDefaut=sub\r\nIgnoreMAJmin=1\r\n");
    // The program started in the collection; whatever is current now does not count.
    platform::SetCurrentDirectory("/");
    Windows windows(collection.Ini(), collection.ProgramDir(), collection.dir.Path());
    ui::TMainForm& main = *windows.main;
    auto* list = Find<QListWidget>(main, "ListeBox");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("VRAC01.BBS"));

    // Every search makes the directory current again, from the start directory.
    Autopilot pilot(*windows.desc, *windows.scan, main);
    QVERIFY(windows.Show());
    Type(Find(main, "TexteCritere1"), QStringLiteral("tarot"));
    for (int run = 0; run < 2; ++run) {
        pilot.entries.clear();
        QTest::mouseClick(Find(main, "RechercheBtn"), Qt::LeftButton);
        QCOMPARE(pilot.Labels(), QStringList{Vrac01});
        QVERIFY(pilot.boxes.empty());
    }

    // In the options too: the chooser opens on the start directory's "sub2", and "&Ok"
    // builds the list from it. The settings keep the directory as it was typed.
    ui::TOptionForm& options = *windows.option;
    ui::TRepForm& chooser = *windows.rep;
    std::string chosen;
    QTimer::singleShot(0, &options, [&] {
        options.RepEdit->setText(QStringLiteral("sub2"));
        QTimer::singleShot(0, &chooser, [&] {
            chosen = chooser.DirectoryBox->Directory();
            QTest::mouseClick(Find(chooser, "Button2"), Qt::LeftButton);
        });
        QTest::mouseClick(options.ParcoursBtn, Qt::LeftButton);
        QTest::mouseClick(options.Ok2Btn, Qt::LeftButton);
    });
    QTest::mouseClick(Find(main, "OptBtn"), Qt::LeftButton);
    QCOMPARE(chosen, collection.dir / "sub2");
    QCOMPARE(main.SettingsValues().DefaultDir, std::string("sub2"));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("AUTRE.BBS"));
    pilot.entries.clear();
    QTest::mouseClick(Find(main, "RechercheBtn"), Qt::LeftButton);
    QCOMPARE(pilot.Labels(), QStringList{Autre});
    QVERIFY(pilot.boxes.empty());
    QVERIFY(pilot.unexpected.isEmpty());

    main.close();
    QVERIFY(testing::ReadFile(collection.Ini()).find("RepertoireDefaut=sub2\r\n") != std::string::npos);
}

QTEST_MAIN(SearchWindowsTest)
#include "SearchWindowsTest.moc"
