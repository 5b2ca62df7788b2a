#pragma once

// What the tests of the options dialog, the directory chooser and their lists share: a user
// played through modal windows, the program's dialogs over a collection, and ways to read
// and click the lists.

#include "settings/Settings.h"
#include "tests/common/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Directo.h"
#include "ui/Option.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace fendix::uitest {

inline constexpr int StepTimeoutMs = 10000;

struct ScriptedBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Plays the user through modal windows. Each step runs once its window is the active modal
// window (any message box, for a box step), in the order given. A step that does not come
// within a few seconds is noted as missed, and from then on every modal window is closed as
// it comes, so that no test is left waiting.
class Script : public QObject {
public:
    Script();

    Script& When(QWidget* window, std::function<void()> action);

    // Notes the message box that comes next and answers it with OK.
    Script& Box();

    // True when every step ran.
    bool Finished() const { return steps_.empty() && !busy_ && missed.isEmpty(); }

    std::vector<ScriptedBox> boxes;
    QStringList missed;

private:
    struct Step {
        QWidget* window;
        bool box;
        std::function<void()> action;
    };

    static void Close(QWidget* modal);
    void Tick();

    std::deque<Step> steps_;
    QTimer timer_;
    QElapsedTimer since_;
    bool busy_ = false;
    bool givenUp_ = false;
};

// A program directory whose settings make the current directory the default one, so that
// the windows created over it start where the test stands.
const Collection& StandingIn(const Collection& home);

// The program's windows, created in the program's order: the options dialog and the
// directory chooser over the main window's settings.
struct Dialogs {
    Collection home;
    Windows windows{StandingIn(home)};
    settings::Settings& settings = windows.main->SettingsValues();
    ui::TRepForm& rep = *windows.rep;
    ui::TOptionForm& options = *windows.option;

    // The main window's "&Option", as the user presses it. Returns true when the catalogue
    // was built again, the default directory having changed.
    bool OpenOptions();

    // Shows the options dialog without a modal loop, active, on a page.
    bool ShowOptions(int page);
};

QStringList Texts(const QListWidget* list);
std::vector<std::string> Annexes(const ui::TOptionForm& form);
QListWidgetItem* Line(const QListWidget* list, const QString& text);
void Click(QListWidget* list, const QListWidgetItem* item, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// A plain double-click, as the window system delivers it: a click, then the double-click.
void DoubleClick(QListWidget* list, const QListWidgetItem* item);

// A key pressed where the focus is (in the modal window when nothing has it).
void KeyTo(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

QString Q(const std::string& bytes);

// The parts of a full path, from the root down: "/", then each name.
QStringList Chain(const std::string& path);

// A folder with description files in all cases, other files, hidden entries and
// subdirectories, one of them with a description-file name.
void WriteCollection(const testing::TempDir& dir);

// Shows the chooser on a directory, in front; false when it did not come to the front.
bool ShowChooserOn(ui::TRepForm& rep, const std::string& directory);

// The code of the input/output error an action raises, 0 when it raises none.
int CodeOf(const std::function<void()>& action);

struct Shape {
    const char* name;
    const char* parent;
    QRect place;
    const char* caption;
};

// Each control is where the design puts it, in its parent, with its caption.
void CheckShapes(QWidget& form, std::initializer_list<Shape> shapes);

} // namespace fendix::uitest
