#include "core/QuorvelApplication.h"
#include "platform/Dialoge.h"

#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit());
    // The program's own application object, so that tests see what the program does with an
    // exception that leaves a handler.
    QuorvelApplication app(argc, argv);
    // No test may block on a modal box: messages are printed, questions answered Cancel,
    // unless a test installs its own answers.
    Dialoge::setHandler(
        {[](const QString& text) { std::fprintf(stderr, "[message] %s\n", qPrintable(text)); },
         [](const QString&, const QString&) { return false; }});
    return RUN_ALL_TESTS();
}
