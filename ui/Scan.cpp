#include "ui/Scan.h"

#include "engine/SearchRun.h"
#include "ui/Controls.h"
#include "ui/Gauge.h"
#include "ui/Keys.h"
#include "ui/Scaling.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace fendix::ui {

TScanForm::TScanForm(engine::SearchState& state, QWidget* parent) : QDialog(parent), state_(state)
{
    setObjectName(QStringLiteral("ScanForm"));
    setWindowTitle(QStringLiteral("Recherche en cours...."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    // Closing this window never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(Scaled(354), Scaled(266));
    move(Scaled(254), Scaled(216));
    setFont(SansFont(17, true));
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    black.setColor(QPalette::ButtonText, Qt::black);
    setPalette(black);

    FicGroup = MakeControl<QGroupBox>("FicGroup", this, ScaledRect(10, 10, 331, 61));
    GroupBox2 =
        MakeControl<QGroupBox>("GroupBox2", this, ScaledRect(10, 80, 331, 61), QStringLiteral("Total: "));
    FicGauge = MakeControl<Gauge>("FicGauge", FicGroup, ScaledRect(10, 20, 311, 31));
    TotalGauge = MakeControl<Gauge>("TotalGauge", GroupBox2, ScaledRect(10, 20, 311, 31));
    FicSuivBtn = MakeControl<QPushButton>("FicSuivBtn", this, ScaledRect(10, 150, 161, 51),
                                          QStringLiteral("Fichier suivant"));
    SecSuivBtn = MakeControl<QPushButton>("SecSuivBtn", this, ScaledRect(180, 150, 161, 51),
                                          QStringLiteral("Section suivante"));
    CancelBtn =
        MakeControl<QPushButton>("CancelBtn", this, ScaledRect(10, 210, 335, 47), QStringLiteral("Annuler"));

    FitFontToButtons(this, 12);
    FicSuivBtn->setDefault(true);
    setTabOrder(FicSuivBtn, SecSuivBtn);
    setTabOrder(SecSuivBtn, CancelBtn);

    connect(FicSuivBtn, &QPushButton::clicked, this, &TScanForm::FicSuivBtnClick);
    connect(SecSuivBtn, &QPushButton::clicked, this, &TScanForm::SecSuivBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TScanForm::CancelBtnClick);
}

void TScanForm::SetFileCaption(const QString& caption)
{
    // The title stands between the box's left and right edges, with some room on each side.
    const QString shown = FicGroup->fontMetrics().elidedText(caption, Qt::ElideMiddle,
                                                             std::max(FicGroup->width() - Scaled(24), 0));
    FicGroup->setTitle(shown);
    FicGroup->setToolTip(shown == caption ? QString() : caption);
}

void TScanForm::ShowForRun()
{
    show();
    raise();
    activateWindow();
    FicSuivBtn->setFocus();
}

void TScanForm::keyPressEvent(QKeyEvent* event)
{
    // Escape presses "Annuler"; the close box only hides the window.
    if (IsEscapeKey(event)) {
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TScanForm::FicSuivBtnClick()
{
    state_.SkipFile = true;
}

void TScanForm::SecSuivBtnClick()
{
    state_.SkipGroup = true;
}

void TScanForm::CancelBtnClick()
{
    state_.StopSearch = true;
    close();
}

} // namespace fendix::ui
