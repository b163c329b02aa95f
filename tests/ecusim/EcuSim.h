#pragma once

#include "ecusim/CanTransport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
class CanKanal;

namespace ecusim {

class CAN_Entpacker;
class Wecker;

// What the simulated ECU can be told to get wrong, for its next answers.
enum class Fehler {
    Stille,             // no answer at all
    Spaet,              // the answer comes after Verzoegerung_ms
    FalscherBefehl,     // the answer carries another command byte
    FalschePruefsumme,  // the last byte does not make the frame sum to 0
    FalscheLaenge,      // one data byte more than the command answers, frame otherwise sound
    LaengeUnter3,       // a length byte of 0, then the rest of the answer
    Geteilt,            // the answer leaves byte by byte, a few milliseconds apart
    Streubytes,         // two stray bytes follow the answer after 100 ms
    KurzerBlock,        // a block read answer with 20 data bytes fewer than asked
    FalscheBlocknummer, // a new-format block answer numbered one too high
    ZuvieleBlockdaten,  // a new-format block whose count exceeds what the frame carries
    CAN_Sequenzluecke,  // the second CAN message of the answer skips a sequence number
    CAN_Datenlaenge,    // the answer's CAN messages have data length 7
};

enum class Richtung { zurECU, vonECU };

// One frame seen on the wire, as the ECU received or sent it.
struct Rahmen {
    Richtung richtung = Richtung::zurECU;
    QByteArray bytes;
    bool gueltig = true; // length and checksum right (for received frames)
    uint32_t can_id = 0; // identifier of the CAN messages that brought it, as on the bus

    uint8_t befehl() const { return bytes.size() > 1 ? static_cast<uint8_t>(bytes[1]) : 0; }
    // The data bytes between command and checksum.
    QByteArray daten() const {
        return bytes.size() >= 3 ? bytes.mid(2, bytes.size() - 3) : QByteArray();
    }
};

// The serial line as the program has set it on its side of the pseudo-terminal.
struct Leitungseinstellung {
    int baud = 0;
    int datenbits = 0;
    char paritaet = 'N'; // 'N', 'E' or 'O'
    int stoppbits = 0;
    bool operator==(const Leitungseinstellung&) const = default;
};

// Input that is not framed by a length byte (a boot loader's wake byte and access text).
// At every frame boundary `nimmt` is asked with the next byte; when it takes it, `lies` gets
// the input from there on and returns how many bytes it took (at least one).
struct Roheingang {
    std::function<bool(uint8_t erstes)> nimmt;
    std::function<qsizetype(const QByteArray& eingang)> lies;
};

// A frame [L][C][data][K] with L and K filled in.
QByteArray baue_Rahmen(uint8_t befehl, const QByteArray& daten);

// The simulated ECU: sits at the far end of a pseudo-terminal or on a CAN bus,
// checks every frame, answers by command from the state it keeps, runs the 100-byte block
// engine in both formats, records every frame and injects faults on request. Runs in the
// thread that creates it, driven by the event loop.
class EcuSim : public QObject {
    Q_OBJECT
public:
    EcuSim();
    ~EcuSim() override;

    // Opens a pseudo-terminal and serves its master side; the path of the slave side, or
    // empty when no pseudo-terminal could be made.
    QString oeffne_pty();
    // Joins a CAN bus through a Qt SerialBus plugin (Qt's virtual bus by default, interface
    // "tcp://127.0.0.1:PORT/can0"), receiving on the PC's send identifier and answering on
    // its receive identifier (both without the 29-bit mark). False when it could not join.
    bool oeffne_CAN(const QString& schnittstelle, uint32_t pcSendeId = 0x1FFFFFFE,
                    uint32_t pcEmpfangsId = 0x1FFFFFFF,
                    const QString& plugin = QStringLiteral("virtualcan"));
    // The same on a device that is on the bus already.
    bool oeffne_CAN(std::unique_ptr<CanKanal> kanal, uint32_t pcSendeId = 0x1FFFFFFE,
                    uint32_t pcEmpfangsId = 0x1FFFFFFF);
    void schliesse();

    // Sends every byte at the pace of the line: 11 bits a byte at `baud`; 0 = at once.
    void setze_Leitungstempo(int baud) { baud_ = baud; }
    // Bits a byte takes on the line for both paces: 11 for 8N2, 10 for 8N1.
    void setze_Bits_je_Byte(int bits) { bits_ = bits; }
    // The line settings of the program's side; nullopt on CAN or without a pseudo-terminal.
    std::optional<Leitungseinstellung> Leitung() const;
    // Takes a received frame only once its bytes would have crossed the line to the ECU,
    // 11 bits a byte at `baud`, as an ECU at the far end of a real wire does: a request is
    // answered no earlier than its own wire time after it was written. 0 = as it arrives.
    void setze_Eingangstempo(int baud) { eingangsBaud_ = baud; }

    // --- What the ECU answers ---------------------------------------------------------
    using Handler = std::function<std::optional<QByteArray>(const QByteArray& daten)>;
    // Whether a request is an area's own (told apart by its length, a map number, ...).
    using Annahme = std::function<bool(const QByteArray& daten)>;
    // Answer data for a command; nullopt answers nothing. Areas share a command: each
    // request goes to the handler registered last among those whose `nimmt` takes it (one
    // without `nimmt` takes every request), so an area that declines leaves the request to
    // the others, and a test's handler set after the areas comes first. `bereich` names the
    // one registering: its second handler for a command replaces its first. A request that
    // no handler takes goes unanswered.
    void setze_Handler(const void* bereich, uint8_t befehl, Handler h, Annahme nimmt = {});
    // A test's or a fixture's own handler: it replaces the last one set this way.
    void setze_Handler(uint8_t befehl, Handler h) { setze_Handler(nullptr, befehl, std::move(h)); }
    void setze_Antwort(uint8_t befehl, const QByteArray& daten);
    // The command is a block read of `quelle`, in the old or new block format. Its requests
    // go to the block engine before any handler; with `nimmt`, only those it takes.
    void setze_Blocklesen(uint8_t befehl, const QByteArray& quelle, bool neuesFormat,
                          Annahme nimmt = {});
    // The command is a block write in the given format; what arrives is in Blockdaten.
    void setze_Blockschreiben(uint8_t befehl, bool neuesFormat);
    QByteArray Blockdaten(uint8_t befehl) const;
    // What arrives on the write command is also what the read command answers from then on,
    // as an ECU keeps a map it was sent.
    void verbinde_Bloecke(uint8_t schreibbefehl, uint8_t lesebefehl);
    // Number of completed block writes of a command.
    int Blockschreibvorgaenge(uint8_t befehl) const;

    // The identity record (command 100, 66 bytes).
    QByteArray Identitaet;

    // Input outside frames goes here first (see Roheingang).
    void setze_Roheingang(Roheingang r) { roh_ = std::move(r); }
    // When set, a frame whose command it refuses goes unanswered (an ECU whose application
    // is gone answers only its boot loader's few requests).
    std::function<bool(uint8_t befehl)> nimmt_Befehl;
    // Bytes as they stand, to the pseudo-terminal at the line's pace or on CAN in messages
    // packed as `art` says; recorded as a frame sent.
    void sende_Bytes(const QByteArray& bytes, CAN_Packart art = {});

    // --- Faults -------------------------------------------------------------------------
    // The next `anzahl` answers (of command `befehl` only, when given) carry the fault.
    void injiziere(Fehler f, int anzahl = 1, std::optional<uint8_t> befehl = std::nullopt);
    void keine_Fehler() { fehler_.clear(); }
    int Verzoegerung_ms = 1000;
    // Answers nothing at all while set (a dropped link).
    bool stumm = false;

    // --- Record -------------------------------------------------------------------------
    const std::vector<Rahmen>& Protokoll() const { return protokoll_; }
    std::vector<Rahmen> empfangene() const;
    void leere_Protokoll() { protokoll_.clear(); }
    // Errors the ECU saw in what it received (bad checksum, CAN sequence, ...).
    int Empfangsfehler = 0;
    // Frames taken from the PC, and whether the last of them stays unanswered: a test then
    // need not wait for an answer that will not come.
    int Bearbeitet = 0;
    bool Zuletzt_stumm = false;
    // Every received frame goes to stderr as hex when set.
    bool ausgeben = false;

signals:
    void Rahmen_empfangen();

private:
    struct Geplant {
        Fehler fehler;
        int anzahl;
        std::optional<uint8_t> befehl;
    };
    struct Blockbefehl {
        bool lesen = true;
        bool neuesFormat = false;
        QByteArray daten;
        int vorgaenge = 0;
        Annahme nimmt;
        std::optional<uint8_t> liest_zurueck;
    };

    void lies_pty();
    void lies_CAN();
    void nimm_Bytes(const QByteArray& bytes);
    void bearbeite(const QByteArray& rahmen, uint32_t canId = 0);
    std::optional<QByteArray> antwort_auf(uint8_t befehl, const QByteArray& daten,
                                          std::optional<Fehler> fehler);
    std::optional<Fehler> naechster_Fehler(uint8_t befehl);
    void sende_Antwort(uint8_t befehl, QByteArray rahmen, std::optional<Fehler> fehler);
    void schreibe(const QByteArray& bytes);
    void schreibe_CAN(const QByteArray& rahmen, std::optional<Fehler> fehler);
    void leere_Ausgabe();
    void nimm_faellige_Rahmen();

    void lies_CAN_roh(const CanMsg& m);

    Roheingang roh_;
    QByteArray rohCAN_;
    bool rohCAN_offen_ = false;
    int rohCAN_Sequenz_ = 0;
    int bits_ = 11;
    int master_ = -1;
    int slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<CanKanal> can_;
    uint32_t canEmpfang_ = 0;
    uint32_t canSende_ = 0;
    std::unique_ptr<CAN_Entpacker> entpacker_;

    QByteArray eingang_;
    QElapsedTimer letztesByte_;
    // Frames that have reached the ECU's end of the pty but not yet its end of the line,
    // each with the time (ns, monotonic) its last byte crosses.
    struct Unterwegs {
        qint64 faellig;
        QByteArray rahmen;
    };
    std::deque<Unterwegs> unterwegs_;
    qint64 eingangFrei_ = 0; // when the line toward the ECU is free again
    std::unique_ptr<Wecker> eingangsWecker_;
    int eingangsBaud_ = 0;
    QByteArray ausgang_;
    // Line-paced output wakes at the very time its next bytes are due: a millisecond
    // timer would add up to a millisecond to every answer.
    std::unique_ptr<Wecker> ausgabeWecker_;
    qint64 ausgabeStart_ = 0;
    // While a paced request is handled: the time its last byte crossed the line.
    qint64 antwortAb_ = 0;
    qint64 ausgabeGesendet_ = 0;
    int baud_ = 0;

    struct Eintrag {
        const void* bereich;
        Annahme nimmt;
        Handler handler;
    };
    // Per command in the order of registration; asked from the back.
    std::map<uint8_t, std::vector<Eintrag>> handler_;
    std::map<uint8_t, Blockbefehl> bloecke_;
    std::deque<Geplant> fehler_;
    std::vector<Rahmen> protokoll_;
};

} // namespace ecusim
