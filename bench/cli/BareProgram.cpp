// The floor for quenzal-cli's memory: a program that makes a
// QCoreApplication and ends, loading Qt Core and what it needs.
#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return 0;
}
