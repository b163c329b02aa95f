// The serial port's lock file: the input is the file LCK..<device> as another program (or
// one that is gone) left it in the lock folder. Taking the port's lock reads it. Promised:
// a lock file of a live process other than this one is never touched and the port is in
// use; otherwise the lock becomes this process's (its id in ten characters and a newline)
// and its release removes it; and no other file of the folder is touched.

#include "Fuzzhilfe.h"

#include "platform/LockFile.h"

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unistd.h>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir ordner{fuzz::Ordnervorlage()};

    Umgebung() { qputenv("QUORVEL_LOCK_DIR", ordner.path().toLocal8Bit()); }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

// The owner a lock file names, read as the other programs write it: ten ASCII digits (blanks
// around them allowed), or the four bytes of a binary integer; 0 for neither.
long Besitzer(const QByteArray& inhalt) {
    const QByteArray kopf = inhalt.left(31);
    if (kopf.size() == 4) {
        int binaer = 0;
        std::memcpy(&binaer, kopf.constData(), 4);
        if (binaer > 0 && kopf.trimmed().toInt() == 0)
            return binaer;
    }
    bool ok = false;
    const long pid = kopf.trimmed().toLong(&ok);
    return ok && pid > 0 && pid <= 0x7FFFFFFF ? pid : 0;
}

bool lebt(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString geraet = QStringLiteral("/dev/ttyFUZZ0");
    const QString pfad = LockFile::PathFor(geraet);
    fuzz::pruefe(QFileInfo(pfad).absolutePath() == QFileInfo(u.ordner.path()).absoluteFilePath(),
                 "the lock file outside the lock folder");
    const QString anderer = u.ordner.filePath(QStringLiteral("LCK..ttyFUZZ1"));
    fuzz::schreibe(anderer, inhalt);
    fuzz::schreibe(pfad, inhalt);

    QString gemacht;
    const LockFile::Result r = LockFile::Acquire(geraet, gemacht);
    const long besitzer = Besitzer(inhalt);
    const bool fremd = besitzer != ::getpid() && lebt(besitzer);
    if (fremd) {
        fuzz::pruefe(r == LockFile::Result::InUse, "a live owner's port not in use");
        fuzz::pruefe(fuzz::lies(pfad) == inhalt, "a live owner's lock file was touched");
    } else {
        fuzz::pruefe(r == LockFile::Result::Locked, "a port of no live owner not locked");
        fuzz::pruefe(gemacht == pfad, "another lock file made");
        fuzz::pruefe(fuzz::lies(pfad) ==
                         QByteArray::number(::getpid()).rightJustified(10, ' ') + '\n',
                     "the lock file does not name this process");
        LockFile::Release(gemacht);
        fuzz::pruefe(!QFileInfo::exists(pfad), "the released lock file stayed");
    }
    fuzz::pruefe(fuzz::lies(anderer) == inhalt, "another port's lock file was touched");
    fuzz::pruefe(QDir(u.ordner.path()).entryList(QDir::Files | QDir::Hidden).size() <= 2,
                 "a temporary file stayed");
    QFile::remove(pfad);
    return 0;
}
