#include "tests/ui/DialogTestSupport.h"

#include "ui/FileViews.h"

#include "platform/FileSystem.h"
#include "platform/InOutError.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace fendix::uitest {

Script::Script()
{
    since_.start();
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &Script::Tick);
    timer_.start();
}

Script& Script::When(QWidget* window, std::function<void()> action)
{
    steps_.push_back({window, false, std::move(action)});
    return *this;
}

Script& Script::Box()
{
    steps_.push_back({nullptr, true, nullptr});
    return *this;
}

void Script::Close(QWidget* modal)
{
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->done(2);
    else
        modal->close();
}

void Script::Tick()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (givenUp_) {
        if (modal != nullptr)
            Close(modal);
        return;
    }
    if (steps_.empty() || busy_)
        return;
    Step& step = steps_.front();
    auto* box = qobject_cast<QMessageBox*>(modal);
    const bool ready =
        modal != nullptr && modal->isVisible() && (step.box ? box != nullptr : modal == step.window);
    if (ready) {
        since_.restart();
        if (step.box) {
            boxes.push_back({box->windowTitle(), box->text(), box->icon()});
            steps_.pop_front();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        // The action runs from its own timer: when it opens a modal window in turn, this
        // timer goes on ticking inside that window's loop.
        std::function<void()> action = std::move(step.action);
        steps_.pop_front();
        busy_ = true;
        QTimer::singleShot(0, this, [this, action] {
            busy_ = false;
            action();
        });
        return;
    }
    if (since_.elapsed() > StepTimeoutMs) {
        missed << QStringLiteral("step %1 never came (modal window: %2)")
                      .arg(steps_.size())
                      .arg(modal != nullptr ? modal->objectName() + QLatin1Char(' ') + modal->windowTitle()
                                            : QStringLiteral("none"));
        steps_.clear();
        givenUp_ = true;
    }
}

const Collection& StandingIn(const Collection& home)
{
    std::string here = home.dir.Path();
    try {
        here = platform::CurrentDirectory();
    } catch (const std::exception&) {
        // The current directory has gone: the windows start in the program's directory.
    }
    home.dir.Write("fendix.ini", "[WinFendix]\r\nRepertoireDefaut=" + here
                                     + "\r\nIgnoreMAJmin=0\r\nChargeTotal=0\r\nAnnexeDAbord=0\r\n");
    return home;
}

bool Dialogs::OpenOptions()
{
    QSignalSpy rebuilt(windows.main->ListeBox->model(), &QAbstractItemModel::modelReset);
    windows.main->OptBtn->click();
    return rebuilt.count() > 0;
}

bool Dialogs::ShowOptions(int page)
{
    options.Onglet->setCurrentIndex(page);
    options.show();
    options.activateWindow();
    return QTest::qWaitForWindowActive(&options);
}

QStringList Texts(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

std::vector<std::string> Annexes(const ui::TOptionForm& form)
{
    std::vector<std::string> lines;
    for (int row = 0; row < form.ListBox->count(); ++row)
        lines.push_back(ui::TOptionForm::AnnexOf(form.ListBox->item(row)));
    return lines;
}

QListWidgetItem* Line(const QListWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
}

namespace {

QPoint Centre(const QListWidget* list, const QListWidgetItem* item)
{
    return list->visualItemRect(item).center();
}

} // namespace

void Click(QListWidget* list, const QListWidgetItem* item, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, Centre(list, item));
}

void DoubleClick(QListWidget* list, const QListWidgetItem* item)
{
    const QPoint where = Centre(list, item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
}

void KeyTo(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr)
        target = QApplication::activeModalWidget();
    QTest::keyClick(target, key, modifiers);
}

QString Q(const std::string& bytes)
{
    return QString::fromStdString(bytes);
}

QStringList Chain(const std::string& path)
{
    QStringList chain{QStringLiteral("/")};
    for (const QString& part : Q(path).split(QLatin1Char('/'), Qt::SkipEmptyParts))
        chain << part;
    return chain;
}

bool ShowChooserOn(ui::TRepForm& rep, const std::string& directory)
{
    rep.DirectoryBox->SetDirectory(directory);
    rep.show();
    rep.activateWindow();
    return QTest::qWaitForWindowActive(&rep);
}

void WriteCollection(const testing::TempDir& dir)
{
    for (const char* name :
         {"b.Asc", "A.BBS", "c.asc", "zz.bbs", "NOTE.TXT", "x.asc.bak", ".cache.asc", "VRAC.BBSX"})
        dir.Write(name, "TAROT.ZIP 12345 Jeu de tarot\r\n");
    for (const char* name : {"beta", "Alpha", ".git", "DIR.ASC"})
        dir.MakeDir(name);
}

int CodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const platform::EInOutError& error) {
        return error.Code();
    }
    return 0;
}

void CheckShapes(QWidget& form, std::initializer_list<Shape> shapes)
{
    for (const Shape& shape : shapes) {
        auto* control = form.findChild<QWidget*>(QString::fromLatin1(shape.name));
        QVERIFY2(control != nullptr, shape.name);
        QCOMPARE(control->parentWidget()->objectName(), QString::fromLatin1(shape.parent));
        QCOMPARE(control->geometry(), shape.place);
        QString caption;
        if (auto* box = qobject_cast<QGroupBox*>(control))
            caption = box->title();
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            caption = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            caption = edit->text();
        QCOMPARE(caption, QString::fromUtf8(shape.caption));
    }
}

} // namespace fendix::uitest
