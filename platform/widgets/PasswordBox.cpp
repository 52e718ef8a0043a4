#include "platform/widgets/PasswordBox.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quenzal {
namespace {

QAccessible::UpdateHandler nextHandler = nullptr;

bool isPasswordBox(const QObject *object)
{
    const auto *box = qobject_cast<const QLineEdit *>(object);
    return box && box->echoMode() != QLineEdit::Normal;
}

QString masked(const QString &text)
{
    return QString(text.size(), u'*');
}

void maskPasswordBoxes(QAccessibleEvent *event);

// Passes an event on to whoever would have had it without the mask: a handler
// installed earlier, or else the platform's accessibility bridge.
void passOn(QAccessibleEvent *event)
{
    if (nextHandler) {
        nextHandler(event);
        return;
    }
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(maskPasswordBoxes);
}

// Qt's line edit puts the typed, removed or replaced text itself into its
// text events, whatever its echo mode: for a password box that text becomes
// as many "*" as it has characters.
void maskPasswordBoxes(QAccessibleEvent *event)
{
    if (!isPasswordBox(event->object())) {
        passOn(event);
        return;
    }
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto *inserted = static_cast<QAccessibleTextInsertEvent *>(event);
        QAccessibleTextInsertEvent mask(event->object(), inserted->changePosition(),
                                        masked(inserted->textInserted()));
        mask.setCursorPosition(inserted->cursorPosition());
        passOn(&mask);
        break;
    }
    case QAccessible::TextRemoved: {
        const auto *removed = static_cast<QAccessibleTextRemoveEvent *>(event);
        QAccessibleTextRemoveEvent mask(event->object(), removed->changePosition(),
                                        masked(removed->textRemoved()));
        mask.setCursorPosition(removed->cursorPosition());
        passOn(&mask);
        break;
    }
    case QAccessible::TextUpdated: {
        const auto *updated = static_cast<QAccessibleTextUpdateEvent *>(event);
        QAccessibleTextUpdateEvent mask(event->object(), updated->changePosition(),
                                        masked(updated->textRemoved()),
                                        masked(updated->textInserted()));
        mask.setCursorPosition(updated->cursorPosition());
        passOn(&mask);
        break;
    }
    case QAccessible::ValueChanged: {
        const auto *changed = static_cast<QAccessibleValueChangeEvent *>(event);
        QAccessibleValueChangeEvent mask(event->object(), masked(changed->value().toString()));
        passOn(&mask);
        break;
    }
    default:
        passOn(event);
    }
}

// Qt lays a password box's whole text out as mask characters, at a cost of
// some 70 bytes and a microsecond each, and keeps an undo step for each
// character pasted. A password longer than this many characters goes in
// whole, and the box draws it itself, as a row of mask characters that fills
// it, with Qt laying none of them out.
constexpr qsizetype kLaidOutCharacters = 32 * 1024;

bool isLong(qsizetype length)
{
    return length > kLaidOutCharacters;
}

// Qt shows nothing of a password that echoes nothing: nor lays it out.
void showAsLong(QLineEdit *box, bool isLong)
{
    const QLineEdit::EchoMode mode = isLong ? QLineEdit::NoEcho : QLineEdit::Password;
    if (box->echoMode() == mode)
        return;
    box->setEchoMode(mode);
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
}

// Takes every paste into a password box (keys, the middle button, drag and
// drop, the pop-up menu) that makes its password long, and draws a long
// password.
class LongPasswords : public QObject
{
public:
    explicit LongPasswords(QLineEdit *box) : QObject(box), m_box(box)
    {
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this,
                [box](const QString &text) { showAsLong(box, isLong(text.size())); });
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            return static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste) &&
                   paste(QGuiApplication::clipboard()->text());
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() != Qt::MiddleButton ||
                !QGuiApplication::clipboard()->supportsSelection())
                return false;
            return paste(QGuiApplication::clipboard()->text(QClipboard::Selection), true);
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!drop->mimeData()->hasText())
                return false;
            const int before = m_box->cursorPosition();
            m_box->setCursorPosition(m_box->cursorPositionAt(drop->position().toPoint()));
            if (!paste(drop->mimeData()->text(), true)) {
                m_box->setCursorPosition(before);
                return false;
            }
            drop->acceptProposedAction();
            return true;
        }
        case QEvent::ContextMenu:
            popUpMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        case QEvent::Paint:
            if (m_box->echoMode() != QLineEdit::NoEcho)
                return false;
            drawLong();
            return true;
        default:
            return false;
        }
    }

private:
    // Puts `text` in place of the selection (or, with `atCaret`, at the
    // caret), when that makes the password long: true. Otherwise Qt pastes.
    bool paste(const QString &text, bool atCaret = false)
    {
        const int selected = atCaret ? 0 : m_box->selectionLength();
        if (m_box->isReadOnly() || !isLong(m_box->text().size() - selected + text.size()))
            return false;
        const int at = selected > 0 ? m_box->selectionStart() : m_box->cursorPosition();
        QString password = m_box->text();
        password.replace(at, selected, text);
        showAsLong(m_box, true); // first, so that Qt lays none of it out
        m_box->setText(password);
        m_box->setCursorPosition(at + int(text.size()));
        return true;
    }

    // Qt's menu, whose Paste (known by Qt's own words for it, before the
    // tab and the keys) pastes as the keys do.
    void popUpMenu(const QPoint &at)
    {
        QMenu *menu = m_box->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const QString pasteText = QCoreApplication::translate("QLineEdit", "&Paste");
        for (QAction *action : menu->actions()) {
            if (action->text().section(u'\t', 0, 0) != pasteText)
                continue;
            disconnect(action, nullptr, m_box, nullptr);
            connect(action, &QAction::triggered, m_box, [this] {
                if (!paste(QGuiApplication::clipboard()->text()))
                    m_box->paste();
            });
        }
        menu->popup(at);
    }

    // The frame, a row of mask characters, the selection and the caret, each
    // position where its share of the password lies along the row.
    void drawLong()
    {
        QPainter painter(m_box);
        QStyle *style = m_box->style();
        QStyleOptionFrame panel;
        panel.initFrom(m_box);
        panel.rect = m_box->contentsRect();
        panel.lineWidth =
            m_box->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, m_box) : 0;
        panel.state |= QStyle::State_Sunken;
        style->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, m_box);

        // Where Qt puts the text: its margins, then two pixels aside and one
        // above and below.
        const QRect room = style->subElementRect(QStyle::SE_LineEditContents, &panel, m_box)
                               .marginsRemoved(m_box->textMargins())
                               .adjusted(2, 1, -2, -1);
        const QFontMetrics metrics = m_box->fontMetrics();
        const QRect line(room.left(), room.top() + (room.height() - metrics.height() + 1) / 2,
                         room.width(), metrics.height());
        const QChar mask(style->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &panel, m_box));
        const QString row(line.width() / qMax(1, metrics.horizontalAdvance(mask)) + 1, mask);
        const qint64 length = qMax<qint64>(1, m_box->text().size());
        const auto x = [&](int position) {
            return line.left() + int(line.width() * qint64(position) / length);
        };
        const QPalette &palette = m_box->palette();
        painter.setClipRect(line);
        painter.setPen(palette.color(QPalette::Text));
        painter.drawText(line, Qt::AlignLeft, row);
        if (m_box->hasSelectedText()) {
            const QRect selected(QPoint(x(m_box->selectionStart()), line.top()),
                                 QPoint(x(m_box->selectionEnd()), line.bottom()));
            painter.fillRect(selected, palette.brush(QPalette::Highlight));
            painter.setClipRect(selected);
            painter.setPen(palette.color(QPalette::HighlightedText));
            painter.drawText(line, Qt::AlignLeft, row);
        }
        if (m_box->hasFocus()) {
            painter.setClipping(false);
            painter.fillRect(QRect(x(m_box->cursorPosition()), line.top(),
                                   style->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, m_box),
                                   line.height()),
                             palette.color(QPalette::Text));
        }
    }

    QLineEdit *m_box;
};

void maskPasswordsForAccessibility()
{
    static const bool installed = [] {
        nextHandler = QAccessible::installUpdateHandler(maskPasswordBoxes);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

void makePasswordBox(QLineEdit *box)
{
    box->setEchoMode(QLineEdit::Password);
    // The style decides the mask character; this asks every style for "*".
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    maskPasswordsForAccessibility();
    new LongPasswords(box);
}

} // namespace quenzal
