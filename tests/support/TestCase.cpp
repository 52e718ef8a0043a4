#include "TestCase.h"

#include <QRegularExpression>
#include <QTest>

namespace quenzal::test {

void TestCase::init()
{
    // QtTest forgets these patterns after each test function and data row.
    // The font database's notice that one of the machine's fonts cannot
    // shape a script (it takes another) is no fault either.
    static const QRegularExpression notMachineNotice(
        QStringLiteral("^(?!This plugin does not support |  OpenType support missing for )"));
    QTest::failOnWarning(notMachineNotice);
    initRow();
}

} // namespace quenzal::test
