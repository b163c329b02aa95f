#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Files of the ECU world: 8-bit Windows-1252 text with CRLF line ends, names that the
// program spells in any letter case (Windows ignores case, Linux does not).
namespace Dateien {

// Joins folder and name the way the system joins them with "\".
QString verbinde(const QString& folder, const QString& name);

// The existing file or folder whose name matches path ignoring letter case, component by
// component; path itself when it exists or when nothing matches.
QString finde(const QString& path);

QString von_1252(const QByteArray& bytes);
QByteArray zu_1252(const QString& text); // characters outside the code page become '?'

// Lines of a text file split at CR, LF or CRLF; nullopt when it cannot be read.
std::optional<QStringList> lies_Zeilen(const QString& path);

// Writes lines with CRLF ends through a temporary file renamed over the old one, so
// that a failed write never leaves a half-written file behind.
bool schreibe_Zeilen(const QString& path, const QStringList& lines);
bool schreibe_Datei(const QString& path, const QByteArray& content);
// What the user is told when a file could not be written.
QString Schreibfehler(const QString& path);

// Whether another program holds the file (Windows' sharing violation): here, whether some
// other open of it holds a lock (flock or a POSIX record lock), as office programs and the
// program's own serial devices take. A file that merely cannot be opened is not in use.
bool in_Benutzung(const QString& path);

} // namespace Dateien
