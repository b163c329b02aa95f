#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTimer;
class cl_COM_Quorvel;
class cl_Version;
class Meldungen;
class Registry;
class TCanport;
class CAN_Packer;

// One 22-byte record of a program file, kept as read.
struct tDatensatz {
    static constexpr int Laenge = 22;
    std::array<uint8_t, Laenge> Bytes{};
};

// A program file: record 1 the header (ECU type, manufacturer and type number the program
// is made for, in bytes 4-9), records 2 to n the program.
struct Programmdatei {
    enum class Ergebnis { gelesen, unlesbar, beschaedigt };
    // A file that cannot be opened or is empty gives a zero header and no records; one whose
    // size is not a whole number of records is damaged and gives nothing.
    static Ergebnis lies(const QString& pfad, tDatensatz& kopf, std::vector<tDatensatz>& saetze);
    static uint16_t Wort(const tDatensatz& s, int offset) {
        return static_cast<uint16_t>(s.Bytes[static_cast<size_t>(offset)] |
                                     (s.Bytes[static_cast<size_t>(offset) + 1] << 8));
    }
};

// The firmware programming through the ECU's boot loader, without a window: it takes the
// link away from the scheduler, wakes the boot loader, gives it the access text, reads its
// version and the ECU's identification, has the flash erased, sends the records one by one
// and ends the programming. Over the serial line (57600 baud 8N1) or CAN, driven only by the
// replies: there is no reply time-out, the user stops a hanging dialogue with the start
// button. Everything runs in the GUI thread.
class Programmboot {
public:
    static constexpr int Puffergroesse = 101;
    static constexpr uint8_t Wachbyte = 0xA5;
    static constexpr const char* Zugangstext = "QUADRO PLENTIFULNESS";
    static constexpr uint32_t Loeschparameter = 3072;

    // What the window shows; `geaendert` tells it to look again.
    struct Anzeige {
        QString Seriennummer;
        QString Quorvel_Typ;
        QString Hersteller;
        QString Typnummer;
        int Fortschritt = 0;
        QString Startknopf;
    };

    // The file list lives in "Dateien.dat" of the folder current now.
    Programmboot(cl_COM_Quorvel& link, cl_Version& version, Meldungen& meldungen,
                 Registry& registry);
    ~Programmboot();
    Programmboot(const Programmboot&) = delete;
    Programmboot& operator=(const Programmboot&) = delete;

    // --- The user's operations ---------------------------------------------------------
    // Starts a programming in state 0; stops the running one (link back to normal) else.
    void Button_startenClick();
    // An empty name does nothing; a listed one (same letter case) is selected; any other is
    // appended and selected.
    void waehle_Datei(const QString& name);
    // Removes an entry of the list (the Delete key in the dropped-down list).
    void entferne_Datei(int index);
    // Writes "Dateien.dat" and the registry value "Datei_Programm" (on hide and close).
    void in_Registry();

    // --- Reception and timing (public so that tests can feed them) ---------------------------
    // A chunk of serial input, as the link hands it on.
    void ComPortTriggerAvail(const QByteArray& bytes);
    // Takes the waiting messages off the own CAN port; the idle poll calls it.
    void read_CAN();
    // The 20 ms timer: the serial wake byte in state 1, the missing record-reply checksum,
    // and the serial dispatcher while the link's tick stands still.
    void TimerTimer();
    int lies_CAN_Baudrate() const;

    // --- State ----------------------------------------------------------------------------
    const Anzeige& anzeige() const { return anzeige_; }
    std::function<void()> geaendert;
    // The list and its selected text (the program file).
    QStringList Dateiliste;
    QString Datei;

    int Zustand() const { return zustand_; }
    int Bootloaderversion() const { return version_bl_; }
    int Satzzahl() const { return static_cast<int>(saetze_.size()); }
    bool Idle_aktiv() const;
    bool CAN_Port_offen() const;
    TCanport& CAN_Port() { return *canport_; }
    const QString& Dateiordner() const { return ordner_; }

    // The erase authorisation the boot loader checks, put together from its parts.
    static std::array<uint8_t, 4> Loeschcode();

private:
    void beginne();
    void Daten_angekommen();
    void auswerten();
    void beende_Programmierung(int keep);
    void Fehler(const QString& text, int keep);
    void pruefe_Sendefehler();
    void sende_Byte(uint8_t b);
    void sende_Telegramm_Ende();
    void sende_Telegramm(std::initializer_list<uint8_t> kopf, const uint8_t* daten = nullptr,
                         int n = 0);
    void sende_Kennungsanfrage();
    void sende_Loeschen();
    void sende_Ende();
    void sende_Datensatz(const tDatensatz& satz);
    void melde();
    void idle(bool an);
    void lade_Liste();

    cl_COM_Quorvel& link_;
    cl_Version& version_;
    Meldungen& meldungen_;
    Registry& registry_;
    std::unique_ptr<TCanport> canport_;
    std::unique_ptr<CAN_Packer> packer_;
    std::unique_ptr<QTimer> timer_;
    std::unique_ptr<QTimer> idle_;
    QString ordner_;
    Anzeige anzeige_;

    bool can_ = false;          // this dialogue runs on CAN
    bool besitzt_Link_ = false; // the link is in boot mode for this dialogue
    int zustand_ = 0;
    std::array<uint8_t, Puffergroesse> puffer_{};
    int anzahl_ = 0;
    uint8_t pruefsumme_ = 0;
    int satzindex_ = 0;
    int fortschrittszaehler_ = 0;
    int version_bl_ = 0;
    int item_ = 0;
    uint32_t seriennummer_ = 0;
    int ecu_typ_ = 0;
    int hersteller_ = 0;
    int typnummer_ = 0;
    tDatensatz kopf_;
    std::vector<tDatensatz> saetze_;
    uint32_t loeschparameter_ = 0;
    int antwortticks_ = 0;
    int erwartete_Sequenz_ = 0;
    bool sendefehler_ = false; // a write of this attempt did not go out
};
