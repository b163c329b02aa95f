#include "windows/service/Programmboot.h"

#include "base/BaseLog.h"
#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/CanPort.h"
#include "link/UComData.h"
#include "model/UQuorveldata.h"
#include "platform/Dateien.h"
#include "platform/NTCAN.h"
#include "platform/Registry.h"
#include "serial/SerPort.h"
#include "windows/WindowsLog.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t Version_lesen = 0xE0;
constexpr uint8_t Kennung_lesen = 0xE6;
constexpr uint8_t Loeschen_kurz = 0xE3;
constexpr uint8_t Loeschen_lang = 0xEA;
constexpr uint8_t Datensatz = 0xE4;
constexpr uint8_t Ende = 0xE5;
constexpr uint8_t Ende_lang_Antwort = 0xEB;
constexpr int Letzte_kurze_Version = 11;

// The erase authorisation in parts, joined only when it is sent, so that the code does not
// stand as one piece in the program.
constexpr uint16_t Loeschcode_unten = 0xC35A;
constexpr uint16_t Loeschcode_oben = 0x3C96;

const QString Uebertragungsfehler = QStringLiteral("Übertragungsfehler");
const QString CAN_Fehler = QStringLiteral("Fehler beim öffnen der CAN-Schnittstelle");

QString Registryname() {
    return QStringLiteral("Datei_Programm");
}

} // namespace

// ---------------------------------------------------------------- program file

Programmdatei::Ergebnis Programmdatei::lies(const QString& pfad, tDatensatz& kopf,
                                            std::vector<tDatensatz>& saetze) {
    kopf = {};
    saetze.clear();
    QFile f(Dateien::finde(pfad));
    if (!f.open(QIODevice::ReadOnly))
        return Ergebnis::unlesbar;
    const QByteArray inhalt = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return Ergebnis::beschaedigt;
    if (inhalt.size() % tDatensatz::Laenge != 0)
        return Ergebnis::beschaedigt;
    for (qsizetype i = 0; i < inhalt.size(); i += tDatensatz::Laenge) {
        tDatensatz s;
        std::memcpy(s.Bytes.data(), inhalt.constData() + i, tDatensatz::Laenge);
        if (i == 0)
            kopf = s;
        else
            saetze.push_back(s);
    }
    return Ergebnis::gelesen;
}

// ---------------------------------------------------------------- dialogue

Programmboot::Programmboot(cl_COM_Quorvel& link, cl_Version& version, Meldungen& meldungen,
                           Registry& registry)
    : link_(link), version_(version), meldungen_(meldungen), registry_(registry),
      canport_(std::make_unique<TCanport>(0, registry)),
      packer_(std::make_unique<CAN_Packer>([this](const CAN_Packer::Nachricht& n) {
          const CAN_Setup s = link_.hole_CAN_Setup().value_or(CAN_Setup{});
          if (!canport_->Write(static_cast<int32_t>(s.Sende_Identifier + CAN_29_Bit), 8, n))
              sendefehler_ = true;
      })),
      timer_(std::make_unique<QTimer>()), idle_(std::make_unique<QTimer>()),
      ordner_(QDir::currentPath()) {
    anzeige_.Startknopf = hole_Text(77);
    timer_->setInterval(cl_COM_Quorvel::Tickdauer_ms);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { TimerTimer(); });
    timer_->start();
    // The application's idle hook: called again at once while it is installed.
    idle_->setInterval(0);
    QObject::connect(idle_.get(), &QTimer::timeout, [this] { read_CAN(); });
    lade_Liste();
    if (const std::optional<QString> d = registry_.readString(Registryname()))
        Datei = *d;
}

Programmboot::~Programmboot() {
    timer_->stop();
    idle_->stop();
    // A dialogue still running gives the link back.
    if (besitzt_Link_) {
        link_.Normalbetrieb();
        link_.setze_unterbrochen(false);
    }
}

std::array<uint8_t, 4> Programmboot::Loeschcode() {
    return {
        static_cast<uint8_t>(Loeschcode_unten & 0xFF), static_cast<uint8_t>(Loeschcode_unten >> 8),
        static_cast<uint8_t>(Loeschcode_oben & 0xFF), static_cast<uint8_t>(Loeschcode_oben >> 8)};
}

int Programmboot::lies_CAN_Baudrate() const {
    return link_.lies_CAN_Baudrate();
}

bool Programmboot::Idle_aktiv() const {
    return idle_->isActive();
}

bool Programmboot::CAN_Port_offen() const {
    return canport_->Handle() != 0;
}

void Programmboot::melde() {
    if (geaendert)
        geaendert();
}

void Programmboot::idle(bool an) {
    if (an && !idle_->isActive())
        idle_->start();
    else if (!an)
        idle_->stop();
}

// --- File list ------------------------------------------------------------------------------

void Programmboot::lade_Liste() {
    const std::optional<QStringList> zeilen =
        Dateien::lies_Zeilen(Dateien::verbinde(ordner_, QStringLiteral("Dateien.dat")));
    if (!zeilen)
        return;
    Dateiliste.clear();
    for (const QString& z : *zeilen)
        if (!z.isEmpty())
            Dateiliste.append(z);
}

void Programmboot::waehle_Datei(const QString& name) {
    if (name.isEmpty())
        return;
    if (!Dateiliste.contains(name, Qt::CaseSensitive))
        Dateiliste.append(name);
    Datei = name;
    melde();
}

void Programmboot::entferne_Datei(int index) {
    if (index < 0 || index >= Dateiliste.size())
        return;
    Dateiliste.removeAt(index);
    melde();
}

void Programmboot::in_Registry() {
    const QString pfad = Dateien::verbinde(ordner_, QStringLiteral("Dateien.dat"));
    if (!Dateien::schreibe_Zeilen(pfad, Dateiliste))
        meldungen_.zeige(Dateien::Schreibfehler(pfad));
    if (!registry_.writeString(Registryname(), Datei))
        meldungen_.zeige(
            registry_.Schreibfehler(QStringLiteral("\"") + Registryname() + QStringLiteral("\"")));
}

// --- Start and stop -------------------------------------------------------------------------

void Programmboot::Button_startenClick() {
    if (zustand_ != 0) {
        beende_Programmierung(0);
        return;
    }
    beginne();
}

void Programmboot::beginne() {
    const int hw = version_.Hardware_Haupt();
    if (hw == 0 || (hw >= 100 && hw <= 199) || hw == 200 || hw == 300) {
        if (!meldungen_.frage_OK_Abbrechen(hole_Text(570), QString()))
            return;
    }
    satzindex_ = 0;
    saetze_.clear();
    anzeige_.Seriennummer.clear();
    anzeige_.Quorvel_Typ.clear();
    anzeige_.Hersteller.clear();
    anzeige_.Typnummer.clear();
    melde();
    if (Programmdatei::lies(Datei, kopf_, saetze_) == Programmdatei::Ergebnis::beschaedigt) {
        saetze_.clear();
        meldungen_.zeige(hole_Text(566));
        return;
    }
    if (saetze_.empty()) {
        meldungen_.zeige(hole_Text(565));
        return;
    }
    // The records go out through the link's own port: with the link off the boot loader
    // would erase the flash and then receive nothing.
    if (!link_.ist_aktiv() || !link_.ist_Port_offen()) {
        saetze_.clear();
        meldungen_.zeige(hole_Text(1391));
        return;
    }
    can_ = link_.ist_CAN_Modus();
    sendefehler_ = false;
    try {
        anzahl_ = 0;
        if (can_) {
            // An attempt after a failure finds the port still open.
            canport_->Close();
            if (!canport_->Open(static_cast<uint32_t>(lies_CAN_Baudrate()), 100, 100, 100, 100)) {
                saetze_.clear();
                meldungen_.zeige(CAN_Fehler);
                return;
            }
            const CAN_Setup s = link_.hole_CAN_Setup().value_or(CAN_Setup{});
            canport_->IdAdd(static_cast<int32_t>(s.Empfangs_Identifier + CAN_29_Bit));
            erwartete_Sequenz_ = 0;
            packer_->neu();
            pruefsumme_ = 0;
            sende_Byte(Wachbyte);
            sende_Telegramm_Ende();
        } else {
            link_.setze_Empfaenger([this](const QByteArray& b) { ComPortTriggerAvail(b); });
        }
        link_.setze_unterbrochen(true);
        besitzt_Link_ = true;
        zustand_ = 1;
        anzeige_.Startknopf = hole_Text(71);
        melde();
        pruefe_Sendefehler();
    } catch (...) {
        qCDebug(lcWindows) << "starting the programming failed:" << Ausnahmetext();
        Fehler(hole_Text(567), 0);
    }
}

void Programmboot::beende_Programmierung(int keep) {
    if (keep == 0) {
        link_.Normalbetrieb();
        idle(false);
        link_.setze_unterbrochen(false);
        besitzt_Link_ = false;
        canport_->Close();
    }
    zustand_ = 0;
    sendefehler_ = false;
    anzeige_.Startknopf = hole_Text(77);
    anzeige_.Fortschritt = 0;
    anzahl_ = 0;
    saetze_.clear();
    melde();
}

void Programmboot::Fehler(const QString& text, int keep) {
    // The box runs a nested event loop in which chunks, the timer and the CAN poll keep
    // coming: stopped first, the dialogue ignores them, and one failure gives one message.
    beende_Programmierung(keep);
    meldungen_.zeige(text);
}

void Programmboot::pruefe_Sendefehler() {
    // The boot loader would wait for what never reached it, and the dialogue waits for its
    // reply without a time-out: a failed write must end the attempt, or no one learns of it.
    if (!sendefehler_ || zustand_ == 0)
        return;
    Fehler(hole_Text(1392), 1);
}

// --- Writers --------------------------------------------------------------------------------

void Programmboot::sende_Byte(uint8_t b) {
    pruefsumme_ = static_cast<uint8_t>(pruefsumme_ + b);
    if (can_)
        packer_->Byte(b);
    else if (!link_.sende_seriell(b))
        sendefehler_ = true;
}

void Programmboot::sende_Telegramm_Ende() {
    if (!can_)
        return;
    packer_->Ende();
    idle(true);
}

void Programmboot::sende_Telegramm(std::initializer_list<uint8_t> kopf, const uint8_t* daten,
                                   int n) {
    pruefsumme_ = 0;
    sende_Byte(static_cast<uint8_t>(kopf.size() + static_cast<size_t>(n) + 2));
    for (uint8_t b : kopf)
        sende_Byte(b);
    for (int i = 0; i < n; ++i)
        sende_Byte(daten[i]);
    sende_Byte(static_cast<uint8_t>(-pruefsumme_));
    sende_Telegramm_Ende();
}

void Programmboot::sende_Kennungsanfrage() {
    sende_Telegramm({Kennung_lesen, static_cast<uint8_t>(item_), 0});
}

void Programmboot::sende_Loeschen() {
    const std::array<uint8_t, 4> code = Loeschcode();
    if (version_bl_ <= Letzte_kurze_Version) {
        sende_Telegramm({Loeschen_kurz}, code.data(), 4);
        return;
    }
    loeschparameter_ = Loeschparameter;
    std::array<uint8_t, 8> d{};
    std::copy(code.begin(), code.end(), d.begin());
    for (int i = 0; i < 4; ++i)
        d[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(loeschparameter_ >> (8 * i));
    sende_Telegramm({Loeschen_lang}, d.data(), 8);
}

void Programmboot::sende_Ende() {
    if (version_bl_ <= Letzte_kurze_Version) {
        sende_Telegramm({Ende});
        return;
    }
    std::array<uint8_t, 4> p{};
    for (int i = 0; i < 4; ++i)
        p[static_cast<size_t>(i)] = static_cast<uint8_t>(loeschparameter_ >> (8 * i));
    sende_Telegramm({Ende}, p.data(), 4);
}

void Programmboot::sende_Datensatz(const tDatensatz& satz) {
    if (!can_) {
        try {
            link_.Port().FlushInBuffer();
            link_.Port().FlushOutBuffer();
        } catch (...) {
            qCDebug(lcWindows) << "flushing the link's port failed:" << Ausnahmetext();
        }
    }
    // In one piece: the boot loader's reply, and so the next record, waits for its last byte.
    if (!link_.sende_Rahmen(Datensatz, satz.Bytes))
        sendefehler_ = true;
    antwortticks_ = 1000 / cl_COM_Quorvel::Tickdauer_ms;
}

// --- Receivers ------------------------------------------------------------------------------

void Programmboot::ComPortTriggerAvail(const QByteArray& bytes) {
    // Idle (after a stop) the dialogue takes nothing: what still comes belongs to no state.
    if (zustand_ == 0)
        return;
    for (char c : bytes) {
        if (anzahl_ >= Puffergroesse) {
            Fehler(Uebertragungsfehler, 1);
            return;
        }
        puffer_[static_cast<size_t>(anzahl_++)] = static_cast<uint8_t>(c);
    }
    Daten_angekommen();
}

void Programmboot::read_CAN() {
    const CAN_Setup s = link_.hole_CAN_Setup().value_or(CAN_Setup{});
    for (;;) {
        int32_t id = 0;
        uint8_t laenge = 0;
        std::array<uint8_t, 8> d{};
        if (!canport_->Take(id, laenge, d))
            return;
        if (zustand_ == 0)
            continue; // drained: nothing is waited for
        if (id != static_cast<int32_t>(s.Empfangs_Identifier + CAN_29_Bit))
            return;
        const int anzahl = d[1];
        if (laenge != 8 || anzahl > 6) {
            Fehler(Uebertragungsfehler, 1);
            return;
        }
        const int sequenz = d[0] & 0x7F;
        if (sequenz == 0) {
            erwartete_Sequenz_ = 0;
        } else if (sequenz == erwartete_Sequenz_ + 1) {
            erwartete_Sequenz_ = sequenz;
        } else {
            Fehler(Uebertragungsfehler, 1);
            return;
        }
        if (anzahl_ + anzahl > Puffergroesse) {
            Fehler(Uebertragungsfehler, 1);
            return;
        }
        std::copy_n(d.begin() + 2, anzahl, puffer_.begin() + anzahl_);
        anzahl_ += anzahl;
        Daten_angekommen();
    }
}

void Programmboot::TimerTimer() {
    // The main window's port box may change the link's port under the dialogue: the line and
    // the receiver it set go with it, and the dialogue would wait for ever. The link is given
    // back to the scheduler on its new port.
    if (besitzt_Link_ &&
        (link_.ist_CAN_Modus() != can_ || (!can_ && !link_.ist_eigener_Empfang()))) {
        if (zustand_ != 0)
            Fehler(hole_Text(1393), 0);
        else
            beende_Programmierung(0);
        return;
    }
    if (zustand_ != 0 && can_)
        return;
    if (zustand_ == 1) {
        try {
            link_.Port().PutString(QByteArray(1, static_cast<char>(Wachbyte)));
        } catch (...) {
            qCDebug(lcWindows) << "the wake byte could not be sent:" << Ausnahmetext();
            sendefehler_ = true;
            pruefe_Sendefehler();
        }
    }
    if (zustand_ == 6 && antwortticks_ > 0) {
        --antwortticks_;
        if (antwortticks_ == 0 && anzahl_ == 3 && puffer_[0] == 0x04 && puffer_[1] == Datensatz &&
            puffer_[2] == 0x01)
            ComPortTriggerAvail(QByteArray(1, '\x17'));
    }
    // The link's tick stands still while it is suspended, and with it the dispatcher's poll.
    if (link_.ist_unterbrochen() && !link_.ist_CAN_Modus() && link_.Port().Open())
        link_.Port().PollDispatcher();
}

// --- Evaluation -----------------------------------------------------------------------------

void Programmboot::Daten_angekommen() {
    try {
        auswerten();
        pruefe_Sendefehler();
    } catch (...) {
        qCDebug(lcWindows) << "evaluating a boot loader reply failed:" << Ausnahmetext();
        Fehler(Uebertragungsfehler, 1);
    }
}

void Programmboot::auswerten() {
    if (zustand_ == 0)
        return;
    if (zustand_ != 1 && zustand_ != 2) {
        if (anzahl_ == 0 || puffer_[0] > anzahl_)
            return;
        if (puffer_[0] < anzahl_)
            anzahl_ = puffer_[0];
        uint8_t summe = 0;
        for (int i = 0; i < anzahl_; ++i)
            summe = static_cast<uint8_t>(summe + puffer_[static_cast<size_t>(i)]);
        if (summe != 0) {
            Fehler(hole_Text(553), 1);
            return;
        }
    }
    const auto wort = [this](int i) {
        return puffer_[static_cast<size_t>(i)] | (puffer_[static_cast<size_t>(i) + 1] << 8);
    };
    switch (zustand_) {
    case 1: {
        const bool zeile = std::find(puffer_.begin(), puffer_.begin() + anzahl_, 0x0A) !=
                           puffer_.begin() + anzahl_;
        anzahl_ = 0;
        if (!zeile)
            return;
        pruefsumme_ = 0;
        for (const char* c = Zugangstext; *c; ++c)
            sende_Byte(static_cast<uint8_t>(*c));
        sende_Telegramm_Ende();
        zustand_ = 2;
        return;
    }
    case 2:
        if (anzahl_ == 1 && puffer_[0] == 'T') {
            anzahl_ = 0;
            sende_Telegramm({Version_lesen});
            zustand_ = 4;
            return;
        }
        Fehler(hole_Text(554), 0);
        return;
    case 4:
        if (anzahl_ < 5)
            return;
        if (anzahl_ == 5 && puffer_[1] == Version_lesen) {
            version_bl_ = wort(2);
            if (version_bl_ == 1) {
                Fehler(hole_Text(556), 1);
                return;
            }
            item_ = 1;
            sende_Kennungsanfrage();
            anzahl_ = 0;
            zustand_ = 5;
            return;
        }
        Fehler(hole_Text(555), 1);
        return;
    case 5: {
        if (anzahl_ < 9)
            return;
        if (anzahl_ != 9 || puffer_[1] != Kennung_lesen || puffer_[2] != item_) {
            Fehler(hole_Text(557), 1);
            return;
        }
        switch (item_) {
        case 1:
            seriennummer_ = static_cast<uint32_t>(wort(4)) | (static_cast<uint32_t>(wort(6)) << 16);
            anzeige_.Seriennummer = QString::number(seriennummer_);
            break;
        case 2:
            ecu_typ_ = wort(4);
            anzeige_.Quorvel_Typ = ECU_Typ_Name(ecu_typ_);
            break;
        case 3:
            hersteller_ = wort(4);
            anzeige_.Hersteller = Hersteller_Name(hersteller_);
            break;
        default:
            typnummer_ = wort(4);
            anzeige_.Typnummer = QString::number(typnummer_);
            break;
        }
        melde();
        ++item_;
        if (item_ <= 4) {
            sende_Kennungsanfrage();
            anzahl_ = 0;
            return;
        }
        if (ecu_typ_ == Programmdatei::Wort(kopf_, 4) &&
            hersteller_ == Programmdatei::Wort(kopf_, 6) &&
            typnummer_ == Programmdatei::Wort(kopf_, 8)) {
            sende_Loeschen();
            anzahl_ = 0;
            zustand_ = 3;
            return;
        }
        Fehler(hole_Text(568), 1);
        return;
    }
    case 3: {
        const bool kurz = version_bl_ <= Letzte_kurze_Version;
        if (kurz ? (anzahl_ != 4 || puffer_[1] != Loeschen_kurz)
                 : (anzahl_ != 9 || puffer_[1] != Loeschen_lang)) {
            Fehler(hole_Text(558), 1);
            return;
        }
        if (puffer_[2] != 1) {
            Fehler(hole_Text(559), 1);
            return;
        }
        satzindex_ = 0;
        fortschrittszaehler_ = 0;
        anzahl_ = 0;
        zustand_ = 6;
        sende_Datensatz(saetze_[static_cast<size_t>(satzindex_++)]);
        return;
    }
    case 6:
        if (anzahl_ != 4 || puffer_[1] != Datensatz) {
            Fehler(hole_Text(560), 1);
            return;
        }
        if (puffer_[2] != 1) {
            Fehler(hole_Text(561) + QStringLiteral(" ") + QString::number(satzindex_), 1);
            return;
        }
        anzahl_ = 0;
        if (satzindex_ < static_cast<int>(saetze_.size())) {
            sende_Datensatz(saetze_[static_cast<size_t>(satzindex_++)]);
            if (++fortschrittszaehler_ > 10) {
                fortschrittszaehler_ = 0;
                anzeige_.Fortschritt = satzindex_ * 100 / static_cast<int>(saetze_.size());
                melde();
            }
            return;
        }
        sende_Ende();
        zustand_ = 7;
        return;
    case 7:
        if (anzahl_ != 4 || (puffer_[1] != Ende && puffer_[1] != Ende_lang_Antwort)) {
            Fehler(hole_Text(562), 1);
            return;
        }
        if (puffer_[2] != 1) {
            Fehler(hole_Text(563), 1);
            return;
        }
        version_.anfordern();
        zustand_ = 8;
        Fehler(hole_Text(564), 0);
        return;
    default:
        return;
    }
}
