#include "ecusim/Bootloader.h"

#include "ecusim/Worte.h"

#include <QTimer>
#include <algorithm>
#include <cstring>

namespace ecusim {

namespace {

constexpr uint8_t Wachbyte = 0xA5;
constexpr uint8_t Version_lesen = 0xE0;
constexpr uint8_t Kennung_lesen = 0xE6;
constexpr uint8_t Loeschen_kurz = 0xE3;
constexpr uint8_t Loeschen_lang = 0xEA;
constexpr uint8_t Datensatz = 0xE4;
constexpr uint8_t Ende = 0xE5;
constexpr uint8_t Ende_lang_Antwort = 0xEB;
constexpr qsizetype Satzlaenge = 22;

QByteArray bytes(const uint8_t* b, int n) {
    return QByteArray(reinterpret_cast<const char*>(b), n);
}

} // namespace

Bootloaderbereich::Bootloaderbereich(EcuSim& sim) : sim_(sim) {
    sim_.setze_Roheingang({[this](uint8_t erstes) {
                               return zustand_ == Zustand::Zugang_erwartet || erstes == Wachbyte;
                           },
                           [this](const QByteArray& eingang) { return lies(eingang); }});
    const auto offen = [this](const QByteArray&) { return zustand_ == Zustand::Offen; };
    for (uint8_t befehl :
         {Version_lesen, Kennung_lesen, Loeschen_kurz, Loeschen_lang, Datensatz, Ende})
        sim_.setze_Handler(
            this, befehl,
            [this, befehl](const QByteArray& daten) { return telegramm(befehl, daten); }, offen);
    const auto weg = [this](const QByteArray&) { return Anwendung_weg; };
    sim_.setze_Handler(
        this, 100,
        [this](const QByteArray&) {
            QByteArray id = sim_.Identitaet;
            setze_Wort(id, 4, 8);
            return std::optional(id);
        },
        weg);
    sim_.setze_Handler(
        this, 208, [this](const QByteArray&) { return std::optional(Worte({Status_208})); }, weg);
    sim_.nimmt_Befehl = [this](uint8_t befehl) {
        if (!Anwendung_weg || befehl == 100 || befehl == 208)
            return true;
        return befehl == Version_lesen || befehl == Kennung_lesen || befehl == Loeschen_kurz ||
               befehl == Loeschen_lang || befehl == Datensatz || befehl == Ende;
    };
}

void Bootloaderbereich::injiziere(Bootfehler f, int satz) {
    fehler_.push_back({f, satz});
}

std::optional<Bootfehler> Bootloaderbereich::nimm_Fehler(std::initializer_list<Bootfehler> arten,
                                                         int satz) {
    for (auto it = fehler_.begin(); it != fehler_.end(); ++it) {
        if (std::find(arten.begin(), arten.end(), it->fehler) == arten.end())
            continue;
        if (it->satz != 0 && it->satz != satz)
            continue;
        const Bootfehler f = it->fehler;
        fehler_.erase(it);
        return f;
    }
    return std::nullopt;
}

qsizetype Bootloaderbereich::lies(const QByteArray& eingang) {
    if (zustand_ != Zustand::Zugang_erwartet) {
        // A wake byte at a frame boundary.
        wecke();
        return 1;
    }
    const qsizetype soll = static_cast<qsizetype>(std::strlen(Zugangstext));
    qsizetype genommen = 0;
    while (genommen < eingang.size() && zugang_.size() < soll) {
        const char c = eingang[genommen++];
        // The program repeats the wake byte until it has the greeting.
        if (zugang_.isEmpty() && static_cast<uint8_t>(c) == Wachbyte)
            continue;
        zugang_.append(c);
    }
    if (zugang_.size() < soll)
        return genommen;
    const bool richtig = zugang_ == QByteArray(Zugangstext);
    zugang_.clear();
    if (!richtig)
        return genommen; // not answered; the boot loader waits for the text again
    zustand_ = Zustand::Offen;
    if (const auto f = nimm_Fehler({Bootfehler::Falsche_Zugangsantwort}))
        sim_.sende_Bytes("F");
    else
        sim_.sende_Bytes("T");
    return genommen;
}

void Bootloaderbereich::wecke() {
    zustand_ = Zustand::Zugang_erwartet;
    zugang_.clear();
    ++Gruesse;
    if (!nimm_Fehler({Bootfehler::Gruss_geteilt})) {
        sim_.sende_Bytes(Gruss);
        return;
    }
    const qsizetype drittel = std::max<qsizetype>(1, Gruss.size() / 3);
    sim_.sende_Bytes(Gruss.left(drittel));
    QTimer::singleShot(40, &sim_, [this, g = Gruss.mid(drittel, drittel)] { sim_.sende_Bytes(g); });
    QTimer::singleShot(80, &sim_, [this, g = Gruss.mid(2 * drittel)] { sim_.sende_Bytes(g); });
}

void Bootloaderbereich::notiere(uint8_t befehl, const QByteArray& daten) {
    if (const std::optional<Leitungseinstellung> l = sim_.Leitung())
        Leitungen.push_back(*l);
    QByteArray t(1, static_cast<char>(befehl));
    Telegramme.push_back(t + daten);
}

void Bootloaderbereich::antworte(QByteArray antwort) {
    CAN_Packart art;
    if (const auto f = nimm_Fehler({Bootfehler::Falsche_Pruefsumme, Bootfehler::Ueberlang,
                                    Bootfehler::CAN_Laenge_7, Bootfehler::CAN_Anzahl_7,
                                    Bootfehler::CAN_Sequenzluecke})) {
        switch (*f) {
        case Bootfehler::Falsche_Pruefsumme:
            antwort[antwort.size() - 1] = static_cast<char>(antwort[antwort.size() - 1] + 1);
            break;
        case Bootfehler::Ueberlang:
            antwort = baue_Rahmen(static_cast<uint8_t>(antwort[1]), QByteArray(117, '\x11'));
            break;
        case Bootfehler::CAN_Laenge_7:
            art.Datenlaenge = 7;
            break;
        case Bootfehler::CAN_Anzahl_7:
            art.Anzahl = 7;
            break;
        default:
            art.Sequenzluecke = true;
            break;
        }
    }
    sim_.sende_Bytes(antwort, art);
}

std::optional<QByteArray> Bootloaderbereich::telegramm(uint8_t befehl, const QByteArray& daten) {
    notiere(befehl, daten);
    const QByteArray code = bytes(Loeschcode, 4);
    const QByteArray p = bytes(Parameter_3072, 4);
    switch (befehl) {
    case Version_lesen: {
        const auto f = nimm_Fehler({Bootfehler::Versionslaenge_4, Bootfehler::Versionslaenge_6});
        QByteArray v;
        v.append(static_cast<char>(Version & 0xFF));
        if (f != Bootfehler::Versionslaenge_4)
            v.append(static_cast<char>(Version >> 8));
        if (f == Bootfehler::Versionslaenge_6)
            v.append('\0');
        antworte(baue_Rahmen(befehl, v));
        return std::nullopt;
    }
    case Kennung_lesen: {
        const int item = daten.isEmpty() ? 0 : static_cast<uint8_t>(daten[0]);
        QByteArray d;
        d.append(static_cast<char>(item));
        d.append('\0');
        const QByteArray& id = sim_.Identitaet;
        if (item == 1)
            d.append(id.mid(0, 4));
        else if (item >= 2 && item <= 4)
            d.append(id.mid((item - 1) * 2 + 2, 2)).append(QByteArray(2, '\0'));
        else
            d.append(QByteArray(4, '\0'));
        antworte(baue_Rahmen(befehl, d));
        return std::nullopt;
    }
    case Loeschen_kurz:
    case Loeschen_lang: {
        const bool lang = befehl == Loeschen_lang;
        const bool gut = lang ? daten == code + p : daten == code;
        const bool abgelehnt = !gut || nimm_Fehler({Bootfehler::Loeschen_abgelehnt});
        if (!abgelehnt) {
            Abbild.clear();
            saetze_ = 0;
            ++Loeschungen;
            Anwendung_weg = true;
        }
        QByteArray d(1, abgelehnt ? '\0' : '\1');
        if (lang)
            d.append(QByteArray(5, '\0'));
        antworte(baue_Rahmen(befehl, d));
        return std::nullopt;
    }
    case Datensatz: {
        const int satz = ++saetze_;
        if (nimm_Fehler({Bootfehler::Satz_ohne_Antwort}, satz))
            return std::nullopt;
        const bool abgelehnt = daten.size() != Satzlaenge ||
                               nimm_Fehler({Bootfehler::Satz_abgelehnt}, satz).has_value();
        if (!abgelehnt)
            Abbild.push_back(daten);
        if (nimm_Fehler({Bootfehler::Satz_ohne_Pruefsumme}, satz)) {
            sim_.sende_Bytes(QByteArray("\x04\xE4\x01", 3));
            return std::nullopt;
        }
        antworte(baue_Rahmen(befehl, QByteArray(1, abgelehnt ? '\0' : '\1')));
        return std::nullopt;
    }
    case Ende: {
        const bool lang = !daten.isEmpty();
        const bool gut = lang ? daten == p : true;
        const bool abgelehnt = !gut || nimm_Fehler({Bootfehler::Ende_abgelehnt});
        if (!abgelehnt) {
            ++Enden;
            Anwendung_weg = false;
            setze_Wort(sim_.Identitaet, 62, Neue_Softwareversion);
        }
        antworte(
            baue_Rahmen(lang ? Ende_lang_Antwort : Ende, QByteArray(1, abgelehnt ? '\0' : '\1')));
        return std::nullopt;
    }
    default:
        break;
    }
    return std::nullopt;
}

} // namespace ecusim
