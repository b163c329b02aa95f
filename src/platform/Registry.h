#pragma once

#include <QString>
#include <map>
#include <memory>
#include <optional>

class QSettings;

// Stand-in for the Windows registry key the program keeps its settings under.
// On Windows this is the native registry; elsewhere an INI file whose section
// "[SOFTWARE\Quorvel\Win Quorvel]" holds the key's values under their registry names,
// blanks and all. The file is $QUORVEL_REGISTRY when set, else one in the user's config folder.
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

    // A missing value, or one that is no integer, is a failed read (nullopt), as on Windows.
    std::optional<QString> readString(const QString& name) const;
    std::optional<int> readInteger(const QString& name) const;

    // Writes reach the file at once, through a temporary file renamed over the old one.
    bool writeString(const QString& name, const QString& value);
    bool writeInteger(const QString& name, int value);
    // What the user is told when writing the named values failed.
    QString Schreibfehler(const QString& names) const;

    // The serial-port map of section [Ports] ("COM5=/dev/pts/3"). Without the section
    // every COMn exists as /dev/ttyS(n-1); with it only the ports it names exist.
    std::optional<QString> devicePathForPort(int comNumber) const;
    bool hasPortMap() const;

    QString filePath() const;

private:
    std::unique_ptr<QSettings> settings_;
};
