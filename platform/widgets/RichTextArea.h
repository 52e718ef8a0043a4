#pragma once

#include "base/Result.h"

#include <QPoint>
#include <QTextEdit>

#include <functional>
#include <memory>

namespace quenzal {

// A rich-text area whose plain text is exact.
//
// QTextEdit::toPlainText() is lossy: it turns U+00A0 into a space and every
// kind of line break into one paragraph break. This area keeps the kind of
// each break on the document's break character, so text() gives back exactly
// what setText() was given, every code 1..255, lone CR, lone LF, CR LF, tab
// and other control codes included, also through editing, undo and redo. A
// break the user types (Enter, or Shift+Enter, which Qt keeps as U+2028
// inside the block) reads as CR LF. The area's own copy, cut, paste and drag
// and drop carry the exact text, of a rectangle of table cells too. The soft
// breaks it gives long runs and lines for the layout's sake leave no trace:
// typing, input methods, caret moves, deletion and selection pass over them.
class RichTextArea : public QTextEdit
{
    Q_OBJECT

public:
    explicit RichTextArea(QWidget *parent = nullptr);

    // Told now and then, while a large content is made, how much of it is
    // made; when it answers false the content is dropped and the area stays
    // exactly as it was. It may let events run meanwhile: the area shows its
    // old content until the new one is whole.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    // The whole plain text. Pictures have no plain text and are left out.
    QString text() const;
    // Replaces the whole content with plain text; false when `progress`
    // stopped it. As with setPlainText(), there is nothing to undo afterwards
    // and the caret is at the start. (Hides QTextEdit::setText, which would
    // guess whether the text is HTML.)
    bool setText(const QString &text, const Progress &progress = {});

    // Plain text to replace the whole content, made apart as it comes piece
    // by piece (a file as it is read), so that it is never held whole beside
    // what is made of it. The area changes only when it is shown.
    class NewText
    {
    public:
        explicit NewText(RichTextArea &area);
        ~NewText();
        NewText(const NewText &) = delete;
        NewText &operator=(const NewText &) = delete;

        // The next piece of the text.
        void append(QStringView text);
        // Replaces the area's content with the whole text, as setText() does.
        void show();

    private:
        struct Made;
        RichTextArea &m_area;
        std::unique_ptr<Made> m_made;
    };

    // Replaces the whole content with a Rich Text Format document, formatting
    // included: Whole. Stopped by `progress`, it changes nothing: Stopped.
    // Bytes that are not rich text change nothing either: a failure, with why.
    Result<Completion> loadRichText(QByteArrayView rtf, const Progress &progress = {});
    // The whole content as a Rich Text Format document.
    QByteArray richText() const;

    // Puts `text` in place of the selection, or at the caret when nothing is
    // selected; the rest of the content stays as it was. `progress` is told
    // to the end of the work, which for a large text includes laying the
    // content out up to the caret after it. Stopped by `progress`, it takes
    // back what it did, so the content, the selection and what Undo undoes
    // are as before (only a Redo is lost), and gives false.
    bool replaceSelection(const QString &text, const Progress &progress = {});

    // Runs the area's own pastes (keyboard, drag and drop): `run` is handed
    // the paste, to call with the progress it is to tell.
    using PasteRunner = std::function<void(const std::function<void(const Progress &)> &paste)>;
    void setPasteRunner(PasteRunner run) { m_pasteRunner = std::move(run); }

    // The plain text between two document positions.
    QString textBetween(int from, int to) const;

    // Puts map(c) in place of every character c of the text, each in its
    // own format, in one step that Undo takes back; pictures, line breaks
    // and the area's soft breaks stay. `map` keeps line-break characters.
    void replaceCharacters(const std::function<char16_t(char16_t)> &map);

signals:
    // A mouse button was pressed over the area.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &position);

protected:
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Shows `document`, made apart, in place of the content in one step.
    void adopt(QTextDocument *document);
    // Gives the document pages of a finite height (see kPageHeight) where Qt
    // left them endless.
    void keepPagesFinite();

    // The soft breaks (see rtf::kSoftBreakProperty) leave no trace in editing.
    // Whether the characters between two positions are all soft breaks.
    bool onlySoftBreaksBetween(int from, int to) const;
    // Puts the caret past the soft breaks next to it, forward (toward > 0) or
    // back, so that a deletion that way takes text.
    void stepOverSoftBreaks(int toward);
    // Puts the caret before the soft breaks just before it when `typed` goes
    // on the grapheme before them (a mark typed after a letter).
    void placeForTyping(const QString &typed);
    // Grows a selection of whole lines (a triple click) over the soft block
    // breaks at its ends, to the whole lines of the text.
    void selectWholeLines();

    PasteRunner m_pasteRunner;
};

} // namespace quenzal
