#pragma once

#include "model/QVD_Datei.h"

#include <QString>
#include <cstdint>
#include <memory>

class Kontext;
class Transferansicht;

// The import of a ".QVD" file into the ECU: its header and description to look at, then its
// pairs from the header on, 16 a telegram, each sent when the ECU has answered the one
// before, until a telegram of fewer than 16 pairs; then the ECU's verdict.
class Datenimport {
public:
    static constexpr int Text_Dateifehler = 611;
    static constexpr int Text_fehlgeschlagen = 617;
    static constexpr int Text_fertig = 618;
    static constexpr int Text_andere_Version = 619;
    static constexpr int Text_abgelehnt = 620;
    static constexpr int Text_fertig_neu_starten = 624;

    // The ECU's status words.
    static constexpr uint16_t Status_fertig = 1;
    static constexpr uint16_t Status_fertig_neu_starten = 5;
    static constexpr uint16_t Status_andere_Version = 10;
    static constexpr uint16_t Status_abgelehnt = 11;

    Datenimport(Kontext& kontext, Transferansicht& ansicht);
    ~Datenimport();
    Datenimport(const Datenimport&) = delete;
    Datenimport& operator=(const Datenimport&) = delete;

    // Reads the file's description and header; false (and an empty header) when it cannot
    // be read. A file not yet named is no failure.
    bool oeffne_Importdatei(const QString& datei);
    // The write button: false when nothing was sent (text 611 shown).
    bool starten(const QString& datei);
    // The progress window's abort.
    void Abbruch();

    void sende_naechsten_Block();
    void Import_abgebrochen();

    bool laeuft() const { return laeuft_; }

    QVD::Dateikopf Kopf;
    // The file's size in words, as the header read took it.
    int64_t Groesse = 0;
    // Stop when the ECU reports data of another version (status 10).
    bool bei_anderer_Version_stoppen = true;

private:
    // Puts the next pairs into the telegram; false when the file could not be read.
    bool bereite_Block_vor();
    void halte_an();

    Kontext& k;
    Transferansicht& ansicht_;
    QVD::Importleser leser_;
    bool laeuft_ = false;
    std::shared_ptr<bool> lebt_ = std::make_shared<bool>(true);
};
