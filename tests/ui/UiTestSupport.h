#pragma once

#include "tests/common/TempDir.h"
#include "ui/Affiche.h"
#include "ui/Directo.h"
#include "ui/Gauge.h"
#include "ui/Main.h"
#include "ui/Option.h"
#include "ui/Scan.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QPlainTextEdit;

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fendix::uitest {

// A control of a window, found by its object name as a user's tool would find it; a
// missing one ends the test run.
template <typename Control = QWidget> Control* Find(const QObject& window, const char* name)
{
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr)
        qFatal("no control named %s in %s", name, qPrintable(window.objectName()));
    return control;
}

// Bytes of a description file, lines ended by CR LF.
std::string CrLf(std::initializer_list<std::string_view> lines);

// A program directory for one test: the description files in `dir`, fendix.ini beside them.
struct Collection {
    testing::TempDir dir;

    std::string Ini() const { return dir / "fendix.ini"; }
    std::string ProgramDir() const { return dir.Path() + "/"; }
};

// The windows of the program, created in the program's order over a collection; a
// relative default directory is taken against `startDirectory` when it is given.
struct Windows {
    Windows(const std::string& iniPath, const std::string& programDir,
            const std::string& startDirectory = {});
    explicit Windows(const Collection& collection) : Windows(collection.Ini(), collection.ProgramDir()) {}

    std::unique_ptr<ui::TMainForm> main;
    std::unique_ptr<ui::TScanForm> scan;
    std::unique_ptr<ui::TDescForm> desc;
    std::unique_ptr<ui::TOptionForm> option;
    std::unique_ptr<ui::TRepForm> rep;

    // Shows the main window and waits until it is on the screen.
    bool Show();
};

struct ShownEntry {
    QString label;
    QString text;
    QString marked; // the text with each highlighted part between "[" and "]"
};

// The text of a text box with each highlighted part (a format of a line's layout with a
// background) between "[" and "]".
QString MarkedText(const QPlainTextEdit& box);

struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool mainVisible = false;
    bool scanVisible = false;
    bool captionFits = false;
    QStringList buttons = {};   // the captions of its buttons
    QString defaultButton = {}; // the caption of the button Enter presses
    QString escapeButton = {};  // the caption of the button Escape presses
};

// True when a window is wide enough to show its caption whole: the title in a bold face,
// with room beside it for the title bar's icon and three buttons.
bool CaptionFits(const QWidget& window);

// Plays the user during a search: each time the description window is up, it notes the
// entry and answers with the next step of `answers` ("Continuer" once they are used up);
// every message box is noted and closed with OK; while the progress window is up and no
// window is modal, `onProgress` runs at every pass of event processing. A window that it
// does not know is closed after a few seconds, and noted as unexpected.
class Autopilot : public QObject {
public:
    // An answer: an object name of a button of the description window, or one of the
    // words "Return", "Escape" (keys) and "CloseBox".
    Autopilot(ui::TDescForm& desc, ui::TScanForm& scan, ui::TMainForm& main);

    std::deque<QString> answers;
    std::function<void()> onProgress;
    std::function<void()> onEntry; // runs before the answer, with the entry on the screen
    std::vector<ShownEntry> entries;
    std::vector<ShownBox> boxes;
    QStringList unexpected;

    QStringList Labels() const;

private:
    void Tick();
    void Answer(const QString& answer);

    ui::TDescForm& desc_;
    ui::TScanForm& scan_;
    ui::TMainForm& main_;
    QTimer timer_;
    QElapsedTimer strangerSince_;
    QElapsedTimer activation_;
    QWidget* stranger_ = nullptr;
};

// Answers each message box that comes, noting it, with the next of `answers`: a button's
// caption, "Escape" for the key, or "" (and once they are used up) OK, or Escape when the
// box has no OK. Gives up after `timeoutMs`.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(int timeoutMs = 10000);
    std::deque<QString> answers;
    std::vector<ShownBox> boxes;

private:
    QTimer timer_;
    QElapsedTimer since_;
    int timeoutMs_;
};

// Types text into a line edit as a user would, key by key.
void Type(QWidget* edit, const QString& text);

// Clears a line edit with the keyboard.
void Clear(QWidget* edit);

} // namespace fendix::uitest
