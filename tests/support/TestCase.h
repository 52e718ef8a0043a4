#pragma once

#include <QObject>

namespace quenzal::test {

// The base of every test class: a Qt warning during a test function fails
// it. Only the offscreen platform's notices of what it cannot do ("This
// plugin does not support raise()") and the font database's of what a font
// cannot shape pass. Set-up that a test class needs before each test
// function goes into initRow(), which runs after this.
class TestCase : public QObject
{
    Q_OBJECT

protected:
    virtual void initRow() {}

protected slots:
    // Run by QtTest before each test function and each of its data rows.
    virtual void init() final;
};

} // namespace quenzal::test
