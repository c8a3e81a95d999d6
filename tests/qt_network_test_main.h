// Entry point of a Qt test that opens sockets: it runs only inside a private test network, on
// the offscreen platform unless another is asked for.
#pragma once

#include "netns_guard.h"

#include <QApplication>
#include <QtTest>

#define QUENLO_NETWORK_QTEST_MAIN(TestObject)                                                     \
    int main(int argc, char** argv)                                                               \
    {                                                                                             \
        RequirePrivateNetwork(argv[0]);                                                           \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                       \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                              \
        QApplication app(argc, argv);                                                             \
        TestObject test;                                                                          \
        return QTest::qExec(&test, argc, argv);                                                   \
    }
