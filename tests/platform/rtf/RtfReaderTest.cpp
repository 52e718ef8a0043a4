#include <QTest>
class RtfReaderTest : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(RtfReaderTest)
#include "RtfReaderTest.moc"
