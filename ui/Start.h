#pragma once

#include <QWidget>

#include <chrono>
#include <memory>
#include <string>

class QApplication;
class QFrame;
class QLabel;

namespace fendix::ui {

class TDescForm;
class TMainForm;
class TOptionForm;
class TRepForm;
class TScanForm;

// The splash window: a picture inside a raised frame, without border or caption, above all
// other windows, centred on the screen. It takes no input.
class TStartForm : public QWidget {
public:
    explicit TStartForm(QWidget* parent = nullptr);

    QLabel* Image1;
    QFrame* Bevel1;

    // Shows the window in front of the others and paints it at once.
    void ShowAndPaint();
};

// The windows of the program, created once at start-up in this order and kept until the
// program ends (they are destroyed in the opposite order).
struct ProgramWindows {
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TScanForm> ScanForm;
    std::unique_ptr<TDescForm> DescForm;
    std::unique_ptr<TOptionForm> OptionForm;
    std::unique_ptr<TRepForm> RepForm;

    ProgramWindows();
    ProgramWindows(ProgramWindows&&) noexcept;
    ProgramWindows& operator=(ProgramWindows&&) noexcept;
    ~ProgramWindows();
};

// Where the program finds its settings file, the directory a first start lists (with its
// trailing "/"), and the directory it started in, against which a relative default
// directory is taken (the current directory when it is empty).
struct ProgramPlaces {
    std::string iniPath;
    std::string firstDir;
    std::string startDirectory = {};
};

// How long the splash stays up once the windows have been created: a little more than one
// second.
constexpr std::chrono::milliseconds SplashHold{1010};

// What the application shows of itself: its title, its icon; and the program ends only as
// the main window or "Quitter" end it, never because no window is on the screen during a
// search.
void SetUpApplication(QApplication& application);

// The start-up: puts up the splash, creates the windows in their order (the main window
// loads the settings and reports an error of the load), keeps the splash up for `hold`
// after that, then removes it. The main window is not shown yet. Closing the main window
// and "Quitter" end the application's message loop.
ProgramWindows StartUp(const ProgramPlaces& places, std::chrono::steady_clock::duration hold);

// The program's main block: the application, the start-up, the main window, the message
// loop. No argument of the command line is read.
int ProgramMain(int argc, char** argv);

} // namespace fendix::ui
