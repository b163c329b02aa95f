#include "model/QVD_Datei.h"

#include "base/Uglobal.h"
#include "platform/Dateien.h"

#include <QIODevice>
#include <QSaveFile>

namespace QVD {

namespace {

uint16_t Wort(QByteArrayView b, qsizetype i) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[i]) |
                                 (static_cast<uint8_t>(b[i + 1]) << 8));
}

Paar Paar_bei(QByteArrayView b, qsizetype byte) {
    return {Wort(b, byte), Wort(b, byte + 2)};
}

} // namespace

std::vector<Paar> Beschreibung(const QStringList& zeilen) {
    std::vector<Paar> paare;
    for (const QString& zeile : zeilen) {
        const QByteArray z = Dateien::zu_1252(zeile);
        for (qsizetype i = 0; i < z.size(); i += 2) {
            const auto c1 = static_cast<uint8_t>(z[i]);
            const auto c2 = i + 1 < z.size() ? static_cast<uint8_t>(z[i + 1]) : uint8_t{0};
            paare.push_back({Zeichen, static_cast<uint16_t>(c1 | (c2 << 8))});
        }
        paare.push_back({Zeilenende, 0});
    }
    return paare;
}

QByteArray Bytes(const std::vector<Paar>& paare) {
    QByteArray b(static_cast<qsizetype>(paare.size()) * Paarlaenge, '\0');
    auto* p = reinterpret_cast<uint8_t*>(b.data());
    for (const Paar& paar : paare) {
        schreibe_Wort(p, paar.Kennung);
        schreibe_Wort(p + 2, paar.Wert);
        p += Paarlaenge;
    }
    return b;
}

QString Dateikopf::Versionstext() const {
    QString v = QString::number(Version);
    v.insert(std::max<qsizetype>(0, v.size() - 2), QLatin1Char('.'));
    return QStringLiteral("V%1 R%2").arg(v).arg(Revision);
}

QString Dateikopf::Datenversionstext() const {
    return QStringLiteral("%1.%2").arg(Datenversion >> 8).arg(Datenversion & 0xFF);
}

Dateikopf lies_Dateikopf(QByteArrayView inhalt) {
    Dateikopf k;
    QByteArray zeile;
    bool zeile_offen = false;
    // The pairs the file holds, whole ones only; tag 64 = 1 cuts the scan to the header.
    qsizetype n = inhalt.size() / 2 / 2;
    for (qsizetype byte = 0; n >= 1 && byte + Paarlaenge <= inhalt.size();
         byte += Paarlaenge, --n) {
        const Paar p = Paar_bei(inhalt, byte);
        switch (p.Kennung) {
        case Zeichen:
            zeile.append(static_cast<char>(p.Wert & 0xFF));
            if (p.Wert >> 8)
                zeile.append(static_cast<char>(p.Wert >> 8));
            zeile_offen = true;
            break;
        case Zeilenende:
            k.Beschreibung.append(Dateien::von_1252(zeile));
            zeile.clear();
            zeile_offen = false;
            break;
        case Kopfbeginn:
            k.Kopf = p.Wert;
            if (p.Wert == Kopf_20_Paare)
                n = Kopfpaare;
            break;
        case Datenanzahl:
            k.Anzahl = p.Wert;
            break;
        case QVD::Version:
            k.Version = p.Wert;
            break;
        case QVD::Revision:
            k.Revision = p.Wert;
            break;
        case QVD::Datenversion:
            k.Datenversion = p.Wert;
            break;
        case QVD::Passwortnummer:
            k.Passwortnummer = p.Wert;
            break;
        case QVD::ECU_Typ:
            k.ECU_Typ = p.Wert;
            break;
        case QVD::Hersteller:
            k.Hersteller = p.Wert;
            break;
        case QVD::Typnummer:
            k.Typnummer = p.Wert;
            break;
        case Wert_niedrig:
            k.Wert32 = p.Wert;
            break;
        case Wert_hoch:
            k.Wert32 += static_cast<uint32_t>(p.Wert) << 16;
            break;
        default:
            if (p.Kennung >= Alte_Passwortnummer_1 && p.Kennung <= Alte_Passwortnummer_3 &&
                p.Wert != 0) {
                if (!k.alte_Passwortnummern.isEmpty())
                    k.alte_Passwortnummern += QStringLiteral(", ");
                k.alte_Passwortnummern += QString::number(p.Wert);
            }
            break;
        }
    }
    if (zeile_offen)
        k.Beschreibung.append(Dateien::von_1252(zeile));
    return k;
}

// ---------------------------------------------------------------- import

Importleser::Ergebnis Importleser::oeffne(std::unique_ptr<QIODevice> datei) {
    schliesse();
    if (!datei || !datei->isOpen())
        return Ergebnis::nicht_lesbar;
    const QByteArray inhalt = datei->readAll();
    if (datei->bytesAvailable() > 0 || (!datei->isSequential() && inhalt.size() != datei->size()))
        return Ergebnis::nicht_lesbar;
    bytes_ = inhalt.size();
    groesse_ = bytes_ / 2;
    position_ = groesse_;
    for (qsizetype byte = 0; byte + Paarlaenge <= inhalt.size(); byte += Paarlaenge)
        if (Wort(inhalt, byte) == Kopfbeginn) {
            position_ = byte / 2;
            break;
        }
    // A telegram carries whole pairs only: a cut one would go out with what the telegram
    // held before.
    if ((bytes_ - 2 * position_) % Paarlaenge != 0)
        return Ergebnis::keine_ganzen_Paare;
    datei_ = std::move(datei);
    return Ergebnis::ok;
}

std::optional<std::vector<Paar>> Importleser::naechster_Block() {
    if (!datei_)
        return std::nullopt;
    std::vector<Paar> paare;
    if (am_Ende())
        return paare;
    const int64_t anzahl = std::min<int64_t>(Blockpaare, (groesse_ - position_) / 2);
    if (!datei_->seek(2 * position_))
        return std::nullopt;
    const QByteArray b = datei_->read(anzahl * Paarlaenge);
    if (b.size() != anzahl * Paarlaenge)
        return std::nullopt;
    for (qsizetype byte = 0; byte < b.size(); byte += Paarlaenge)
        paare.push_back(Paar_bei(b, byte));
    position_ += 2 * anzahl;
    return paare;
}

void Importleser::schliesse() {
    datei_.reset();
}

// ---------------------------------------------------------------- export

Exportschreiber::Exportschreiber(const QString& ziel) : datei_(std::make_unique<QSaveFile>(ziel)) {
    if (!datei_->open(QIODevice::WriteOnly))
        datei_.reset();
}

Exportschreiber::~Exportschreiber() {
    verwirf();
}

bool Exportschreiber::offen() const {
    return datei_ != nullptr;
}

bool Exportschreiber::schreibe(const std::vector<Paar>& paare) {
    if (!datei_)
        return false;
    const QByteArray b = Bytes(paare);
    if (datei_->write(b) != b.size())
        fehler_ = true;
    return !fehler_;
}

bool Exportschreiber::uebernehme() {
    if (!datei_)
        return false;
    const bool ok = !fehler_ && datei_->commit();
    datei_.reset();
    return ok;
}

void Exportschreiber::verwirf() {
    if (datei_)
        datei_->cancelWriting();
    datei_.reset();
}

} // namespace QVD
