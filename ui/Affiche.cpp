#include "ui/Affiche.h"

#include "engine/EntryLines.h"
#include "engine/SearchRun.h"
#include "ui/Controls.h"
#include "ui/Cp437.h"
#include "ui/Keys.h"
#include "ui/Scaling.h"

#include <QFile>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace fendix::ui {

namespace {

constexpr int TabColumns = 8;

} // namespace

TDescForm::TDescForm(engine::SearchState& state, QWidget* parent) : QDialog(parent), state_(state)
{
    setObjectName(QStringLiteral("DescForm"));
    setWindowTitle(QStringLiteral("Affichage de la description"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    setFixedSize(Scaled(826), Scaled(493));
    move(Scaled(170), Scaled(151));
    setFont(SansFont(16, true));

    ListeDesc = MakeControl<QPlainTextEdit>("ListeDesc", this, ScaledRect(10, 40, 807, 381));
    Label1 =
        MakeControl<QLabel>("Label1", this, ScaledRect(10, 10, 100, 20), QStringLiteral("Description: "));
    DescLabel = MakeControl<QLabel>("DescLabel", this, ScaledRect(120, 10, 100, 20), QString());
    ContBtn =
        MakeControl<QPushButton>("ContBtn", this, ScaledRect(10, 430, 151, 51), QStringLiteral("Continuer"));
    Button1 = MakeControl<QPushButton>("Button1", this, ScaledRect(172, 430, 171, 51),
                                       QStringLiteral("Fichier suivant"));
    SecSuivBtn = MakeControl<QPushButton>("SecSuivBtn", this, ScaledRect(362, 430, 171, 51),
                                          QStringLiteral("Section suivante"));
    MenuBtn =
        MakeControl<QPushButton>("MenuBtn", this, ScaledRect(552, 430, 131, 51), QStringLiteral("Menu"));
    QuitBtn =
        MakeControl<QPushButton>("QuitBtn", this, ScaledRect(694, 430, 111, 51), QStringLiteral("Quitter"));
    FitFontToButtons(this, 12);
    Label1->adjustSize();
    PlaceDescLabel();

    // The entry's lines in a DOS font: read-only, one line of the file per line of the box,
    // long lines wrapped at the box's width (anywhere when they have no blank), a vertical
    // scroll bar only.
    ListeDesc->setFont(MonoFont(15));
    QPalette text = ListeDesc->palette();
    text.setColor(QPalette::Text, Qt::black);
    ListeDesc->setPalette(text);
    ListeDesc->setReadOnly(true);
    // No caret: the keys scroll the text, the mouse selects it for copying.
    ListeDesc->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ListeDesc->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ListeDesc->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    ListeDesc->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListeDesc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListeDesc->setTabStopDistance(QFontMetricsF(ListeDesc->font()).horizontalAdvance(QLatin1Char(' '))
                                  * TabColumns);
    ListeDesc->setTabChangesFocus(true);

    ContBtn->setDefault(true);
    setTabOrder(ListeDesc, ContBtn);
    setTabOrder(ContBtn, Button1);
    setTabOrder(Button1, SecSuivBtn);
    setTabOrder(SecSuivBtn, MenuBtn);
    setTabOrder(MenuBtn, QuitBtn);

    connect(ContBtn, &QPushButton::clicked, this, &TDescForm::ContBtnClick);
    connect(Button1, &QPushButton::clicked, this, &TDescForm::Button1Click);
    connect(SecSuivBtn, &QPushButton::clicked, this, &TDescForm::SecSuivBtnClick);
    connect(MenuBtn, &QPushButton::clicked, this, &TDescForm::MenuBtnClick);
    connect(QuitBtn, &QPushButton::clicked, this, &TDescForm::QuitBtnClick);
}

void TDescForm::ShowEntry(std::string_view label, const engine::EntryLineList& lines)
{
    DescLabel->setText(QFile::decodeName(QByteArray(label.data(), static_cast<qsizetype>(label.size()))));
    PlaceDescLabel();

    QString text;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += DecodeCp437Line(lines[i]);
    }
    ListeDesc->setPlainText(text);
    ListeDesc->verticalScrollBar()->setValue(0);
    ListeDesc->setFocus();
    ContBtn->setDefault(true);

    exec();
    ListeDesc->clear();
}

void TDescForm::PlaceDescLabel()
{
    // The label stands at its designed place, or just after the title when a wider font
    // makes the title reach that place.
    const int afterTitle =
        Label1->x() + Label1->width() + Label1->fontMetrics().horizontalAdvance(QLatin1Char(' '));
    DescLabel->adjustSize();
    DescLabel->move(std::max(Scaled(120), afterTitle), Scaled(10));
}

void TDescForm::keyPressEvent(QKeyEvent* event)
{
    // Escape presses "Menu"; the close box acts as "Continuer".
    if (IsEscapeKey(event)) {
        MenuBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDescForm::ContBtnClick()
{
    close();
}

void TDescForm::Button1Click()
{
    state_.SkipFile = true;
    close();
}

void TDescForm::SecSuivBtnClick()
{
    state_.SkipGroup = true;
    close();
}

void TDescForm::MenuBtnClick()
{
    state_.StopSearch = true;
    close();
}

void TDescForm::QuitBtnClick()
{
    emit QuitRequested();
    state_.StopSearch = true;
    close();
}

} // namespace fendix::ui
