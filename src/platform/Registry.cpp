#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

// The file as the user wrote it, line by line. A write replaces one line or inserts one, so
// everything else goes back byte for byte.
struct Zeile {
    QByteArray text; // without its line end
    QByteArray ende; // "\r\n", "\n", or empty for a last line that has none
};

enum class Art { Sonstiges, Abschnitt, Eintrag };

struct Bedeutung {
    Art art = Art::Sonstiges;
    QString name;
    QString wert;
    qsizetype wertAnfang = 0; // where the value starts in the line, after "name = "
};

bool ist_ASCII(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool inAnfuehrung(const QString& s) {
    return s.size() >= 2 && s.startsWith('"') && s.endsWith('"');
}

Bedeutung deute(const QString& zeile) {
    const QString t = zeile.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
        return {};
    if (t.startsWith('[') && t.endsWith(']'))
        return {Art::Abschnitt, t.mid(1, t.size() - 2).trimmed(), {}, 0};
    const qsizetype gleich = zeile.indexOf('=');
    if (gleich < 0)
        return {};
    const QString name = zeile.left(gleich).trimmed();
    if (name.isEmpty())
        return {};
    qsizetype anfang = gleich + 1;
    while (anfang < zeile.size() && zeile[anfang].isSpace())
        ++anfang;
    QString wert = zeile.mid(anfang).trimmed();
    if (inAnfuehrung(wert))
        wert = wert.mid(1, wert.size() - 2);
    return {Art::Eintrag, name, wert, anfang};
}

class IniDatei {
public:
    // A missing file is an empty one; nullopt when the file is there but cannot be read
    // (writing then would throw away what the user wrote).
    // The encoding is taken from utf8 when it was decided before, else decided here once
    // the file holds anything but ASCII, and handed back.
    static std::optional<IniDatei> lade(const QString& pfad, std::optional<bool>& utf8) {
        IniDatei d;
        d.utf8_ = utf8.value_or(true);
        QFile f(pfad);
        if (!f.exists())
            return d;
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        QByteArray inhalt = f.readAll();
        if (f.error() != QFileDevice::NoError)
            return std::nullopt;
        static const QByteArray bom("\xEF\xBB\xBF");
        if (inhalt.startsWith(bom)) {
            d.bom_ = bom;
            inhalt.remove(0, bom.size());
        }
        // A file that is no valid UTF-8 was written in Windows' 8-bit code page; its
        // characters are Latin-1 as far as anything here reads them.
        if (!utf8 && (!d.bom_.isEmpty() || !ist_ASCII(inhalt))) {
            QStringDecoder decoder(QStringConverter::Utf8);
            // The decoder looks at the bytes only when its text is taken.
            const QString probe = decoder.decode(inhalt);
            utf8 = !decoder.hasError();
        }
        d.utf8_ = utf8.value_or(true);
        qsizetype anfang = 0;
        while (anfang < inhalt.size()) {
            const qsizetype lf = inhalt.indexOf('\n', anfang);
            if (lf < 0) {
                d.zeilen_.push_back({inhalt.mid(anfang), {}});
                break;
            }
            const bool cr = lf > anfang && inhalt[lf - 1] == '\r';
            d.zeilen_.push_back({inhalt.mid(anfang, lf - anfang - (cr ? 1 : 0)),
                                 cr ? QByteArray("\r\n") : QByteArray("\n")});
            anfang = lf + 1;
        }
        for (const Zeile& z : d.zeilen_) {
            if (!z.ende.isEmpty()) {
                d.zeilenende_ = z.ende;
                break;
            }
        }
        return d;
    }

    // The last entry of that name in that section wins, as it did for QSettings.
    std::optional<QString> wert(const QString& abschnitt, const QString& name) const {
        std::optional<QString> gefunden;
        bool drin = false;
        for (const Zeile& z : zeilen_) {
            const Bedeutung b = deute(text(z));
            if (b.art == Art::Abschnitt)
                drin = b.name == abschnitt;
            else if (b.art == Art::Eintrag && drin && b.name == name)
                gefunden = b.wert;
        }
        return gefunden;
    }

    // All entries of a section, in file order; nullopt when the section is missing.
    std::optional<std::vector<Bedeutung>> abschnitt(const QString& abschnitt) const {
        std::optional<std::vector<Bedeutung>> eintraege;
        bool drin = false;
        for (const Zeile& z : zeilen_) {
            Bedeutung b = deute(text(z));
            if (b.art == Art::Abschnitt) {
                drin = b.name == abschnitt;
                if (drin && !eintraege)
                    eintraege.emplace();
            } else if (b.art == Art::Eintrag && drin) {
                eintraege->push_back(std::move(b));
            }
        }
        return eintraege;
    }

    // Changes the value's own line, else adds it after the section's last entry, else adds
    // the section at the end. False when the file's encoding cannot hold the value.
    bool setze(const QString& abschnitt, const QString& name, const QString& wert) {
        std::optional<size_t> treffer;
        qsizetype wertAnfang = 0;
        std::optional<size_t> letzte;
        bool drin = false;
        for (size_t i = 0; i < zeilen_.size(); ++i) {
            const Bedeutung b = deute(text(zeilen_[i]));
            if (b.art == Art::Abschnitt) {
                drin = b.name == abschnitt;
                if (drin)
                    letzte = i;
            } else if (b.art == Art::Eintrag && drin) {
                letzte = i;
                if (b.name == name) {
                    treffer = i;
                    wertAnfang = b.wertAnfang;
                }
            }
        }
        if (treffer) {
            const auto neu = kodiere(text(zeilen_[*treffer]).left(wertAnfang) + wert);
            if (!neu)
                return false;
            zeilen_[*treffer].text = *neu;
            return true;
        }
        const auto eintrag = kodiere(name + '=' + wert);
        if (!eintrag)
            return false;
        if (letzte) {
            Zeile& vorher = zeilen_[*letzte];
            // The new line takes the line end of the one it follows, so a file without a
            // final line end stays without one.
            Zeile neu{*eintrag, vorher.ende};
            if (vorher.ende.isEmpty())
                vorher.ende = zeilenende_;
            zeilen_.insert(zeilen_.begin() + static_cast<std::ptrdiff_t>(*letzte) + 1, neu);
            return true;
        }
        const auto kopf = kodiere('[' + abschnitt + ']');
        if (!kopf)
            return false;
        if (!zeilen_.empty()) {
            if (zeilen_.back().ende.isEmpty())
                zeilen_.back().ende = zeilenende_;
            if (!text(zeilen_.back()).trimmed().isEmpty())
                zeilen_.push_back({{}, zeilenende_});
        }
        zeilen_.push_back({*kopf, zeilenende_});
        zeilen_.push_back({*eintrag, zeilenende_});
        return true;
    }

    bool nur_ASCII() const {
        return std::all_of(zeilen_.begin(), zeilen_.end(),
                           [](const Zeile& z) { return ist_ASCII(z.text); });
    }
    bool utf8() const { return utf8_; }

    bool speichere(const QString& pfad) const {
        QByteArray inhalt = bom_;
        for (const Zeile& z : zeilen_)
            inhalt += z.text + z.ende;
        QSaveFile f(pfad);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        if (f.write(inhalt) != inhalt.size()) {
            f.cancelWriting();
            return false;
        }
        return f.commit();
    }

private:
    QString text(const Zeile& z) const {
        return utf8_ ? QString::fromUtf8(z.text) : QString::fromLatin1(z.text);
    }
    std::optional<QByteArray> kodiere(const QString& s) const {
        if (utf8_)
            return s.toUtf8();
        const QByteArray latin1 = s.toLatin1();
        if (QString::fromLatin1(latin1) != s)
            return std::nullopt;
        return latin1;
    }

    std::vector<Zeile> zeilen_;
    QByteArray bom_;
    bool utf8_ = true;
    QByteArray zeilenende_ = "\n"; // for added lines: the file's own, LF for a new file
};

// The value as it stands after '=': literally, unless reading would change it (the reader
// trims blanks and drops one pair of enclosing quotes); then it goes in quotes.
QString alsEintrag(const QString& wert) {
    if (wert != wert.trimmed() || inAnfuehrung(wert))
        return '"' + wert + '"';
    return wert;
}

// What cannot stand on one line of its own, or would read back as something else.
bool schreibbar(const QString& name, const QString& wert) {
    const auto umbruch = [](const QString& s) { return s.contains('\n') || s.contains('\r'); };
    if (name.isEmpty() || name != name.trimmed() || name.contains('=') || umbruch(name) ||
        name.startsWith('[') || name.startsWith(';') || name.startsWith('#'))
        return false;
    return !umbruch(wert);
}

QString schluessel() {
    return QString::fromLatin1(Registry::Schluessel);
}

} // namespace

Registry::Registry() : Registry(defaultFile()) {}

Registry::Registry(const QString& iniFile) : file_(iniFile) {}

Registry::~Registry() = default;

QString Registry::defaultFile() {
    const QByteArray env = qgetenv("QUORVEL_REGISTRY");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(folder).filePath(QStringLiteral("Quorvel/registry.ini"));
}

std::optional<QString> Registry::readString(const QString& name) const {
    const auto datei = IniDatei::lade(file_, utf8_);
    if (!datei)
        return std::nullopt;
    return datei->wert(schluessel(), name);
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
    if (!schreibbar(name, value))
        return false;
    QDir().mkpath(QFileInfo(file_).absolutePath());
    auto datei = IniDatei::lade(file_, utf8_);
    if (!datei || !datei->setze(schluessel(), name, alsEintrag(value)) || !datei->speichere(file_))
        return false;
    // The first value that is no ASCII decides for the encoding it was written in.
    if (!utf8_ && !datei->nur_ASCII())
        utf8_ = datei->utf8();
    return true;
}

bool Registry::writeInteger(const QString& name, int value) {
    return writeString(name, QString::number(value));
}

QString Registry::Schreibfehler(const QString& names) const {
    return QStringLiteral("The settings %1 could not be saved in %2.").arg(names, filePath());
}

std::optional<std::map<int, QString>> Registry::readPortTable() const {
    const auto datei = IniDatei::lade(file_, utf8_);
    // A file that is there but cannot be read may well have a [Ports] section: no port
    // exists rather than devices no one named.
    if (!datei)
        return std::map<int, QString>{};
    const auto eintraege = datei->abschnitt(QStringLiteral("Ports"));
    if (!eintraege)
        return std::nullopt;
    std::map<int, QString> ports;
    for (const Bedeutung& e : *eintraege) {
        if (!e.name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        const QString nummer = e.name.mid(3);
        bool ok = false;
        const int n = nummer.toInt(&ok);
        // "COM3=" names no device: that port does not exist.
        if (!ok || n < 1 || QString::number(n) != nummer || e.wert.isEmpty())
            continue;
        ports[n] = e.wert;
    }
    return ports;
}

QString Registry::filePath() const {
    return file_;
}
