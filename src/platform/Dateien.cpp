#include "platform/Dateien.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Code points of bytes 0x80..0x9F in Windows-1252; 0 where the code page has no character
// (those bytes map to the C1 control of the same number, as Windows does).
constexpr std::array<char16_t, 32> kC1 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

namespace Dateien {

QString verbinde(const QString& folder, const QString& name) {
    QString n = name;
    n.replace('\\', '/');
    while (n.startsWith('/'))
        n.remove(0, 1);
    if (folder.isEmpty())
        return n;
    return QDir(folder).filePath(n);
}

QString finde(const QString& path) {
    QString p = path;
    p.replace('\\', '/');
    if (p.isEmpty() || QFileInfo::exists(p))
        return p;
    const QStringList parts = p.split('/');
    QString current = p.startsWith('/') ? QStringLiteral("/") : QStringLiteral(".");
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.isEmpty())
            continue;
        const QString exact = QDir(current).filePath(part);
        if (QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        const QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
        auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& e) {
            return e.compare(part, Qt::CaseInsensitive) == 0;
        });
        if (match == entries.end())
            return p;
        current = QDir(current).filePath(*match);
    }
    return p.startsWith('/') || current.startsWith('/') ? current : QDir::cleanPath(current);
}

QString von_1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F && kC1[b - 0x80] != 0)
            text.append(QChar(kC1[b - 0x80]));
        else
            text.append(QChar(b));
    }
    return text;
}

QByteArray zu_1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes.append(static_cast<char>(u));
            continue;
        }
        const auto it = std::find(kC1.begin(), kC1.end(), u);
        if (u != 0 && it != kC1.end())
            bytes.append(static_cast<char>(0x80 + (it - kC1.begin())));
        else if (u >= 0x80 && u <= 0x9F)
            bytes.append(static_cast<char>(u));
        else
            bytes.append('?');
    }
    return bytes;
}

std::optional<QStringList> lies_Zeilen(const QString& path) {
    QFile file(finde(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = von_1252(file.readAll());
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool schreibe_Datei(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool schreibe_Zeilen(const QString& path, const QStringList& lines) {
    QByteArray content;
    for (const QString& line : lines) {
        content.append(zu_1252(line));
        content.append("\r\n");
    }
    return schreibe_Datei(path, content);
}

bool in_Benutzung(const QString& path) {
    const QByteArray name = QFile::encodeName(finde(path));
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool belegt = false;
    struct flock satz = {};
    satz.l_type = F_WRLCK;
    satz.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &satz) == 0 && satz.l_type != F_UNLCK)
        belegt = true;
    if (!belegt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            belegt = errno == EWOULDBLOCK;
        else
            ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return belegt;
}

QString Schreibfehler(const QString& path) {
    return QStringLiteral("File ") + path + QStringLiteral(" could not be written.");
}

} // namespace Dateien
