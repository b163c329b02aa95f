#include "platform/LockFile.h"

#include "platform/PlatformLog.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LockFile {

namespace {

QString ordner() {
    const QString dir = qEnvironmentVariable("QUORVEL_LOCK_DIR");
    return dir.isEmpty() ? QStringLiteral("/var/lock") : dir;
}

// The process id in a lock file: ten ASCII digits as everyone writes it now, or the binary
// integer of older programs; 0 when the file cannot be read or holds neither.
pid_t besitzer(const QByteArray& pfad) {
    const int fd = ::open(pfad.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    char puffer[32] = {};
    const ssize_t n = ::read(fd, puffer, sizeof puffer - 1);
    ::close(fd);
    if (n == static_cast<ssize_t>(sizeof(int))) {
        int binaer = 0;
        std::memcpy(&binaer, puffer, sizeof binaer);
        if (binaer > 0 && QByteArray(puffer, 4).trimmed().toInt() == 0)
            return binaer;
    }
    if (n <= 0)
        return 0;
    bool ok = false;
    const long pid = QByteArray(puffer, static_cast<int>(n)).trimmed().toLong(&ok);
    return ok && pid > 0 && pid <= 0x7FFFFFFF ? static_cast<pid_t>(pid) : 0;
}

bool lebt(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

QString PathFor(const QString& Device) {
    QString pfad = QFileInfo(Device).canonicalFilePath();
    if (pfad.isEmpty())
        pfad = Device;
    if (pfad.startsWith(QLatin1String("/dev/")))
        pfad = pfad.mid(5);
    else
        pfad = QFileInfo(pfad).fileName();
    pfad.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(ordner()).filePath(QStringLiteral("LCK..") + pfad);
}

Result Acquire(const QString& Device, QString& Created) {
    Created.clear();
    const QString ziel = PathFor(Device);
    const QByteArray zielPfad = QFile::encodeName(ziel);
    const pid_t ich = ::getpid();
    // The file is written whole under a name of its own and then linked in place, so that no
    // one ever reads a lock file that is still empty.
    const QByteArray temp =
        QFile::encodeName(QDir(ordner()).filePath(QStringLiteral("LTMP.%1").arg(ich)));
    const QByteArray inhalt = QByteArray::number(ich).rightJustified(10, ' ') + '\n';
    for (int versuch = 0; versuch < 3; ++versuch) {
        const pid_t pid = besitzer(zielPfad);
        if (pid != 0 && pid != ich && lebt(pid))
            return Result::InUse;
        // Left by a process that is gone (or unreadable, or by this process without a handle
        // that still holds the device): it locks nothing.
        if (::unlink(zielPfad.constData()) != 0 && errno != ENOENT) {
            qCDebug(lcPlatform) << "stale lock file" << ziel
                                << "cannot be removed:" << std::strerror(errno);
            return Result::None;
        }
        ::unlink(temp.constData());
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            qCDebug(lcPlatform) << "no lock file for" << Device << "in" << ordner() << ":"
                                << std::strerror(errno);
            return Result::None;
        }
        ::fchmod(fd, 0644); // readable by every program that checks it, whatever the umask
        const bool geschrieben =
            ::write(fd, inhalt.constData(), static_cast<size_t>(inhalt.size())) == inhalt.size();
        ::close(fd);
        if (!geschrieben) {
            ::unlink(temp.constData());
            qCDebug(lcPlatform) << "lock file for" << Device << "could not be written";
            return Result::None;
        }
        const int r = ::link(temp.constData(), zielPfad.constData());
        const int e = errno;
        ::unlink(temp.constData());
        if (r == 0) {
            Created = ziel;
            return Result::Locked;
        }
        if (e != EEXIST) {
            qCDebug(lcPlatform) << "lock file" << ziel << "cannot be made:" << std::strerror(e);
            return Result::None;
        }
        // Another program locked it meanwhile: look again at who.
    }
    return Result::InUse;
}

void Release(const QString& Created) {
    if (Created.isEmpty())
        return;
    const QByteArray pfad = QFile::encodeName(Created);
    if (besitzer(pfad) == ::getpid())
        ::unlink(pfad.constData());
}

} // namespace LockFile
