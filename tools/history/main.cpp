#include "historycli.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return zel::history::runHistoryCli(QCoreApplication::arguments());
}
