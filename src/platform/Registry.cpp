#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringConverter>
#include <QTextStream>

namespace {

constexpr QLatin1String kSectionMarker(".section");

// QSettings' own INI format percent-encodes blanks and reorders keys, so a file written
// by hand ("Default Quorvel Hardware=1") would not read back under its registry name.
// This format keeps section and key names literally: section "[A\B C]" becomes the group
// "A/B C".
bool readIni(QIODevice& device, QSettings::SettingsMap& map) {
    QTextStream in(&device);
    in.setEncoding(QStringConverter::Utf8);
    QString section;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            section.replace('\\', '/');
            // An empty section still counts: "[Ports]" alone means no port exists.
            map.insert(section + '/' + QString(kSectionMarker), QString());
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        map.insert(section.isEmpty() ? key : section + '/' + key, value);
    }
    return true;
}

bool writeIni(QIODevice& device, const QSettings::SettingsMap& map) {
    // Group keys by section, keeping the sections in the map's order.
    std::map<QString, std::vector<std::pair<QString, QString>>> sections;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const qsizetype slash = it.key().lastIndexOf('/');
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        const QString key = slash < 0 ? it.key() : it.key().mid(slash + 1);
        auto& entries = sections[section];
        if (key != kSectionMarker)
            entries.emplace_back(key, it.value().toString());
    }
    QTextStream out(&device);
    out.setEncoding(QStringConverter::Utf8);
    for (const auto& [section, entries] : sections) {
        if (!section.isEmpty()) {
            QString name = section;
            name.replace('/', '\\');
            out << '[' << name << "]\n";
        }
        for (const auto& [key, value] : entries)
            out << key << '=' << value << '\n';
        out << '\n';
    }
    return out.status() == QTextStream::Ok;
}

QSettings::Format registryFormat() {
    static const QSettings::Format format = QSettings::registerFormat("ini", readIni, writeIni);
    return format;
}

QString group() {
    return QString::fromLatin1(Registry::Schluessel).replace('\\', '/');
}

} // namespace

Registry::Registry() : Registry(defaultFile()) {}

Registry::Registry(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, registryFormat())) {}

Registry::~Registry() = default;

QString Registry::defaultFile() {
    const QByteArray env = qgetenv("QUORVEL_REGISTRY");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(folder).filePath(QStringLiteral("Quorvel/registry.ini"));
}

std::optional<QString> Registry::readString(const QString& name) const {
    const QVariant v = settings_->value(group() + '/' + name);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

std::optional<int> Registry::readInteger(const QString& name) const {
    const std::optional<QString> text = readString(name);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool Registry::writeString(const QString& name, const QString& value) {
    QDir().mkpath(QFileInfo(settings_->fileName()).absolutePath());
    settings_->setValue(group() + '/' + name, value);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool Registry::writeInteger(const QString& name, int value) {
    return writeString(name, QString::number(value));
}

QString Registry::Schreibfehler(const QString& names) const {
    return QStringLiteral("The settings %1 could not be saved in %2.").arg(names, filePath());
}

bool Registry::hasPortMap() const {
    settings_->beginGroup(QStringLiteral("Ports"));
    const bool any = !settings_->childKeys().isEmpty();
    settings_->endGroup();
    return any;
}

std::optional<QString> Registry::devicePathForPort(int comNumber) const {
    if (comNumber < 1)
        return std::nullopt;
    if (!hasPortMap())
        return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
    settings_->beginGroup(QStringLiteral("Ports"));
    const QStringList keys = settings_->childKeys();
    std::optional<QString> path;
    for (const QString& key : keys) {
        if (key.compare(QStringLiteral("COM%1").arg(comNumber), Qt::CaseInsensitive) == 0) {
            const QString value = settings_->value(key).toString().trimmed();
            if (!value.isEmpty())
                path = value;
            break;
        }
    }
    settings_->endGroup();
    return path;
}

QString Registry::filePath() const {
    return settings_->fileName();
}
