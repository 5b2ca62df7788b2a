#include "ui/Start.h"

#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "settings/Settings.h"
#include "ui/Affiche.h"
#include "ui/Artwork.h"
#include "ui/Controls.h"
#include "ui/Directo.h"
#include "ui/ErrorReport.h"
#include "ui/Main.h"
#include "ui/Option.h"
#include "ui/Scaling.h"
#include "ui/Scan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include <thread>

namespace fendix::ui {

TStartForm::TStartForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StartForm"));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                   | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(Scaled(304), Scaled(104));

    Image1 = MakeControl<QLabel>("Image1", this, ScaledRect(1, 1, 300, 100), QString());
    Image1->setPixmap(SplashPicture(Image1->size(), devicePixelRatioF()));
    // The frame is drawn over the picture's edge, as a raised bevel around it.
    Bevel1 = MakeControl<QFrame>("Bevel1", this, ScaledRect(1, 1, 302, 102));
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Bevel1->setLineWidth(1);
    Bevel1->raise();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TStartForm::ShowAndPaint()
{
    show();
    raise();
    // The window system maps the window first; until then painting reaches nothing. Only
    // the window system's own messages are let through while waiting, for half a second at
    // most.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() != nullptr && !windowHandle()->isExposed() && waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    repaint();
}

ProgramWindows::ProgramWindows() = default;
ProgramWindows::ProgramWindows(ProgramWindows&&) noexcept = default;
ProgramWindows& ProgramWindows::operator=(ProgramWindows&&) noexcept = default;

// The windows go in the opposite order of their creation.
ProgramWindows::~ProgramWindows()
{
    RepForm.reset();
    OptionForm.reset();
    DescForm.reset();
    ScanForm.reset();
    MainForm.reset();
}

void SetUpApplication(QApplication& application)
{
    application.setApplicationName(ApplicationTitle);
    application.setDesktopFileName(QStringLiteral("fendix"));
    application.setWindowIcon(ProgramIcon());
    application.setQuitOnLastWindowClosed(false);
}

ProgramWindows StartUp(const ProgramPlaces& places, std::chrono::steady_clock::duration hold)
{
    auto splash = std::make_unique<TStartForm>();
    splash->ShowAndPaint();

    ProgramWindows windows;
    windows.MainForm = std::make_unique<TMainForm>(places.iniPath, places.firstDir, places.startDirectory);
    windows.ScanForm = std::make_unique<TScanForm>(windows.MainForm->State());
    windows.DescForm = std::make_unique<TDescForm>(windows.MainForm->State());
    windows.MainForm->SetRunWindows(windows.ScanForm.get(), windows.DescForm.get());
    windows.OptionForm = std::make_unique<TOptionForm>(windows.MainForm->SettingsValues());
    windows.RepForm = std::make_unique<TRepForm>();
    windows.OptionForm->SetRepForm(windows.RepForm.get());
    windows.MainForm->SetOptionForm(windows.OptionForm.get());
    // The dialogs' lists start where the catalogue was built.
    TryWhileCreating([&] {
        const std::string place = windows.MainForm->PlacesOf().CurrentDirectory();
        windows.OptionForm->StartIn(place);
        windows.RepForm->StartIn(place);
    });

    // Both ways out end the message loop with exit(): quit() would first close the windows,
    // and closing the main window saves the settings, which "Quitter" must never do. After
    // "Quitter" the run unwinds as usual, and the loop ends when it gets control back.
    QObject::connect(windows.MainForm.get(), &TMainForm::Closed, windows.MainForm.get(),
                     [] { QCoreApplication::exit(0); });
    QObject::connect(windows.DescForm.get(), &TDescForm::QuitRequested, windows.MainForm.get(),
                     [] { QCoreApplication::exit(0); });

    // The splash stays for the time the windows took to create, and `hold` more.
    std::this_thread::sleep_until(std::chrono::steady_clock::now() + hold);
    splash->hide();
    splash.reset();
    return windows;
}

int ProgramMain(int argc, char** argv)
{
    // The directory the program started in, before anything changes it. When it cannot be
    // told (it was removed), a relative default directory is taken from the current one.
    ProgramPlaces places;
    try {
        places.startDirectory = platform::CurrentDirectory();
    } catch (const platform::EInOutError&) {
    }

    QApplication application(argc, argv);
    SetUpApplication(application);

    const bool found = ReportErrors(nullptr, [&] {
        settings::SettingsPlace place = settings::FindSettingsPlace();
        places.iniPath = std::move(place.iniPath);
        places.firstDir = std::move(place.firstDir);
    });
    if (!found)
        return 1;

    ProgramWindows windows = StartUp(places, SplashHold);
    windows.MainForm->show();
    return QApplication::exec();
}

} // namespace fendix::ui
