#include "windows/status/USpeicher.h"

#include "base/Uglobal.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QLabel>
#include <QShowEvent>
#include <QTimer>

namespace Speicher_Logik {

Anzeigewerte Speicherwerte(uint8_t befehl, const Satz& antwort) {
    const QString name = befehl == cl_Speicher_Daten::Befehl_RAM       ? QStringLiteral("RAM")
                         : befehl == cl_Speicher_Daten::Befehl_Flash_0 ? QStringLiteral("Flash_0")
                                                                       : QStringLiteral("Flash_1");
    const auto janein = [](uint8_t b) { return hole_Text(b != 0 ? 78 : 79); };
    return {
        {QStringLiteral("Label_%1_Nr").arg(name), QString::number(antwort.u16(8))},
        {QStringLiteral("Label_%1_defekt").arg(name), janein(antwort.u8(0))},
        {QStringLiteral("Label_%1_Datenfehler").arg(name), janein(antwort.u8(1))},
    };
}

Anzeigewerte Gemeinsame_Werte(int ecu_typ, const Satz& a, const Satz& l, const Satz& da) {
    if (ecu_typ == 5)
        return {
            {"Label_Anz_Umdr", QString::number(da.u32(10))},
            {"Label_Betriebszeit", ms_zu_Zeit(da.s32(18))},
            {"Label_Anzahl_Fehler", QString::number(da.s16(16))},
            {"Label_Anz_Datenloggersaetze", QString::number(da.u32(6))},
        };
    return {
        {"Label_Anz_Umdr", QString::number(a.s32(48))},
        {"Label_Betriebszeit", Zehntel_zu_Zeit(a.s32(44))},
        {"Label_Anzahl_Fehler", QString::number(a.u16(54))},
        {"Label_autom_Flash_sichern", hole_Text(l.u16(2) != 0 ? 78 : 79)},
        {"Label_Anz_Datenloggersaetze", QString::number(a.s32(82))},
    };
}

} // namespace Speicher_Logik

TForm_Speicher::TForm_Speicher(Kontext& kontext)
    : TForm(QStringLiteral("memory")), k(kontext),
      Speicher_Daten(std::make_unique<cl_Speicher_Daten>(kontext.link())) {
    setWindowTitle(hole_Text(201));
    resize(420, 250);
    const auto kopf = [this](const char* name, int text, int x, int y, int breite) {
        auto* l = new QLabel(hole_Text(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(x, y, breite, 17);
        return l;
    };
    // The memories in rows, number and flags in columns.
    kopf("Label_Kopf_Speicher_Nr", 202, 140, 8, 90)->setAlignment(Qt::AlignRight);
    kopf("Label_Kopf_defekt", 203, 240, 8, 80)->setAlignment(Qt::AlignRight);
    kopf("Label_Kopf_Datenfehler", 204, 320, 8, 90)->setAlignment(Qt::AlignRight);
    const struct {
        const char* kopfname;
        int text;
        const char* name;
    } speicher[] = {{"Label_Kopf_RAM_Speicher", 209, "RAM"},
                    {"Label_Kopf_Flash_0", 210, "Flash_0"},
                    {"Label_Kopf_Flash_1", 211, "Flash_1"}};
    int y = 32;
    for (const auto& s : speicher) {
        kopf(s.kopfname, s.text, 8, y, 130);
        const QString n = QString::fromLatin1(s.name);
        Tafel.Zeile(this, QStringLiteral("Label_%1_Nr").arg(n), QString(), 140, y, 0, 90);
        Tafel.Zeile(this, QStringLiteral("Label_%1_defekt").arg(n), QString(), 240, y, 0, 80);
        Tafel.Zeile(this, QStringLiteral("Label_%1_Datenfehler").arg(n), QString(), 320, y, 0, 90);
        y += 22;
    }
    y += 14;
    const struct {
        const char* kopfname;
        int text;
        const char* name;
    } werte[] = {{"Label_Kopf_Anz_Umdr", 205, "Label_Anz_Umdr"},
                 {"Label_Kopf_Betriebszeit", 206, "Label_Betriebszeit"},
                 {"Label_Kopf_Anzahl_Fehler", 207, "Label_Anzahl_Fehler"},
                 {"Label_Kopf_autom_Flash_sichern", 208, "Label_autom_Flash_sichern"},
                 {"Label_Kopf_Anz_Datenloggersaetze", 212, "Label_Anz_Datenloggersaetze"}};
    for (const auto& w : werte) {
        kopf(w.kopfname, w.text, 8, y, 200);
        Tafel.Zeile(this, QString::fromLatin1(w.name), QString(), 210, y, 0, 120);
        y += 22;
    }
    resize(420, y + 8);

    Timer_Speicher = new QTimer(this);
    Timer_Speicher->setInterval(1000);
    connect(Timer_Speicher, &QTimer::timeout, this, [this] { Speicher_Daten->starten(); });
    Speicher_Daten->zeige_Speicher = [this](uint8_t befehl) { zeige_Speicher(befehl); };
    Form_auf_Bildschirm(*this);
}

TForm_Speicher::~TForm_Speicher() {
    Speicher_Daten->zeige_Speicher = nullptr;
}

void TForm_Speicher::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (event->spontaneous())
        return;
    Speicher_Daten->starten();
    Timer_Speicher->start();
}

void TForm_Speicher::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (event->spontaneous())
        return;
    Speicher_Daten->stoppen();
    Timer_Speicher->stop();
}

void TForm_Speicher::zeige_Speicher(uint8_t befehl) {
    Tafel.setze(Speicher_Logik::Speicherwerte(befehl, Satz(Speicher_Daten->Antwortdaten)));
    const cl_ECU_Befehle& b = k.ecu_Befehle();
    Tafel.setze(Speicher_Logik::Gemeinsame_Werte(k.version().ECU_Typ(), Satz(b.akt_Daten_A),
                                                 Satz(b.akt_Daten), Satz(b.Diesel_Daten_A)));
}
