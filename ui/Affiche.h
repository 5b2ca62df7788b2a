#pragma once

#include <QDialog>

#include <string_view>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace fendix::engine {
class EntryLineList;
struct SearchState;
} // namespace fendix::engine

namespace fendix::ui {

// The description window: shown modally for every entry that matches the criteria, with the
// entry's lines; its buttons say how the search goes on.
class TDescForm : public QDialog {
    Q_OBJECT

public:
    // The flags are those of the main window's search state.
    explicit TDescForm(engine::SearchState& state, QWidget* parent = nullptr);

    QPlainTextEdit* ListeDesc;
    QLabel* Label1;
    QLabel* DescLabel;
    QPushButton* ContBtn;
    QPushButton* Button1;
    QPushButton* SecSuivBtn;
    QPushButton* MenuBtn;
    QPushButton* QuitBtn;

    // Shows an entry, its label above it, and returns when the window has closed; the text
    // box is emptied then. The lines are code page 437 text.
    void ShowEntry(std::string_view label, const engine::EntryLineList& lines);

signals:
    // "Quitter" asks the application to end once the search run has unwound.
    void QuitRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PlaceDescLabel();
    void ContBtnClick();
    void Button1Click();
    void SecSuivBtnClick();
    void MenuBtnClick();
    void QuitBtnClick();

    engine::SearchState& state_;
};

} // namespace fendix::ui
