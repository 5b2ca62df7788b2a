#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;

namespace fendix::engine {
struct SearchState;
}

namespace fendix::ui {

class Gauge;

// The progress window: stays on the screen, modeless, for the whole of a search run. It
// names the file being read, shows a gauge for that file and one for the whole run, and
// its buttons set the run's control flags.
class TScanForm : public QDialog {
    Q_OBJECT

public:
    // The flags are those of the main window's search state.
    explicit TScanForm(engine::SearchState& state, QWidget* parent = nullptr);

    QGroupBox* FicGroup;
    QGroupBox* GroupBox2;
    Gauge* FicGauge;
    Gauge* TotalGauge;
    QPushButton* FicSuivBtn;
    QPushButton* SecSuivBtn;
    QPushButton* CancelBtn;

    // A run begins: shown modeless, in front.
    void ShowForRun();

    // The caption of FicGroup: a long one (a path inside a CD image) is shortened in its
    // middle to fit the box, and its hint then gives it whole.
    void SetFileCaption(const QString& caption);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FicSuivBtnClick();
    void SecSuivBtnClick();
    void CancelBtnClick();

    engine::SearchState& state_;
};

} // namespace fendix::ui
