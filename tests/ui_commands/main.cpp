#include <QApplication>
#include <QTest>

#include "test_commands.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TestCommands test;
    return QTest::qExec(&test, argc, argv);
}
