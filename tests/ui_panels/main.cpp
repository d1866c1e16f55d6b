#include <QApplication>

#include "panel_tests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    failed += RunFftWindowTests(argc, argv);
    failed += RunPassFailWindowTests(argc, argv);
    return failed;
}
