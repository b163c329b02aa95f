#include "app/QuorvelApplication.h"
#include "platform/Dialoge.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

// The sanitizers' suppressions live here rather than in files named by environment
// variables: ctest hands a discovered test only one environment variable, and every test
// program links this file.
extern "C" {

// A handler that captured a test's locals and is called after the test body returned (by an
// object the fixture destroys later) writes into a dead frame: silent at -O0, a crash far
// away when optimised. Off by default in AddressSanitizer.
const char* __asan_default_options() {
    return "detect_stack_use_after_return=1";
}

// Leaks inside system libraries that Qt loads (D-Bus, fontconfig), not in the program.
const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n";
}

// Qt from the distribution is not built for ThreadSanitizer: its locks (futexes) are
// invisible to it, so copies Qt makes under its own locks (posting an event from a worker
// thread) look like races. Only memory functions called from inside Qt are ignored; our
// code stays checked.
const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n";
}

} // extern "C"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private runtime folder keeps Qt quiet about the shared /tmp.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString laufzeit = QDir::temp().filePath(
            QStringLiteral("quorvel-tests-%1").arg(static_cast<unsigned>(::getuid())));
        QDir().mkpath(laufzeit);
        ::chmod(QFile::encodeName(laufzeit).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(laufzeit));
    }
    // Lock files of the ports that tests open go to a folder of this run, never /var/lock.
    QTemporaryDir sperren;
    if (qEnvironmentVariableIsEmpty("QUORVEL_LOCK_DIR") && sperren.isValid())
        qputenv("QUORVEL_LOCK_DIR", QFile::encodeName(sperren.path()));
    // The program's own application object, so that tests see what the program does with an
    // exception that leaves a handler.
    QuorvelApplication app(argc, argv);
    // No test may block on a modal box: messages are printed, questions answered Cancel,
    // unless a test installs its own answers.
    Dialoge::setHandler(
        {[](const QString& text) { std::fprintf(stderr, "[message] %s\n", qPrintable(text)); },
         [](const QString&, const QString&) { return false; },
         [](const QString&, const QString&) { return false; }});
    return RUN_ALL_TESTS();
}
