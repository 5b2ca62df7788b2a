#include "ui/Affiche.h"

#include "engine/EntryLines.h"
#include "engine/EntryReader.h"
#include "engine/Highlight.h"
#include "engine/SearchRun.h"
#include "ui/Controls.h"
#include "ui/Cp437.h"
#include "ui/FileNames.h"
#include "ui/Keys.h"
#include "ui/Scaling.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace fendix::ui {

namespace {

constexpr int TabColumns = 8;

// The background of the places where the texts of the search occur: readable on the
// window's light background, the text keeping its colour.
const QColor MarkColour(0xFF, 0xEB, 0x80);

// How far into a line the texts are looked for: beyond the part shown by more than any text
// that can be typed, so that an occurrence that the cut goes through is marked up to it.
constexpr std::size_t SearchedLineBytes = 2 * ShownLineBytes;

// The entry as the text box shows it: one line of the box per stored line, each cut after
// ShownLineBytes bytes. Every byte becomes one character, so a byte's offset in a stored line
// is its character's offset in the line of the box.
QString EntryText(const engine::EntryLineList& lines)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < lines.Count(); ++i)
        length += std::min(lines[i].size(), ShownLineBytes) + 1;
    QString text;
    text.reserve(static_cast<qsizetype>(length));
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        const std::string_view line = lines[i];
        text += DecodeCp437Line(line.substr(0, ShownLineBytes));
        if (line.size() > ShownLineBytes)
            text += QChar(CutMark);
    }
    return text;
}

// Marks in the text box every place where `marks` finds a text in the shown part of a stored
// line. The marks are formats of the lines' layouts: the text, its selection and what is
// copied stay as they were. Returns the position of the first mark, or -1.
int MarkOccurrences(QPlainTextEdit& box, const engine::EntryLineList& lines, const engine::Highlighter& marks)
{
    QTextCharFormat marked;
    marked.setBackground(MarkColour);
    QTextDocument* document = box.document();
    int first = -1;
    QTextBlock block = document->begin();
    for (std::size_t i = 0; i < lines.Count() && block.isValid(); ++i, block = block.next()) {
        const std::vector<engine::ByteRange> found = marks.In(lines[i].substr(0, SearchedLineBytes));
        QList<QTextLayout::FormatRange> formats;
        formats.reserve(static_cast<qsizetype>(found.size()));
        for (const engine::ByteRange& range : found) {
            if (range.begin >= ShownLineBytes)
                break;
            const std::size_t end = std::min(range.end, ShownLineBytes);
            formats.append({static_cast<int>(range.begin), static_cast<int>(end - range.begin), marked});
        }
        if (first < 0 && !formats.isEmpty())
            first = block.position() + formats.front().start;
        if (!formats.isEmpty() || !block.layout()->formats().isEmpty())
            block.layout()->setFormats(formats);
    }
    document->markContentsDirty(0, document->characterCount());
    return first;
}

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
    DescLabel->setTextFormat(Qt::PlainText);
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
    ListeDesc->setUndoRedoEnabled(false);
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

void TDescForm::ShowEntry(std::string_view label, const engine::EntryLineList& lines,
                          const engine::Highlighter& marks)
{
    FillEntry(label, lines, marks);
    exec();
    ListeDesc->clear();
    firstMark_ = -1;
}

void TDescForm::FillEntry(std::string_view label, const engine::EntryLineList& lines,
                          const engine::Highlighter& marks)
{
    SetDescLabel(label);
    ListeDesc->setPlainText(EntryText(lines));
    HighlightEntry(lines, marks);
    ListeDesc->verticalScrollBar()->setValue(0);
    ListeDesc->setFocus();
    ContBtn->setDefault(true);
}

void TDescForm::HighlightEntry(const engine::EntryLineList& lines, const engine::Highlighter& marks)
{
    firstMark_ = MarkOccurrences(*ListeDesc, lines, marks);
}

void TDescForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window opens at the top of the entry, unless the first highlight lies below what
    // it shows: then the highlight is brought to the middle of the box.
    if (firstMark_ < 0)
        return;
    QTextCursor mark(ListeDesc->document());
    mark.setPosition(firstMark_);
    if (ListeDesc->cursorRect(mark).bottom() < ListeDesc->viewport()->height())
        return;
    ListeDesc->setTextCursor(mark);
    ListeDesc->centerCursor();
}

void TDescForm::SetDescLabel(std::string_view label)
{
    // The file's name, then the kind of file. A name too long for the window (a full path)
    // is shortened in its middle, so that the kind stays in view; the hint then gives the
    // whole text.
    std::string_view name = label;
    std::string_view kind;
    for (const engine::TDescKind candidate : {engine::dkBbs, engine::dkNews, engine::dkMaj}) {
        const std::string_view suffix = engine::LabelSuffix(candidate);
        if (label.size() >= suffix.size() && label.substr(label.size() - suffix.size()) == suffix) {
            name = label.substr(0, label.size() - suffix.size());
            kind = suffix;
            break;
        }
    }
    const QString wholeName = DecodeName(name);
    const QString kindText = DecodeName(kind);
    const QFontMetrics metrics(DescLabel->font());
    const int room = width() - Scaled(10) - DescLabelLeft() - metrics.horizontalAdvance(kindText);
    const QString shownName = metrics.elidedText(wholeName, Qt::ElideMiddle, std::max(room, 0));
    DescLabel->setText(shownName + kindText);
    DescLabel->setToolTip(shownName == wholeName ? QString() : wholeName + kindText);
    PlaceDescLabel();
}

int TDescForm::DescLabelLeft() const
{
    // The label stands at its designed place, or just after the title when a wider font
    // makes the title reach that place.
    const int afterTitle =
        Label1->x() + Label1->width() + Label1->fontMetrics().horizontalAdvance(QLatin1Char(' '));
    return std::max(Scaled(120), afterTitle);
}

void TDescForm::PlaceDescLabel()
{
    DescLabel->adjustSize();
    DescLabel->move(DescLabelLeft(), Scaled(10));
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
