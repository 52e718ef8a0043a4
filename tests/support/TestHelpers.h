#pragma once

#include <QAction>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QWidget>

namespace quenzal::test {

// Triggers the menu item or action named `name` under `window`; fails the
// test when there is none.
inline bool triggerAction(QWidget *window, const char *name)
{
    auto *action = window->findChild<QAction *>(QLatin1String(name));
    if (!action) {
        QTest::qFail(qPrintable(QStringLiteral("no action named %1").arg(QLatin1String(name))),
                     __FILE__, __LINE__);
        return false;
    }
    action->trigger();
    return true;
}

// Selects document positions [from, to) of a text area (the caret at `to`).
inline void select(QTextEdit *area, int from, int to)
{
    QTextCursor cursor = area->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    area->setTextCursor(cursor);
}

// A child control by object name and type; fails the test when missing.
template <typename T> T *control(QWidget *window, const char *name)
{
    T *child = window->findChild<T *>(QLatin1String(name));
    if (!child)
        QTest::qFail(qPrintable(QStringLiteral("no control named %1").arg(QLatin1String(name))),
                     __FILE__, __LINE__);
    return child;
}

} // namespace quenzal::test
