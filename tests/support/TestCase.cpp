#include "TestCase.h"

#include <QRegularExpression>
#include <QTest>

namespace quenzal::test {

void TestCase::init()
{
    // QtTest forgets these patterns after each test function and data row.
    static const QRegularExpression notOffscreenNotice(
        QStringLiteral("^(?!This plugin does not support )"));
    QTest::failOnWarning(notOffscreenNotice);
    initRow();
}

} // namespace quenzal::test
