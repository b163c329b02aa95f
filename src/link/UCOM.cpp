#include "link/UCOM.h"

#include "base/BaseLog.h"
#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/CanPort.h"
#include "link/LinkLog.h"
#include "platform/Dateien.h"
#include "platform/Registry.h"
#include "serial/SerPort.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <stdexcept>

namespace {

QString rechts(qint64 wert, int breite) {
    return QString::number(wert).rightJustified(breite, u' ');
}

QString wahr(bool wert, int breite) {
    return QString::fromLatin1(wert ? "TRUE" : "FALSE").rightJustified(breite, u' ');
}

QString hex_Bytes(const QByteArray& bytes) {
    QString s;
    for (char c : bytes)
        s += QStringLiteral("[%1] ").arg(static_cast<uint8_t>(c), 2, 16, QChar(u' ')).toUpper();
    return s;
}

constexpr int Baud_normal = 19200;
constexpr int Baud_schnell = 57600;
constexpr int Max_Daten = 252; // L = n + 3 must fit its byte

} // namespace

clCOM::clCOM(Registry& registry, Meldungen& meldungen)
    : Serport(std::make_unique<TSerComPort>()), Canport(std::make_unique<TCanport>(0, registry)),
      Packer(std::make_unique<CAN_Packer>([this](const CAN_Packer::Nachricht& n) {
          // The link's own exchanges see a lost message as a missing answer; the boot loader
          // dialogue, which waits without a time-out, asks for it.
          const std::optional<CAN_Setup> s = hole_CAN_Setup();
          if (!s || !Canport->Write(static_cast<int32_t>(s->Sende_Identifier + CAN_29_Bit), 8, n))
              CAN_Sendefehler_ = true;
      })),
      registry_(registry), meldungen_(meldungen) {
    Empfaenger = [this](const QByteArray& bytes) { empfange(bytes); };
    Serport->SetOnTriggerAvail(
        [this](TSerCustomComPort& port, uint16_t count) { ComPortTriggerAvail(port, count); });
    Reset_Empfang();
    Tracedatei_ = std::make_unique<QFile>(QDir::current().filePath(QStringLiteral("TRACE.DAT")));
    // Unbuffered: each line reaches the system in one write, so a crash of the tool loses
    // no line, and no flush per line is needed.
    if (!Tracedatei_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        Tracedatei_.reset();
    waehle_Port(glob().COM_Nr, true, false);
}

clCOM::~clCOM() {
    if (Tracedatei_)
        Tracedatei_->close();
}

bool clCOM::Testmodus() const {
    return glob().Testmodus;
}

// --- Trace ----------------------------------------------------------------------------

QString clCOM::Zeitstempel() const {
    return QString::fromLatin1(Zeitstempel_Bytes());
}

QByteArray clCOM::Zeitstempel_Bytes() const {
    constexpr qint64 Minute = 60 * 1000;
    constexpr qint64 Tag = 24 * 60 * Minute;
    const qint64 jetzt = QDateTime::currentMSecsSinceEpoch();
    // Zones change their offset only at full minutes.
    if (jetzt >= Zonenversatz_bis_ms_) {
        Zonenversatz_ms_ = QDateTime::fromMSecsSinceEpoch(jetzt).offsetFromUtc() * qint64{1000};
        Zonenversatz_bis_ms_ = jetzt - jetzt % Minute + Minute;
    }
    const qint64 ms = ((jetzt + Zonenversatz_ms_) % Tag + Tag) % Tag;
    // Written by hand: the wait line takes a time stamp every tick, and a formatter costs
    // more than the rest of the tick's work.
    const auto zwei = [](char* z, int v) {
        z[0] = static_cast<char>('0' + v / 10);
        z[1] = static_cast<char>('0' + v % 10);
    };
    char t[] = "00:00:00,000";
    zwei(t, static_cast<int>(ms / 3600000));
    zwei(t + 3, static_cast<int>(ms / 60000 % 60));
    zwei(t + 6, static_cast<int>(ms / 1000 % 60));
    const int milli = static_cast<int>(ms % 1000);
    t[9] = static_cast<char>('0' + milli / 100);
    zwei(t + 10, milli % 100);
    return QByteArray(t, sizeof t - 1);
}

void clCOM::Trace(const QString& zeile) {
    if (Tracedatei_)
        Trace_Zeile(Dateien::zu_1252(zeile));
}

void clCOM::Trace_Zeile(QByteArray zeile) {
    if (!Tracedatei_)
        return;
    // Only ever appended to, so the position is the size: no look at the file system on
    // each line (the wait line comes every scheduler tick).
    if (Tracedatei_->pos() > Trace_Grenze) {
        Tracedatei_->resize(0);
        Tracedatei_->seek(0);
    }
    zeile += "\r\n";
    Tracedatei_->write(zeile);
}

// --- Port and mode ----------------------------------------------------------------------

std::optional<CAN_Setup> clCOM::hole_CAN_Setup() const {
    return CAN_Einstellungen_;
}

void clCOM::setze_CAN_Setup(std::optional<CAN_Setup> setup) {
    CAN_Einstellungen_ = setup;
}

int clCOM::lies_CAN_Baudrate() const {
    const std::optional<CAN_Setup> s = hole_CAN_Setup();
    return CAN_Baudcode(s ? std::optional<int>(s->Baudrate_Index) : std::nullopt);
}

bool clCOM::oeffne_CAN() {
    Canport->Close();
    // Opening waits for the device in a nested event loop; the flag keeps the tick and any
    // other port change out of the port until the open is decided.
    CAN_oeffnet_ = true;
    const bool offen =
        Canport->Open(static_cast<uint32_t>(lies_CAN_Baudrate()), 100, 100, 100, 100);
    CAN_oeffnet_ = false;
    if (!offen)
        return false;
    if (const std::optional<CAN_Setup> s = hole_CAN_Setup())
        Canport->IdAdd(static_cast<int32_t>(s->Empfangs_Identifier + CAN_29_Bit));
    CAN_Empfangssequenz = 0;
    return true;
}

bool clCOM::Portwechsel_gesperrt() const {
    if (CAN_oeffnet_)
        qCDebug(lcLink) << "port change while the CAN port is being opened: ignored";
    return CAN_oeffnet_;
}

void clCOM::waehle_Port(int port, bool oeffnen, bool speichern) {
    if (Portwechsel_gesperrt())
        return;
    try {
        Serport->SetOpen(false);
    } catch (...) {
        qCDebug(lcLink) << "closing the serial port before a port change failed:" << Ausnahmetext();
    }
    try {
        if (port == 0) {
            Fast_Modus = false;
            CAN_Modus = true;
            if (!oeffne_CAN()) {
                // Neither port is open now: nothing may look connected.
                Port_offen = false;
                Enabled = false;
                meldungen_.zeige(QStringLiteral("Fehler beim öffnen der CAN-Schnittstelle"));
                return;
            }
        } else {
            Fast_Modus = port == 44;
            CAN_Modus = false;
            // A stored number beyond the port numbers names no port (cut to 16 bits it
            // would name another one).
            if (port < 0 || port > 0xFFFF)
                throw std::out_of_range("no such port");
            Serport->SetComNumber(static_cast<uint16_t>(Fast_Modus ? 4 : port));
            Normalbetrieb();
            Serport->SetOpen(oeffnen);
        }
        Port_offen = true;
    } catch (...) {
        qCDebug(lcLink) << "port" << port << "could not be opened:" << Ausnahmetext();
        // No such port, or in use: the serial port stays closed and the link off.
        Port_offen = false;
        Enabled = false;
        return;
    }
    if (speichern)
        speichere_COM_Nr(port);
}

void clCOM::setze_aktiv(bool an) {
    if (Portwechsel_gesperrt())
        return;
    if (CAN_Modus) {
        Canport->Close();
        if (an) {
            if (!oeffne_CAN()) {
                // The port is closed now: nothing may look connected.
                Port_offen = false;
                Enabled = false;
                return;
            }
            // Open now, even when the earlier selection failed: else nothing would be
            // sent while the link shows itself connected.
            Port_offen = true;
        }
        Enabled = an;
        return;
    }
    try {
        if (Serport->Open() != an)
            Serport->SetOpen(an);
        Enabled = an;
        Port_offen = an;
    } catch (...) {
        qCDebug(lcLink) << "switching the serial port failed:" << Ausnahmetext();
        Port_offen = false;
        Enabled = false;
    }
}

bool clCOM::Port_testen(int n) {
    if (Portwechsel_gesperrt())
        return false;
    if (n == 0) {
        Canport->Close();
        CAN_oeffnet_ = true;
        const bool ok = Canport->Open(2, 100, 100, 100, 100);
        CAN_oeffnet_ = false;
        Canport->Close();
        return ok;
    }
    if (n < 0 || n > 0xFFFF)
        return false;
    const uint16_t vorher = Serport->ComNumber();
    bool ok = false;
    try {
        Serport->SetOpen(false);
        Serport->SetComNumber(static_cast<uint16_t>(n));
        Serport->SetOpen(true);
        Serport->SetOpen(false);
        ok = true;
    } catch (...) {
        qCDebug(lcLink) << "port" << n << "failed its test:" << Ausnahmetext();
        ok = false;
    }
    try {
        Serport->SetOpen(false);
        Serport->SetComNumber(vorher);
    } catch (...) {
        qCDebug(lcLink) << "closing the port after its test failed:" << Ausnahmetext();
    }
    return ok;
}

void clCOM::speichere_COM_Nr(int n) {
    if (!registry_.writeInteger(QStringLiteral("COM_Nr"), n))
        meldungen_.zeige(registry_.Schreibfehler(QStringLiteral("\"COM_Nr\"")));
}

void clCOM::setze_Leitung(int baud, int stoppbits) {
    // A refused setting ends the change here; the exchanges that follow show the fault.
    try {
        Serport->SetBaud(baud);
        Serport->SetStopBits(stoppbits);
        Serport->SetParity(TParity::pNone);
        Serport->SetDataBits(8);
    } catch (...) {
        qCDebug(lcLink) << "line setting refused:" << Ausnahmetext();
    }
}

void clCOM::setze_Empfaenger(Empfangsroutine routine) {
    try {
        Serport->FlushInBuffer();
        Serport->FlushOutBuffer();
    } catch (...) {
        qCDebug(lcLink) << "flushing the serial port failed:" << Ausnahmetext();
    }
    Anzahl = 0;
    setze_Leitung(Baud_schnell, 1);
    Empfaenger = std::move(routine);
    Eigener_Empfang = true;
    Reset_Empfang();
    passe_Zustellung_an();
}

void clCOM::Normalbetrieb() {
    Anzahl = 0;
    Spaete_Antwort_.reset();
    Ueberspringen_ = 0;
    setze_Leitung(Fast_Modus ? Baud_schnell : Baud_normal, Fast_Modus ? 1 : 2);
    Empfaenger = [this](const QByteArray& bytes) { empfange(bytes); };
    Eigener_Empfang = false;
    Reset_Empfang();
    passe_Zustellung_an();
}

// --- Writing ----------------------------------------------------------------------------

void clCOM::Reset_Empfang() {
    Anzahl = 0;
    if (!Blockempfang && !Blocksenden)
        Warten = false;
    Fehler = false;
    Komplett = false;
    Befehl = 0;
}

void clCOM::beende_Block() {
    Blockempfang = false;
    Blocksenden = false;
    Blockanzahl = 0;
    passe_Zustellung_an();
}

void clCOM::passe_Zustellung_an() {
    // A frame is looked at only at the owner's tick, so its bytes may wait in the device
    // for it instead of waking the GUI thread for every few of them as they come. A block
    // transfer answers each block as it arrives, and a receiver of its own (the boot loader
    // dialogue) each reply: they take the bytes at once.
    Serport->SetDeliverOnPoll(Takt_liest_ && !Eigener_Empfang && !Blockempfang && !Blocksenden);
}

void clCOM::verweigere(uint8_t befehl) {
    // A request the link cannot carry fails like an exchange without answer.
    beende_Block();
    Reset_Empfang();
    Warten = true;
    Befehl = befehl;
    Fehler = true;
}

void clCOM::sende_Telegramm(uint8_t befehl, int n, const uint8_t* daten) {
    if (!Port_offen || !Enabled)
        return;
    if (n < 0 || n > Max_Daten || (n > 0 && !daten)) {
        verweigere(befehl);
        return;
    }
    Packer->neu();
    Pruefsumme = 0;
    Abbruch = false;
    Ueberspringen_ = 0;
    Reset_Empfang();
    Warten = true;
    Befehl = befehl;
    sende_Rahmen(befehl, std::span<const uint8_t>(daten, static_cast<size_t>(n)));
}

bool clCOM::sende_Rahmen(uint8_t befehl, std::span<const uint8_t> daten) {
    // The frame goes out in one write: on a serial line the writer then wakes once, not
    // for every byte.
    std::array<uint8_t, Max_Daten + 3> rahmen{};
    const size_t n = std::min(daten.size(), static_cast<size_t>(Max_Daten));
    rahmen[0] = static_cast<uint8_t>(n + 3);
    rahmen[1] = befehl;
    std::copy_n(daten.begin(), n, rahmen.begin() + 2);
    uint8_t summe = 0;
    for (size_t i = 0; i < n + 2; ++i)
        summe = static_cast<uint8_t>(summe + rahmen[i]);
    rahmen[n + 2] = static_cast<uint8_t>(-summe);
    Pruefsumme = 0;
    // Both always: on CAN the telegram is closed even after a failed message.
    const bool gesendet = sende_Bytes(std::span<const uint8_t>(rahmen.data(), n + 3));
    return sende_CAN_Rest() && gesendet;
}

void clCOM::sende_Anfrage(uint8_t befehl, int n, bool inBloecken, const uint8_t* daten) {
    if (!inBloecken) {
        beende_Block();
        sende_Telegramm(befehl, n, daten);
        return;
    }
    if (!Port_offen || !Enabled)
        return;
    if (n < 0 || n > Blockpuffergroesse || (n > 0 && !daten)) {
        verweigere(befehl);
        return;
    }
    std::copy_n(daten, n, Block_Puffer.begin());
    Blockbefehl = befehl;
    Blockanzahl = (n - 1) / Blockgroesse + 1;
    Blocklaenge_letzter = n - (Blockanzahl - 1) * Blockgroesse;
    Bytes_empfangen = 0;
    Blockindex = -1;
    Blockempfang = false;
    Blocksenden = true;
    passe_Zustellung_an();
    sende_naechsten_Block();
}

void clCOM::sende_naechsten_Block() {
    if (Blockindex >= Blockanzahl)
        return;
    ++Blockindex;
    const bool letzter = Blockindex >= Blockanzahl - 1;
    int anzahl = Blockgroesse;
    if (Blockindex == Blockanzahl)
        anzahl = 0;
    else if (Blockindex == Blockanzahl - 1)
        anzahl = Blocklaenge_letzter;
    std::array<uint8_t, Blockgroesse + 2> d{};
    d[0] = static_cast<uint8_t>(Blockindex + (Neues_Blockformat && letzter ? 128 : 0));
    d[1] = static_cast<uint8_t>(anzahl);
    std::copy_n(Block_Puffer.begin() + Blockindex * Blockgroesse, anzahl, d.begin() + 2);
    sende_Telegramm(Blockbefehl, anzahl + 2, d.data());
}

void clCOM::starte_Blockempfang(uint8_t befehl, int n, const uint8_t* daten, bool neuesFormat,
                                int antwortlaenge) {
    if (!Port_offen || !Enabled)
        return;
    Blockbefehl = befehl;
    if (antwortlaenge < 0 || antwortlaenge > Blockpuffergroesse || n < 0 || n > Max_Daten - 4 ||
        (n > 0 && !daten)) {
        verweigere(befehl);
        return;
    }
    Blockanzahl = (antwortlaenge - 1) / Blockgroesse + 1;
    Blocklaenge_letzter = antwortlaenge - (Blockanzahl - 1) * Blockgroesse;
    if (Testmodus())
        Trace(QStringLiteral("Anz. Blöcke empfangen") + rechts(antwortlaenge, 10) +
              rechts(Blockanzahl, 5) + rechts(befehl, 5));
    Neues_Blockformat = neuesFormat;
    Blockindex = -1;
    Bytes_empfangen = 0;
    Blocksenden = false;
    Blockempfang = true;
    passe_Zustellung_an();
    fordere_naechsten_Block_an(n, daten);
}

void clCOM::fordere_naechsten_Block_an(int n, const uint8_t* daten) {
    ++Blockindex;
    if (Blockindex >= Blockanzahl)
        return;
    const int anzahl = Blockindex == Blockanzahl - 1 ? Blocklaenge_letzter : Blockgroesse;
    std::array<uint8_t, Max_Daten> d{};
    int laenge = 0;
    if (Neues_Blockformat) {
        d[0] = static_cast<uint8_t>(Blockindex + 128);
        d[1] = static_cast<uint8_t>(n);
        d[2] = static_cast<uint8_t>(Blockindex);
        d[3] = Blockgroesse;
        laenge = 4;
    } else {
        d[0] = static_cast<uint8_t>(Blockindex);
        d[1] = static_cast<uint8_t>(anzahl);
        laenge = 2;
    }
    if (n > 0)
        std::copy_n(daten, n, d.begin() + laenge);
    sende_Telegramm(Blockbefehl, laenge + n, d.data());
}

void clCOM::sende_Byte(uint8_t b) {
    Pruefsumme = static_cast<uint8_t>(Pruefsumme + b);
    if (!CAN_Modus) {
        sende_seriell(b);
        return;
    }
    Packer->Byte(b);
}

bool clCOM::sende_Bytes(std::span<const uint8_t> bytes) {
    if (CAN_Modus) {
        CAN_Sendefehler_ = false;
        for (uint8_t b : bytes)
            sende_Byte(b);
        return !CAN_Sendefehler_;
    }
    for (uint8_t b : bytes)
        Pruefsumme = static_cast<uint8_t>(Pruefsumme + b);
    return schreibe_seriell(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<qsizetype>(bytes.size())));
}

bool clCOM::sende_CAN_Rest() {
    CAN_Sendefehler_ = false;
    Packer->Ende();
    return !CAN_Sendefehler_;
}

bool clCOM::sende_seriell(uint8_t b) {
    return schreibe_seriell(QByteArray(1, static_cast<char>(b)));
}

bool clCOM::schreibe_seriell(const QByteArray& bytes) {
    // A line for each byte, however many go out in one write.
    if (Testmodus())
        for (char b : bytes)
            Trace(Zeitstempel() + QStringLiteral(" transmit:  ") + hex_Bytes(QByteArray(1, b)));
    try {
        Serport->PutString(bytes);
        return true;
    } catch (...) {
        qCDebug(lcLink) << "writing to the serial port failed:" << Ausnahmetext();
        // A failed or vanished port: the exchange fails and the scheduler counts it.
        Fehler = true;
        return false;
    }
}

void clCOM::abbrechen() {
    // Its answer may still come, during the next exchange.
    if (Warten)
        Spaete_Antwort_ = Befehl;
    Warten = false;
    Abbruch = true;
}

// --- Reading ----------------------------------------------------------------------------

void clCOM::ComPortTriggerAvail(TSerCustomComPort& port, uint16_t count) {
    if (!Port_offen)
        return;
    QByteArray s;
    s.reserve(count);
    try {
        for (int i = 0; i < count; ++i)
            s.append(static_cast<char>(port.GetChar()));
    } catch (...) {
        qCDebug(lcLink) << "reading the announced bytes failed:" << Ausnahmetext();
        // Fewer bytes than announced: hand on what came.
    }
    if (Testmodus())
        Trace(Zeitstempel() + QStringLiteral(" receive:  ") + hex_Bytes(s));
    if (Empfaenger) {
        try {
            Empfaenger(s);
        } catch (...) {
            qCDebug(lcLink) << "the receiver failed:" << Ausnahmetext();
        }
    }
}

void clCOM::lies_CAN() {
    for (;;) {
        const std::optional<CAN_Setup> s = hole_CAN_Setup();
        if (!s)
            return;
        int32_t id = 0;
        uint8_t laenge = 0;
        std::array<uint8_t, 8> d{};
        if (!Canport->Take(id, laenge, d))
            return;
        if (id != static_cast<int32_t>(s->Empfangs_Identifier + CAN_29_Bit))
            continue;
        if (laenge != 8 || d[1] >= 7) {
            Fehler = true;
            return;
        }
        const int sequenz = d[0] & 0x7F;
        if (sequenz == 0) {
            CAN_Empfangssequenz = 0;
            // A new frame begins: whatever was left of a late answer is not coming.
            Ueberspringen_ = 0;
        } else if (sequenz == CAN_Empfangssequenz + 1) {
            CAN_Empfangssequenz = sequenz;
        } else {
            Fehler = true;
            return;
        }
        empfange(QByteArray(reinterpret_cast<const char*>(d.data()) + 2, d[1]));
    }
}

void clCOM::lies_CAN_verwerfen() {
    int32_t id = 0;
    uint8_t laenge = 0;
    std::array<uint8_t, 8> d{};
    while (Canport->Take(id, laenge, d)) {
    }
    // Whatever comes next starts afresh.
    CAN_Empfangssequenz = 0;
}

void clCOM::empfange(const QByteArray& eingang) {
    if (!Port_offen)
        return;
    if (eingang.isEmpty()) {
        if (Testmodus())
            Trace(QStringLiteral("abgebrochen 0"));
        return;
    }
    QByteArray bytes = eingang;
    if (Ueberspringen_ > 0) {
        const int n = std::min(Ueberspringen_, static_cast<int>(bytes.size()));
        Ueberspringen_ -= n;
        bytes.remove(0, n);
        if (bytes.isEmpty())
            return;
    }
    if (Anzahl + bytes.size() >= Puffergroesse) {
        if (Testmodus())
            Trace(QStringLiteral("abgebrochen 1"));
        // The frame is lost: fail the exchange and read the next frame from its start.
        Anzahl = 0;
        Fehler = true;
        return;
    }
    std::copy(bytes.begin(), bytes.end(), Puffer.begin() + Anzahl);
    Anzahl += static_cast<int>(bytes.size());

    if (!Warten || Abbruch) {
        if (Testmodus())
            Trace(QStringLiteral("abgebrochen 2") + wahr(Abbruch, 10) + wahr(Warten, 10) +
                  rechts(Anzahl, 10) + rechts(Befehl, 10));
        Abbruch = false;
        Reset_Empfang();
        Fehler = true;
        return;
    }
    if (Enabled && Anzahl > 1 && Puffer[1] != Befehl && Spaete_Antwort_ == Puffer[1] &&
        Puffer[0] >= 3) {
        ueberspringe_spaete_Antwort();
        return;
    }
    if (!Enabled || (Anzahl > 1 && Puffer[1] != Befehl)) {
        Reset_Empfang();
        if (Testmodus())
            Trace(QStringLiteral("Fehler 2"));
        Fehler = true;
        return;
    }
    const int L = Puffer[0];
    if (L < 3) {
        // No frame is shorter than length, command and checksum.
        if (Testmodus())
            Trace(QStringLiteral("Fehler 3 ") + QString::number(L));
        Reset_Empfang();
        Fehler = true;
        return;
    }
    if (Anzahl < L)
        return;
    uint8_t summe = 0;
    for (int i = 0; i < L; ++i)
        summe = static_cast<uint8_t>(summe + Puffer[i]);
    if (summe != 0) {
        if (Testmodus())
            Trace(QStringLiteral("Fehler 3 ") + QString::number(L));
        Fehler = true;
        return;
    }
    // Bytes trailing a frame already taken over must not take its block over a second time.
    if (Komplett)
        return;
    if (Blockanzahl < 1) {
        Komplett = true;
        return;
    }
    if (Blocksenden) {
        const int ende = Neues_Blockformat ? Blockanzahl - 1 : Blockanzahl;
        if (Blockindex >= ende) {
            Komplett = true;
            Blocksenden = false;
        } else {
            sende_naechsten_Block();
        }
        return;
    }
    if (Blockempfang)
        uebernimm_Block();
}

void clCOM::ueberspringe_spaete_Antwort() {
    // The answer to the exchange before, which ended without it: exactly its L bytes go,
    // and the wait for this exchange's answer goes on as if they had not come.
    const int L = Puffer[0];
    qCDebug(lcLink) << "late answer of command" << Puffer[1] << "skipped," << L << "bytes";
    Spaete_Antwort_.reset();
    const QByteArray rest =
        Anzahl > L ? QByteArray(reinterpret_cast<const char*>(Puffer.data()) + L, Anzahl - L)
                   : QByteArray();
    Ueberspringen_ = std::max(0, L - Anzahl);
    Anzahl = 0;
    if (!rest.isEmpty())
        empfange(rest);
}

void clCOM::uebernimm_Block() {
    const int L = Puffer[0];
    const uint8_t* daten = Puffer.data() + 2;
    const int datenlaenge = L - 3;
    if (!Neues_Blockformat) {
        const int position = Blockindex * Blockgroesse;
        if (position + datenlaenge > Blockpuffergroesse) {
            Fehler = true;
            return;
        }
        std::copy_n(daten, datenlaenge, Block_Puffer.begin() + position);
        Bytes_empfangen = position + datenlaenge;
        if (Blockindex >= Blockanzahl - 1) {
            Komplett = true;
            return;
        }
        if (datenlaenge != Blockgroesse)
            --Blockindex;
        fordere_naechsten_Block_an(0, nullptr);
        return;
    }
    if (datenlaenge < 2) {
        Fehler = true;
        return;
    }
    const int nummer = daten[0];
    const int anzahl = daten[1];
    const bool letzter = (nummer & 0x80) != 0;
    if (anzahl > datenlaenge - 2) {
        Fehler = true;
        return;
    }
    if ((nummer & 0x7F) != Blockindex) {
        // Asked again; what a wrongly numbered block brought is not kept, and it neither
        // restarts nor ends the read.
        --Blockindex;
        fordere_naechsten_Block_an(0, nullptr);
        return;
    }
    if (nummer == 0)
        Bytes_empfangen = 0;
    if (Bytes_empfangen + anzahl > Blockpuffergroesse) {
        Fehler = true;
        return;
    }
    std::copy_n(daten + 2, anzahl, Block_Puffer.begin() + Bytes_empfangen);
    Bytes_empfangen += anzahl;
    if (letzter) {
        Komplett = true;
        return;
    }
    fordere_naechsten_Block_an(0, nullptr);
}

bool clCOM::pruefe_Antwort(int& warteTicks) {
    if (!Port_offen)
        return false;
    if (warteTicks > 0)
        --warteTicks;
    if (Tracedatei_) {
        // The line of every tick: put together as bytes, without a detour through text.
        QByteArray zeile = Zeitstempel_Bytes();
        zeile += ": Warten";
        zeile += QByteArray::number(warteTicks).rightJustified(10, ' ');
        zeile += QByteArray(Fehler ? "TRUE" : "FALSE").rightJustified(10, ' ');
        Trace_Zeile(std::move(zeile));
    }
    if (warteTicks == 0 || Fehler) {
        const bool fehler = Fehler;
        // Timed out without any answer: it may still come, during the next exchange.
        if (!fehler && Warten && !Komplett)
            Spaete_Antwort_ = Befehl;
        else
            Spaete_Antwort_.reset();
        beende_Block();
        Reset_Empfang();
        if (fehler)
            warteTicks = 0;
        Warten = false;
        Fehler = false;
        return false;
    }
    return Komplett;
}

bool clCOM::hole_Antwort(uint8_t befehl, int& laenge, uint8_t* puffer, int puffergroesse) {
    if (!Port_offen || !Komplett || befehl != Befehl)
        return false;
    // After a block send the acknowledgement is checked and taken like a single frame.
    if (Blockempfang) {
        // A block read may end early; it may never bring more than was asked for.
        if (Bytes_empfangen > laenge || Bytes_empfangen > puffergroesse ||
            (Bytes_empfangen > 0 && !puffer))
            return false;
        laenge = Bytes_empfangen;
        if (laenge > 0)
            std::copy_n(Block_Puffer.begin(), laenge, puffer);
    } else {
        if (Puffer[0] - 3 != laenge || laenge > puffergroesse || (laenge > 0 && !puffer))
            return false;
        if (laenge > 0)
            std::copy_n(Puffer.begin() + 2, laenge, puffer);
    }
    beende_Block();
    Reset_Empfang();
    Warten = false;
    // A late answer of the same command was taken as this one's: the answer that belongs
    // to this exchange may still follow, and is skipped like a late one.
    if (Spaete_Antwort_ != befehl)
        Spaete_Antwort_.reset();
    return true;
}
