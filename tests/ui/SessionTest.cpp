// A whole session of a user, through the real windows: the first start, a search, the options
// moving to another collection and adding an annex file, the annexes searched before and
// after the list, the configuration saved, and a restart that brings it back.

#include "tests/ui/UiTestSupport.h"
#include "ui/FileViews.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

using namespace fendix;
using fendix::uitest::Autopilot;
using fendix::uitest::Clear;
using fendix::uitest::CrLf;
using fendix::uitest::Find;
using fendix::uitest::Type;
using fendix::uitest::Windows;

namespace {

std::string Bbs(std::string_view name, std::string_view description)
{
    std::string line(name);
    line.resize(31, ' ');
    return line + std::string(description);
}

QString Label(const std::string& name, const char* kind)
{
    return QString::fromStdString(name) + QLatin1String(kind);
}

constexpr const char* News = " fichier type DP Tool Club, section NEWS";
constexpr const char* Bbs_ = " fichier type BBS";

// Runs `step` once `dialog` is up as the modal window in front; gives up after ten seconds,
// closing whatever is modal, so that the test never waits for a hand.
void WhenModal(QDialog* dialog, std::function<void()> step)
{
    auto* timer = new QTimer(dialog);
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(timer, &QTimer::timeout, dialog, [=] {
        if (QApplication::activeModalWidget() == dialog && dialog->isVisible()) {
            timer->stop();
            step();
        } else if (waited->elapsed() > 10000) {
            timer->stop();
            if (auto* modal = QApplication::activeModalWidget())
                modal->close();
        } else {
            return;
        }
        timer->deleteLater();
        delete waited;
    });
    timer->start(10);
}

// The labels of the entries that a search for `text` shows, every entry answered "Continuer".
QStringList Search(Windows& windows, const QString& text)
{
    Autopilot pilot(*windows.desc, *windows.scan, *windows.main);
    auto* edit = Find<QLineEdit>(*windows.main, "TexteCritere1");
    Clear(edit);
    Type(edit, text);
    QTest::mouseClick(Find(*windows.main, "RechercheBtn"), Qt::LeftButton);
    if (!pilot.unexpected.isEmpty() || !pilot.boxes.empty())
        return {QStringLiteral("unexpected window")};
    return pilot.Labels();
}

void ClickListLine(QListWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(found.front()).center());
}

} // namespace

class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartSearchOptionsAnnexesSaveAndRestart();
};

void SessionTest::firstStartSearchOptionsAnnexesSaveAndRestart()
{
    testing::TempDir root;
    const std::string program = root.MakeDir("prog");
    const std::string ini = program + "/fendix.ini";
    root.Write("prog/ASC01.ASC", CrLf({"  \xCD\xCD DISQUE 1", "  Un jeu de cartes"}));
    root.Write("prog/VRAC01.BBS", CrLf({Bbs("PUZZLE.ZIP", "Un jeu de puzzle")}));
    root.Write("prog/NEWS.BBS", CrLf({Bbs("CHESS.ZIP", "Jeu d'\x82"
                                                       "checs")}));
    const std::string other = root.MakeDir("Autre CD");
    root.Write("Autre CD/ASC05.ASC", CrLf({"  \xCD\xCD DISQUE 5", "  Le jeu de go"}));
    root.Write("Autre CD/UTILS.BBS", CrLf({Bbs("GOBAN.ZIP", "Jeu de go, suite")}));
    const std::string annexes = root.MakeDir("annexes");
    const std::string extra = root.Write("annexes/EXTRA.BBS", CrLf({Bbs("EXTRA.ZIP", "Jeu en plus")}));
    root.Write("annexes/notes.txt", "jeu\r\n");
    const QString extraLabel = Label(extra, Bbs_);

    {
        Windows windows(ini, program + "/");
        ui::TMainForm& main = *windows.main;
        ui::TOptionForm& options = *windows.option;

        // The first start lists the program's directory and writes the settings file.
        const std::string written = testing::ReadFile(ini);
        QVERIFY(written.find("RepertoireDefaut=" + program + "\r\n") != std::string::npos);
        QVERIFY(
            written.find("[Fichiers standards]\r\nItem1=ASC01.ASC\r\nItem2=VRAC01.BBS\r\nItem3=NEWS.BBS\r\n"
                         "Nombre=3\r\n")
            != std::string::npos);
        QVERIFY(windows.Show());
        QCOMPARE(Search(windows, QStringLiteral("jeu")),
                 (QStringList{Label("ASC01.ASC", News), Label("VRAC01.BBS", Bbs_), Label("NEWS.BBS", Bbs_)}));

        // The options move to another collection and add an annex file from elsewhere.
        WhenModal(&options, [&] {
            QCOMPARE(options.Onglet->currentIndex(), 0);
            Clear(options.RepEdit);
            Type(options.RepEdit, QString::fromStdString(other));
            options.Onglet->setCurrentIndex(1);
            options.DirectoryList->SetDirectory(annexes);
            const auto lines = options.FileList->findItems(QStringLiteral("EXTRA.BBS"), Qt::MatchExactly);
            QCOMPARE(options.FileList->count(), 1); // notes.txt is no description file
            lines.front()->setSelected(true);
            QTest::mouseClick(options.AjouteBtn, Qt::LeftButton);
            QTest::mouseClick(options.OkBtn, Qt::LeftButton);
        });
        QTest::mouseClick(Find(main, "OptBtn"), Qt::LeftButton);
        auto* list = Find<QListWidget>(main, "ListeBox");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral("ASC05.ASC"));
        QCOMPARE(main.SettingsValues().AnnexeFiles, (std::vector<std::string>{extra}));

        // The annex box was left unchecked at the first start, there being no annex then.
        auto* annexeCheck = Find<QCheckBox>(main, "AnnexeCheck");
        QVERIFY(!annexeCheck->isChecked());
        QCOMPARE(Search(windows, QStringLiteral("jeu")),
                 (QStringList{Label("ASC05.ASC", News), Label("UTILS.BBS", Bbs_)}));
        QTest::mouseClick(annexeCheck, Qt::LeftButton);
        // The first start searches the annexes first.
        QCOMPARE(Search(windows, QStringLiteral("jeu")),
                 (QStringList{extraLabel, Label("ASC05.ASC", News), Label("UTILS.BBS", Bbs_)}));

        // Annexes last, and the configuration loaded at the next start.
        WhenModal(&options, [&] {
            QTest::mouseClick(Find<QCheckBox>(options, "AnnexeCheck"), Qt::LeftButton);
            QTest::mouseClick(Find<QCheckBox>(options, "TotalCheck"), Qt::LeftButton);
            QTest::mouseClick(options.Ok2Btn, Qt::LeftButton);
        });
        QTest::mouseClick(Find(main, "OptBtn"), Qt::LeftButton);
        QCOMPARE(list->count(), 2); // the directory did not change: no rebuild
        QCOMPARE(Search(windows, QStringLiteral("jeu")),
                 (QStringList{Label("ASC05.ASC", News), Label("UTILS.BBS", Bbs_), extraLabel}));

        // Only ASC05.ASC selected, then saved.
        ClickListLine(list, QStringLiteral("ASC05.ASC"));
        QTest::mouseClick(Find(main, "SauveBtn"), Qt::LeftButton);
        const std::string saved = testing::ReadFile(ini);
        QVERIFY(saved.find("RepertoireDefaut=" + other
                           + "\r\nIgnoreMAJmin=1\r\nChargeTotal=1\r\nAnnexeDAbord=0\r\n")
                != std::string::npos);
        QVERIFY(saved.find("[Fichiers annexes]\r\nNombre=1\r\nItem1=" + extra + "\r\n") != std::string::npos);
        QVERIFY(saved.find("Item1=ASC05.ASC\r\nItem2=VRAC01.BBS\r\nItem3=NEWS.BBS\r\nNombre=1\r\n")
                != std::string::npos);
    }

    // A restart brings back the directory, the selection and the annex list.
    Windows windows(ini, program + "/");
    auto* list = Find<QListWidget>(*windows.main, "ListeBox");
    QCOMPARE(list->count(), 2);
    QVERIFY(list->item(0)->isSelected());
    QVERIFY(!list->item(1)->isSelected());
    QVERIFY(Find<QCheckBox>(*windows.main, "AnnexeCheck")->isChecked());
    QVERIFY(windows.Show());
    QCOMPARE(Search(windows, QStringLiteral("jeu")), (QStringList{Label("ASC05.ASC", News), extraLabel}));
}

QTEST_MAIN(SessionTest)
#include "SessionTest.moc"
