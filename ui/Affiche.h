#pragma once

#include <QDialog>

#include <cstddef>
#include <string_view>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace fendix::engine {
class EntryLineList;
class Highlighter;
struct SearchState;
} // namespace fendix::engine

namespace fendix::ui {

// The most of a stored line that the description window shows: a longer line is cut there
// and ends with CutMark. The search itself reads and tests whole lines.
inline constexpr std::size_t ShownLineBytes = 64 * 1024;
inline constexpr char16_t CutMark = u'…';

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
    // box is emptied then. The lines are code page 437 text; the places where `marks` finds
    // the texts of the search are highlighted.
    void ShowEntry(std::string_view label, const engine::EntryLineList& lines,
                   const engine::Highlighter& marks);

    // What ShowEntry puts into the window before it is shown: the label, the lines, then
    // the highlights (HighlightEntry).
    void FillEntry(std::string_view label, const engine::EntryLineList& lines,
                   const engine::Highlighter& marks);

    // Highlights the places where `marks` finds the texts of the search in the lines shown,
    // in place of the highlights there were.
    void HighlightEntry(const engine::EntryLineList& lines, const engine::Highlighter& marks);

signals:
    // "Quitter" asks the application to end once the search run has unwound.
    void QuitRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetDescLabel(std::string_view label);
    int DescLabelLeft() const;
    void PlaceDescLabel();
    void ContBtnClick();
    void Button1Click();
    void SecSuivBtnClick();
    void MenuBtnClick();
    void QuitBtnClick();

    engine::SearchState& state_;
    // Where the first highlight begins in the text box, or -1.
    int firstMark_ = -1;
};

} // namespace fendix::ui
