#pragma once

#include <QString>
#include <map>
#include <optional>

// Stand-in for the Windows registry key the program keeps its settings under: an INI file
// whose section "[SOFTWARE\Quorvel\Win Quorvel]" holds the key's values under their registry
// names. The file is the user's too (they edit it by hand), so a write changes only the
// value's own line and leaves comments, blank lines, line ends, encoding and order alone.
// The file is $QUORVEL_REGISTRY when set, else one in the user's config folder.
class Registry {
public:
    static constexpr const char* Schluessel = "SOFTWARE\\Quorvel\\Win Quorvel";

    Registry();
    explicit Registry(const QString& iniFile);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The file used when no path is given: $QUORVEL_REGISTRY, else the user's config folder.
    static QString defaultFile();

    // Names are matched with the blanks around '=' trimmed, inner blanks kept
    // ("Default Quorvel Hardware = 1"). A missing value, or one that is no integer, is a
    // failed read (nullopt), as on Windows.
    std::optional<QString> readString(const QString& name) const;
    std::optional<int> readInteger(const QString& name) const;

    // Writes reach the file at once, through a temporary file renamed over the old one.
    // False when the file cannot be read or written, or the value cannot stand on one line.
    bool writeString(const QString& name, const QString& value);
    bool writeInteger(const QString& name, int value);
    // What the user is told when writing the named values failed.
    QString Schreibfehler(const QString& names) const;

    // The serial ports of section [Ports] ("COM5=/dev/pts/3"), by number: nullopt when the
    // file has no such section, an empty map when the section names no port.
    std::optional<std::map<int, QString>> readPortTable() const;

    QString filePath() const;

private:
    QString file_;
    // Whether the file is UTF-8 rather than the 8-bit code page, decided the first time it
    // holds anything but ASCII and kept from then on: a write that happens to remove the
    // only bytes that were no UTF-8 must not change how every other value reads.
    mutable std::optional<bool> utf8_;
};
