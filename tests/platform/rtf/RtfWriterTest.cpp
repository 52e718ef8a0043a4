#include <QTest>
class RtfWriterTest : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(RtfWriterTest)
#include "RtfWriterTest.moc"
