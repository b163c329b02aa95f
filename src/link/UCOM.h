#pragma once

#include "platform/NTCAN.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

class TSerComPort;
class TSerCustomComPort;
class TCanport;
class CAN_Packer;
class QFile;
class Registry;
class Meldungen;

// The setup window's CAN values the link reads when it selects its port.
struct CAN_Setup {
    uint32_t Sende_Identifier = 0x1FFFFFFE;
    uint32_t Empfangs_Identifier = 0x1FFFFFFF;
    int Baudrate_Index = 1;
};

// The lower half of the one ECU link: port selection, the frame writer and receiver over
// a serial port or CAN, the 100-byte block transfers and the link trace "TRACE.DAT".
// It decides nothing about what is sent when; the scheduler above it polls its flags.
class clCOM {
public:
    static constexpr int Puffergroesse = 256;
    static constexpr int Blockpuffergroesse = 2000;
    static constexpr int Blockgroesse = 100;

    using Empfangsroutine = std::function<void(const QByteArray& bytes)>;

    // Creates the serial port and the CAN port, empties "TRACE.DAT" in the current folder
    // and selects the stored port (COM_Nr) without saving it. The link starts disabled.
    // The registry keeps the port number and names the CAN adapter; what the user must be
    // told goes to meldungen. Both outlive the link.
    clCOM(Registry& registry, Meldungen& meldungen);
    virtual ~clCOM();
    clCOM(const clCOM&) = delete;
    clCOM& operator=(const clCOM&) = delete;

    // --- Port and mode ---------------------------------------------------------------
    // port 0 = CAN, 44 = COM4 in fast mode (RS485, 57600 baud 8N1), n = COMn.
    void waehle_Port(int port, bool oeffnen, bool speichern);
    void setze_aktiv(bool an);
    // Whether COMn (or CAN for 0) can be opened; the serial port is left closed.
    bool Port_testen(int n);
    void speichere_COM_Nr(int n);
    // The bit-rate code of the setup's CAN speed, for every CAN port of the program.
    int lies_CAN_Baudrate() const;
    // Hands raw serial input to another receiver (boot loader dialogue) at 57600 baud 8N1,
    // after both directions of the port were emptied. On CAN the link's own receiver is left
    // alone: the boot loader's replies reach the dialogue on its own CAN port, and the
    // link's suspended tick only drains its handle (lies_CAN_verwerfen).
    void setze_Empfaenger(Empfangsroutine routine);
    void Normalbetrieb();

    // The setup window's CAN values; nullopt while there is no setup window. The link
    // object above overrides this to read the setup window; the default returns what
    // setze_CAN_Setup stored.
    virtual std::optional<CAN_Setup> hole_CAN_Setup() const;
    void setze_CAN_Setup(std::optional<CAN_Setup> setup);

    // --- Writing ---------------------------------------------------------------------
    void sende_Telegramm(uint8_t befehl, int n, const uint8_t* daten);
    void sende_Anfrage(uint8_t befehl, int n, bool inBloecken, const uint8_t* daten);
    void starte_Blockempfang(uint8_t befehl, int n, const uint8_t* daten, bool neuesFormat,
                             int antwortlaenge);
    void sende_Byte(uint8_t b);
    // As sende_Byte for each byte, but on the serial port in one write: a frame queued byte
    // by byte reaches the line in pieces, each a hand-over to the port's write thread.
    // False when a write of these bytes failed (the scheduler sees it as a failed exchange;
    // a writer without a reply time-out must look at it).
    bool sende_Bytes(std::span<const uint8_t> bytes);
    // False when the last CAN message could not be written.
    bool sende_CAN_Rest();
    // A whole frame (length, command, data, checksum) of at most 252 data bytes, outside
    // any exchange: false when a write of it failed.
    bool sende_Rahmen(uint8_t befehl, std::span<const uint8_t> daten);
    // One raw byte to the serial port, outside any frame: the checksum is left alone. False
    // when the write failed.
    bool sende_seriell(uint8_t b);
    void abbrechen();
    // The running checksum of the frame being written (the boot loader's writer resets it
    // and sends its two's complement).
    void setze_Pruefsumme(uint8_t wert) { Pruefsumme = wert; }
    uint8_t hole_Pruefsumme() const { return Pruefsumme; }

    // --- Reading ---------------------------------------------------------------------
    // The serial port's data-available event: reads exactly count bytes.
    void ComPortTriggerAvail(TSerCustomComPort& port, uint16_t count);
    void lies_CAN();
    // Takes every waiting message off the link's CAN handle unread: while another writer
    // owns the net (the boot loader dialogue) its replies are not the link's frames.
    void lies_CAN_verwerfen();
    // The frame receiver. An answer that carries the command of an exchange that ended
    // without its answer (timed out or stopped) and arrives during the next exchange is
    // skipped, and the wait goes on.
    void empfange(const QByteArray& bytes);
    bool wartet() const { return Warten; }
    bool pruefe_Antwort(int& warteTicks);
    // Takes a complete answer over into a request's buffer of puffergroesse bytes; laenge is
    // the expected length in, the bytes delivered out (a block read may end early).
    bool hole_Antwort(uint8_t befehl, int& laenge, uint8_t* puffer, int puffergroesse);
    bool hole_Antwort(uint8_t befehl, int& laenge, uint8_t* puffer) {
        return hole_Antwort(befehl, laenge, puffer, laenge);
    }
    // Receive count 0; unless a block transfer runs, waiting off; error, complete off.
    void Reset_Empfang();

    // --- State the scheduler and the windows read ---------------------------------------
    bool ist_enabled() const { return Enabled; }
    bool ist_Port_offen() const { return Port_offen; }
    bool Empfangsfehler() const { return Fehler; }
    void setze_Empfangsfehler(bool f) { Fehler = f; }
    bool ist_komplett() const { return Komplett; }
    bool ist_CAN_Modus() const { return CAN_Modus; }
    // The CAN port is being opened (its wait runs the event loop): the scheduler's tick
    // and every port change stay out meanwhile.
    bool oeffnet_CAN() const { return CAN_oeffnet_; }
    bool ist_Fast_Modus() const { return Fast_Modus; }
    bool ist_eigener_Empfang() const { return Eigener_Empfang; }
    bool Blockempfang_aktiv() const { return Blockempfang; }
    bool Blocksenden_aktiv() const { return Blocksenden; }
    bool neues_Blockformat() const { return Neues_Blockformat; }
    int Anzahl_empfangen() const { return Bytes_empfangen; }
    int Empfangszaehler() const { return Anzahl; }
    const uint8_t* Empfangspuffer() const { return Puffer.data(); }
    const uint8_t* Blockpuffer() const { return Block_Puffer.data(); }

    TSerComPort& Port() { return *Serport; }
    Registry& registry() const { return registry_; }
    Meldungen& meldungen() const { return meldungen_; }
    TCanport& CAN_Port() { return *Canport; }

    // Writes one line to "TRACE.DAT"; a failure is ignored. Past a few megabytes the file
    // starts afresh, so that the wait line of every tick cannot fill the disk.
    void Trace(const QString& zeile);
    // A line already in the file's code page, without its line end.
    void Trace_Zeile(QByteArray zeile);
    // The local time of day, "HH:mm:ss,zzz".
    QString Zeitstempel() const;
    QByteArray Zeitstempel_Bytes() const;
    qint64 Trace_Grenze = 4 * 1024 * 1024;

protected:
    void sende_naechsten_Block();
    void fordere_naechsten_Block_an(int n, const uint8_t* daten);
    void uebernimm_Block();
    void ueberspringe_spaete_Antwort();
    bool oeffne_CAN();
    bool Portwechsel_gesperrt() const;
    bool Testmodus() const;
    // 8 data bits, no parity; the baud rate and stop bits of the mode.
    void setze_Leitung(int baud, int stoppbits);
    void beende_Block();
    void verweigere(uint8_t befehl);
    // Whether the serial port hands received bytes over only when the owner's tick polls it.
    void passe_Zustellung_an();
    // Traced and queued at once; a failed write fails the exchange and gives false.
    bool schreibe_seriell(const QByteArray& bytes);

    bool Enabled = false;
    std::array<uint8_t, Puffergroesse> Puffer{};
    int Anzahl = 0;
    uint8_t Befehl = 0;
    bool Warten = false;
    bool Fehler = false;
    bool Komplett = false;
    bool Port_offen = false;
    bool Blockempfang = false;
    bool Blocksenden = false;
    int Blockindex = -1;
    int Blockanzahl = 0;
    uint8_t Blockbefehl = 0;
    int Blocklaenge_letzter = 0;
    std::array<uint8_t, Blockpuffergroesse> Block_Puffer{};
    int Bytes_empfangen = 0;
    bool Abbruch = false;
    Empfangsroutine Empfaenger;
    std::unique_ptr<TSerComPort> Serport;
    bool Eigener_Empfang = false;
    bool Fast_Modus = false;
    bool CAN_Modus = false;
    std::unique_ptr<TCanport> Canport;
    uint8_t Pruefsumme = 0;
    std::unique_ptr<CAN_Packer> Packer;
    // A message of the packer that did not go out since the flag was last cleared.
    bool CAN_Sendefehler_ = false;
    int CAN_Empfangssequenz = 0;
    bool Neues_Blockformat = false;
    // The owner's tick polls the port and looks at answers only then.
    bool Takt_liest_ = false;

private:
    Registry& registry_;
    Meldungen& meldungen_;
    std::optional<CAN_Setup> CAN_Einstellungen_;
    bool CAN_oeffnet_ = false;
    // Command of the exchange that ended without its answer; bytes of its late answer
    // still to skip.
    std::optional<uint8_t> Spaete_Antwort_;
    int Ueberspringen_ = 0;
    std::unique_ptr<QFile> Tracedatei_;
    // The offset of local time from UTC, looked up again at the next full minute: the wait
    // line comes every tick, and each lookup of the zone asks the file system.
    mutable qint64 Zonenversatz_bis_ms_ = 0;
    mutable qint64 Zonenversatz_ms_ = 0;
};
