#pragma once

#include "model/UDatenelement.h"
#include "model/UKFGrafik.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class cl_Kennfeld;

// A map file as read: its ten header words and the raw values it holds, each at its line
// and point.
struct Kennfelddatei {
    std::array<int16_t, 10> Kopf{};
    struct Punkt {
        int x = 0, y = 0;
        int16_t roh = 0;
    };
    std::vector<Punkt> Punkte;

    enum class Fehler { keiner, zu_kurz, Schrittcode };
};

// Reads the words of a map file (16-bit little-endian) in the layout its step codes call
// for; trailing words are left. nullopt, with the reason, when a step code is outside the
// format (below 16) or the file ends before every word was read.
std::optional<Kennfelddatei> zerlege_Kennfelddatei(const QByteArray& inhalt, bool kurve,
                                                   Kennfelddatei::Fehler* fehler = nullptr);

// The line request of one map: reads (107) and writes (108) single lines, has the ECU store
// the map (78, or 130 for a data-item map) and continues its chains in the answer handler.
class cl_Kennfeld_Daten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Kennfeld_Daten, &cl_COM_data::Klasse)

    static constexpr uint8_t Befehl_Zeile_lesen = 107;
    static constexpr uint8_t Befehl_Zeile_schreiben = 108;
    static constexpr uint8_t Befehl_speichern = 78;
    static constexpr uint8_t Befehl_speichern_Datenelement = 130;
    static constexpr int Lesegroesse = 3;
    static constexpr int Antwortgroesse = 36;
    static constexpr int Schreibgroesse = 38;

    cl_Kennfeld_Daten(int kennfeldNr, cl_Kennfeld& fenster, int pauseMs);

    void lese_Zeile(int zeile, int verzoegerungMs);
    void starte_Lesen(int verzoegerungMs);
    // Sets the request up as the reading of the line Lesedaten names; the caller starts it.
    void stelle_Leseanfrage();
    void schreibe_Zeile(int zeile);
    void speichere_Kennfeld();
    void lese_Zeile_am_Arbeitspunkt();
    void Antwort() override;

    // The position of a line in the telegrams: 16 * line, 255 for line 16.
    static uint8_t Zeilenposition(int zeile);

    std::array<uint8_t, Schreibgroesse> Schreibdaten{};
    std::array<uint8_t, Antwortgroesse> Antwortdaten{};
    cl_Kennfeld& Fenster;
    int Zeile = 0;
    int Endzeile = 0;
    std::array<uint8_t, Lesegroesse> Lesedaten{};
    bool Kopiermodus = false;
    bool zyklisch = false;
    bool fortlaufend = false;
    bool Zyklusphase = false;
    int Pause_ms = 1000;
    int Modus = 0;
    int Sonderzeile = 0;

private:
    void Zeile_gelesen();
    void Zeile_geschrieben();
    void weiter_lesen();
};

// A map window bound to one characteristic of the ECU: raw range and conversions, the
// enabling data, and the transfer of lines, the whole map and its axis values over the line
// protocol or as a data item.
class cl_Kennfeld : public cl_Kennfeld_Grafik {
public:
    QUORVEL_KLASSE(cl_Kennfeld, &cl_Kennfeld_Grafik::Klasse)

    // What the map announces: the line protocol's whole-map transfers are over.
    static constexpr int Kennfeld_geschrieben = 11;
    static constexpr int Kennfeld_gelesen = 12;

    static constexpr int Kurvenblock_Worte = 23;
    static constexpr int Kennfeldblock_Worte = 301;

    cl_Kennfeld(const Kennfeld_Umgebung& umgebung, const Kennfeld_Beschreibung& b);
    ~cl_Kennfeld() override;

    void setze_Roh_min(int32_t v);
    void setze_Roh_max(int32_t v);
    void setze_Bedingung(const QString& text);

    int32_t Roh_zu_Anzeige(int32_t roh) const override;
    int32_t Anzeige_zu_Roh(int32_t wert) const override;
    void lese_Zeile_nach_Aenderung(int zeile) override;
    void setze_COM_aktiv(bool an) override;
    void lese_von_ECU() override;
    void speichere_Achsen() override;
    void sende_Parameter() override;
    void schreibe_nach_Aenderung() override;
    void schreibe_in_ECU() override;
    void schreibe_Achsbereich() override;
    void stoppe() override;

    void lese_Kennfeld();
    void schreibe_Kennfeld(const QString& text);

    // --- the backup copy's entry points --------------------------------------------------------
    void lese_Kennfeld_Kopie();
    void schreibe_Kennfeld_Kopie();
    void stoppe_Transfer();
    void melde_gelesen();
    void melde_geschrieben();

    // --- files, CSV and printing ---------------------------------------------------------------
    // With the dialog the user picks the version; without it the save takes the next free
    // one and the load the highest. True when a file was written / loaded whole.
    bool speichere_Kennfeld_Datei(bool mitDialog);
    bool lade_Kennfeld_Datei(bool mitDialog);
    bool speichere_Datei(const QString& pfad);
    bool lade_Datei(const QString& pfad, bool mitDialog);
    void Menue_CSV();
    // The writer the CSV dialog calls; false (and a message) when the file was not written.
    bool schreibe_Kennfeld_CSV(const QString& datei, const QStringList& kommentar);
    // The table and header lines of the CSV file, without line ends; the time of day is
    // written with the given separator.
    QStringList CSV_Zeilen(const QString& datei, const QStringList& kommentar, QChar dezimaltrenner,
                           const QDateTime& zeit, QChar zeittrenner = ':') const;
    void Menue_drucken();
    void drucke_Kennfeld();

    // Enters the data item again whenever the ECU's directory was refilled.
    void als_Datenelement_anmelden();
    void Block_empfangen();

    int32_t Roh_min = 0;
    int32_t Roh_max = 10;
    int32_t Rundung = 0;
    std::unique_ptr<cl_Kennfeld_Daten> Daten;
    bool freigegeben = false;
    QString Bedingung;
    std::array<int16_t, Kennfeldblock_Worte> Kennfeldblock{};
    std::array<int16_t, Kurvenblock_Worte> Kurvenblock{};
    uint8_t Transferzustand = 0;
    bool verfuegbar = false;
    int32_t Quelle_X = 0, Quelle_Y = 0, Quelle_Nr = 0;

    bool ist_Datenelement() const { return neues_Protokoll && Kennfeld_Nr >= 1; }
    cl_COM_Quorvel& link() const { return u_.link; }

protected:
    int64_t Anzeige_zu_Roh_lang(int64_t wert) const override;

private:
    friend class cl_Kennfeld_Daten;
    int16_t Blockwort(int i) const;
    void setze_Blockwort(int i, int32_t wert);
    Datenelement_Eintraege eintraege_;
    // Handlers in the registry reach the map only while it lives.
    std::shared_ptr<cl_Kennfeld*> selbst_;
};
