#include "tests/ui/UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWindow>

namespace fendix::uitest {

namespace {

constexpr int StrangerTimeoutMs = 5000;
constexpr int ActivationTimeoutMs = 2000;

ShownBox Note(QMessageBox* box, const ui::TMainForm* main, const ui::TScanForm* scan)
{
    ShownBox shown;
    shown.caption = box->windowTitle();
    shown.text = box->text();
    shown.icon = box->icon();
    shown.mainVisible = main != nullptr && main->isVisible();
    shown.scanVisible = scan != nullptr && scan->isVisible();
    for (const QAbstractButton* button : box->buttons())
        shown.buttons << button->text();
    if (const QPushButton* byDefault = box->defaultButton())
        shown.defaultButton = byDefault->text();
    if (const QAbstractButton* escape = box->escapeButton())
        shown.escapeButton = escape->text();
    shown.captionFits = CaptionFits(*box);
    return shown;
}

void PressOk(QMessageBox* box)
{
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}

} // namespace

bool CaptionFits(const QWidget& window)
{
    QFont font = window.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return window.width() >= metrics.horizontalAdvance(window.windowTitle()) + 4 * metrics.height();
}

std::string CrLf(std::initializer_list<std::string_view> lines)
{
    std::string bytes;
    for (const auto line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

QString MarkedText(const QPlainTextEdit& box)
{
    QString marked;
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
        if (block != box.document()->begin())
            marked += QLatin1Char('\n');
        const QString line = block.text();
        int at = 0;
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (!range.format.hasProperty(QTextFormat::BackgroundBrush))
                continue;
            marked += line.mid(at, range.start - at) + QLatin1Char('[') + line.mid(range.start, range.length)
                      + QLatin1Char(']');
            at = range.start + range.length;
        }
        marked += line.mid(at);
    }
    return marked;
}

Windows::Windows(const std::string& iniPath, const std::string& programDir, const std::string& startDirectory)
{
    main = std::make_unique<ui::TMainForm>(iniPath, programDir, startDirectory);
    scan = std::make_unique<ui::TScanForm>(main->State());
    desc = std::make_unique<ui::TDescForm>(main->State());
    main->SetRunWindows(scan.get(), desc.get());
    option = std::make_unique<ui::TOptionForm>(main->SettingsValues());
    rep = std::make_unique<ui::TRepForm>();
    option->SetRepForm(rep.get());
    main->SetOptionForm(option.get());
}

bool Windows::Show()
{
    main->show();
    main->activateWindow();
    return QTest::qWaitForWindowExposed(main.get());
}

Autopilot::Autopilot(ui::TDescForm& desc, ui::TScanForm& scan, ui::TMainForm& main)
    : desc_(desc), scan_(scan), main_(main)
{
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &Autopilot::Tick);
    timer_.start();
}

QStringList Autopilot::Labels() const
{
    QStringList labels;
    for (const auto& entry : entries)
        labels << entry.label;
    return labels;
}

void Autopilot::Tick()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == &desc_ && desc_.isVisible()) {
        // A user answers what is on the screen: the window first becomes the active one.
        if (!activation_.isValid())
            activation_.start();
        if (QApplication::activeWindow() != &desc_ && activation_.elapsed() < ActivationTimeoutMs)
            return;
        activation_.invalidate();
        stranger_ = nullptr;
        const auto* text = Find<QPlainTextEdit>(desc_, "ListeDesc");
        entries.push_back({Find<QLabel>(desc_, "DescLabel")->text(), text->toPlainText(), MarkedText(*text)});
        if (onEntry)
            onEntry();
        QString answer = QStringLiteral("ContBtn");
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        Answer(answer);
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && box->isVisible()) {
        stranger_ = nullptr;
        boxes.push_back(Note(box, &main_, &scan_));
        PressOk(box);
        return;
    }
    if (modal != nullptr) {
        if (modal != stranger_) {
            stranger_ = modal;
            strangerSince_.start();
        } else if (strangerSince_.elapsed() > StrangerTimeoutMs) {
            unexpected << modal->objectName() + QLatin1Char(' ') + modal->windowTitle();
            modal->close();
            stranger_ = nullptr;
        }
        return;
    }
    if (scan_.isVisible() && onProgress)
        onProgress();
}

void Autopilot::Answer(const QString& answer)
{
    QWidget* focus = desc_.focusWidget() != nullptr ? desc_.focusWidget() : &desc_;
    if (answer == QLatin1String("Return")) {
        QTest::keyClick(focus, Qt::Key_Return);
    } else if (answer == QLatin1String("Escape")) {
        QTest::keyClick(focus, Qt::Key_Escape);
    } else if (answer == QLatin1String("CloseBox")) {
        desc_.windowHandle()->close();
    } else if (auto* button = desc_.findChild<QPushButton*>(answer)) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        unexpected << QStringLiteral("no button ") + answer;
        desc_.close();
    }
}

BoxAnswerer::BoxAnswerer(int timeoutMs) : timeoutMs_(timeoutMs)
{
    since_.start();
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            box && box->isVisible()) {
            boxes.push_back(Note(box, nullptr, nullptr));
            QString answer;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            if (answer.isEmpty()) {
                PressOk(box);
                return;
            }
            if (answer == QLatin1String("Escape")) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer) {
                    button->click();
                    return;
                }
            box->reject(); // no such button: noted in the box's buttons
        } else if (since_.elapsed() > timeoutMs_) {
            timer_.stop();
        }
    });
    timer_.start();
}

void Type(QWidget* edit, const QString& text)
{
    edit->setFocus();
    // Characters beyond ASCII come as a key whose text is the character, as an input method
    // or a keyboard layout delivers them.
    for (const QChar character : text) {
        if (character.unicode() < 0x80) {
            QTest::keyClick(edit, character.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, QString(character), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, QString(character), Qt::NoModifier);
        }
    }
}

void Clear(QWidget* edit)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
}

} // namespace fendix::uitest
