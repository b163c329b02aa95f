#include "model/UZuendeditorlogik.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UStatusdaten.h"
#include "platform/Dateien.h"

#include <QFile>

Zuendvariante Zuendvariante::Zuendung() {
    return {1, QStringLiteral("Z"), 270, QString(), true};
}

Zuendvariante Zuendvariante::Korrektur() {
    return {2, QStringLiteral("ZC"), 1209, QStringLiteral("Zündung_2"), false};
}

Zuendeditorlogik::Zuendeditorlogik(const Zuendumgebung& u, const Zuendvariante& v)
    : Variante(v), Karte(u.link, u.version, u.kommunikation, v.Karte),
      Tabelle(Karte.Bild, Karte.Spaltenzahl), u_(u) {
    // Reads and writes start only once the ECU accepted the password.
    Karte.sende_wenn_frei = [&pw = u.passwort](cl_COM_data& anfrage) {
        pw.sende_wenn_frei(&anfrage);
    };
}

Zuendeditorlogik::Knoepfe Zuendeditorlogik::Knopfzustand() const {
    const bool verbunden = u_.link.ist_verbunden();
    Knoepfe k;
    k.nach_Quorvel = !Eingabe_aktiv && verbunden && !Online;
    k.Online = (!Eingabe_aktiv && verbunden) || Online;
    k.Funktionen = !Eingabe_aktiv && !Online;
    return k;
}

Zuendeditorlogik::Hilfe Zuendeditorlogik::Hilfetexte() const {
    if (!Online)
        return {282, 0};
    if (!staendig_positionieren)
        return {501, 502};
    return {0, 503};
}

int Zuendeditorlogik::Lastwert(bool start) const {
    const auto s16 = [](const cl_Datensatz* d, int stelle) { return d ? d->s16(stelle) : 0; };
    if (!Tabelle.ist_Luftdruck())
        return s16(u_.haupt, 72);
    if (start)
        return s16(u_.satz_A, 66);
    if (u_.parameter.suche_Parameter(54) && u_.parameter.Wert(54) >= 1)
        return s16(u_.satz_A, 66);
    return s16(u_.haupt, 80);
}

Zuendzelle Zuendeditorlogik::berechne_Cursor(bool start) const {
    const int drehzahl = u_.haupt ? u_.haupt->u16(10) : 0;
    return {Tabelle.naechster_Y(drehzahl) + 1, Tabelle.naechster_X(Lastwert(start)) + 1};
}

void Zuendeditorlogik::setze_Online_aktiv(bool an) {
    Online = an;
    if (!an)
        return;
    Karte.lesen(true);
    Cursor = berechne_Cursor(true);
}

bool Zuendeditorlogik::update_Position() {
    if (!Online)
        return false;
    const Zuendzelle neu = berechne_Cursor(false);
    if (neu == Cursor)
        return false;
    Cursor = neu;
    return true;
}

bool Zuendeditorlogik::aendere_Zuendwinkel(int delta, bool sichtbar) {
    const Zuendzelle z = aktuelle_Zelle;
    if (!sichtbar || z.zeile < 1 || z.spalte < 1 || z.zeile > Zuendtabelle::Zeilen ||
        z.spalte > Karte.Spaltenzahl || Karte.aktiv)
        return false;
    const int alt = Tabelle.ausgewertet(z.zeile - 1, z.spalte - 1);
    if ((delta > 0 && alt >= Zuendtabelle::Winkel_max) ||
        (delta < 0 && alt <= Zuendtabelle::Winkel_min))
        return false;
    // A refused password changes nothing, rather than showing an angle the ECU never got.
    if (!u_.passwort.Zugriff_erlaubt())
        return false;
    if (!Tabelle.aendere_Winkel(z, delta))
        return false;
    Karte.schreiben(false);
    return true;
}

bool Zuendeditorlogik::nach_Quorvel() {
    if (!u_.passwort.Zugriff_erlaubt())
        return false;
    Karte.schreiben(true);
    return true;
}

bool Zuendeditorlogik::speichern(bool mit_Dialog, const QString& titel) {
    if (!u_.dateiversion)
        return false;
    cl_Dateiversion& v = *u_.dateiversion;
    v.Beschriftung = titel;
    v.Suffix = Variante.Suffix;
    v.Speichermodus = 1;
    const int nr = mit_Dialog ? v.zeige_Dialog() : v.naechste_freie_Version();
    if (nr < 0)
        return false;
    const QString pfad = v.Dateiname(nr);
    if (!Dateien::schreibe_Datei(pfad, Zuenddatei_Inhalt(Karte))) {
        u_.meldungen.zeige(Dateien::Schreibfehler(pfad));
        return false;
    }
    return true;
}

bool Zuendeditorlogik::laden(bool mit_Dialog, const QString& titel) {
    if (!u_.dateiversion)
        return false;
    cl_Dateiversion& v = *u_.dateiversion;
    v.Beschriftung = Variante.Ladetitel.isEmpty() ? titel : Variante.Ladetitel;
    v.Suffix = Variante.Suffix;
    v.Speichermodus = 0;
    const int nr = mit_Dialog ? v.zeige_Dialog() : v.hoechste_Version();
    if (nr < 0)
        return false;
    QFile datei(Dateien::finde(v.Dateiname(nr)));
    const bool ok = datei.open(QIODevice::ReadOnly) && lade_Zuenddatei(Karte, datei.readAll());
    if (!ok)
        u_.meldungen.zeige(hole_Text(285));
    Tabelle.auswerten();
    return ok;
}
