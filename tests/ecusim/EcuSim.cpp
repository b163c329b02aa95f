#include "ecusim/EcuSim.h"

#include "ecusim/CanTransport.h"
#include "platform/CanKanal.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

namespace ecusim {

namespace {

constexpr int Blockgroesse = 100;
constexpr qint64 Rahmenluecke_ms = 100;      // a pause this long starts a new frame
constexpr qsizetype Bytes_je_Weitergabe = 8; // paced output reaches the PC in runs this long

uint8_t summe(const QByteArray& b, qsizetype bis) {
    uint8_t s = 0;
    for (qsizetype i = 0; i < bis; ++i)
        s = static_cast<uint8_t>(s + static_cast<uint8_t>(b[i]));
    return s;
}

void setze_Pruefsumme(QByteArray& rahmen) {
    rahmen[rahmen.size() - 1] = static_cast<char>(-summe(rahmen, rahmen.size() - 1));
}

qint64 jetzt_ns() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Nanoseconds a byte takes on the line: start, 8 data and the stop bits.
qint64 Bytezeit_ns(int baud, int bits) {
    return bits * 1000000000LL / baud;
}

} // namespace

// Wakes the event loop once at a given monotonic time, to the microsecond (a QTimer counts
// whole milliseconds).
class Wecker {
public:
    explicit Wecker(std::function<void()> bei) : bei_(std::move(bei)) {
        fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ < 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            uint64_t abgelaufen = 0;
            if (::read(fd_, &abgelaufen, sizeof abgelaufen) > 0)
                bei_();
        });
    }
    ~Wecker() {
        notifier_.reset();
        if (fd_ >= 0)
            ::close(fd_);
    }
    Wecker(const Wecker&) = delete;
    Wecker& operator=(const Wecker&) = delete;

    void stelle(qint64 zeit_ns) {
        if (fd_ < 0) {
            // Without a timer descriptor: the next whole millisecond (a wake-up too many
            // does no harm, its callback looks at the clock).
            const qint64 ms = std::max<qint64>(0, (zeit_ns - jetzt_ns() + 999999) / 1000000);
            QTimer::singleShot(static_cast<int>(ms), &ersatz_, [this] { bei_(); });
            return;
        }
        itimerspec t{};
        t.it_value.tv_sec = static_cast<time_t>(zeit_ns / 1000000000);
        t.it_value.tv_nsec = static_cast<long>(zeit_ns % 1000000000);
        if (t.it_value.tv_sec == 0 && t.it_value.tv_nsec == 0)
            t.it_value.tv_nsec = 1; // zero would disarm it
        ::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &t, nullptr);
    }
    void aus() {
        if (fd_ >= 0) {
            itimerspec t{};
            ::timerfd_settime(fd_, 0, &t, nullptr);
        }
    }

private:
    int fd_ = -1;
    std::function<void()> bei_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QObject ersatz_;
};

QByteArray baue_Rahmen(uint8_t befehl, const QByteArray& daten) {
    QByteArray r;
    r.append(static_cast<char>(daten.size() + 3));
    r.append(static_cast<char>(befehl));
    r.append(daten);
    r.append('\0');
    setze_Pruefsumme(r);
    return r;
}

EcuSim::EcuSim()
    : eingangsWecker_(std::make_unique<Wecker>([this] { nimm_faellige_Rahmen(); })),
      ausgabeWecker_(std::make_unique<Wecker>([this] { leere_Ausgabe(); })) {
    Identitaet = QByteArray(66, '\0');
    const QByteArray name("ECUSIM");
    Identitaet.replace(0, name.size(), name);
    setze_Handler(100, [this](const QByteArray&) { return std::optional<QByteArray>(Identitaet); });
}

EcuSim::~EcuSim() {
    schliesse();
}

QString EcuSim::oeffne_pty() {
    schliesse();
    const int m = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m < 0)
        return {};
    if (::grantpt(m) != 0 || ::unlockpt(m) != 0) {
        ::close(m);
        return {};
    }
    const char* name = ::ptsname(m);
    if (!name) {
        ::close(m);
        return {};
    }
    const QString pfad = QString::fromLocal8Bit(name);
    // Holding the slave side open keeps the master readable while the program closes and
    // reopens its port; raw mode from the start, so nothing echoes before it opens.
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ >= 0) {
        termios t{};
        if (::tcgetattr(slave_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slave_, TCSANOW, &t);
        }
    }
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    master_ = m;
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &EcuSim::lies_pty);
    return pfad;
}

bool EcuSim::oeffne_CAN(const QString& schnittstelle, uint32_t pcSendeId, uint32_t pcEmpfangsId,
                        const QString& plugin) {
    std::unique_ptr<CanKanal> kanal = CanKanal::erzeuge(plugin, schnittstelle);
    if (!kanal || kanal->verbinde(500000) != CAN_OK)
        return false;
    return oeffne_CAN(std::move(kanal), pcSendeId, pcEmpfangsId);
}

bool EcuSim::oeffne_CAN(std::unique_ptr<CanKanal> kanal, uint32_t pcSendeId,
                        uint32_t pcEmpfangsId) {
    schliesse();
    if (!kanal)
        return false;
    canEmpfang_ = pcSendeId | CAN_29_Bit;
    canSende_ = pcEmpfangsId | CAN_29_Bit;
    can_ = std::move(kanal);
    // The bus delivers through the event loop: by then the simulator may be gone.
    can_->bei_Nachricht([sim = QPointer<EcuSim>(this)] {
        if (sim)
            sim->lies_CAN();
    });
    can_->erlaube_Id(static_cast<int32_t>(canEmpfang_));
    entpacker_ = std::make_unique<CAN_Entpacker>();
    return true;
}

void EcuSim::schliesse() {
    notifier_.reset();
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    can_.reset();
    ausgabeWecker_->aus();
    eingangsWecker_->aus();
    ausgang_.clear();
    eingang_.clear();
    unterwegs_.clear();
    eingangFrei_ = 0;
    rohCAN_.clear();
    rohCAN_offen_ = false;
}

void EcuSim::setze_Handler(const void* bereich, uint8_t befehl, Handler h, Annahme nimmt) {
    std::vector<Eintrag>& liste = handler_[befehl];
    std::erase_if(liste, [bereich](const Eintrag& e) { return e.bereich == bereich; });
    liste.push_back({bereich, std::move(nimmt), std::move(h)});
}

void EcuSim::setze_Antwort(uint8_t befehl, const QByteArray& daten) {
    setze_Handler(befehl, [daten](const QByteArray&) { return std::optional<QByteArray>(daten); });
}

void EcuSim::setze_Blocklesen(uint8_t befehl, const QByteArray& quelle, bool neuesFormat,
                              Annahme nimmt) {
    Blockbefehl& b = bloecke_[befehl];
    b.lesen = true;
    b.neuesFormat = neuesFormat;
    b.daten = quelle;
    b.nimmt = std::move(nimmt);
}

void EcuSim::setze_Blockschreiben(uint8_t befehl, bool neuesFormat) {
    Blockbefehl& b = bloecke_[befehl];
    b.lesen = false;
    b.neuesFormat = neuesFormat;
    b.daten.clear();
    b.vorgaenge = 0;
    b.nimmt = {};
}

void EcuSim::verbinde_Bloecke(uint8_t schreibbefehl, uint8_t lesebefehl) {
    bloecke_[schreibbefehl].liest_zurueck = lesebefehl;
}

QByteArray EcuSim::Blockdaten(uint8_t befehl) const {
    auto it = bloecke_.find(befehl);
    return it == bloecke_.end() ? QByteArray() : it->second.daten;
}

int EcuSim::Blockschreibvorgaenge(uint8_t befehl) const {
    auto it = bloecke_.find(befehl);
    return it == bloecke_.end() ? 0 : it->second.vorgaenge;
}

void EcuSim::injiziere(Fehler f, int anzahl, std::optional<uint8_t> befehl) {
    if (anzahl > 0)
        fehler_.push_back({f, anzahl, befehl});
}

std::vector<Rahmen> EcuSim::empfangene() const {
    std::vector<Rahmen> r;
    for (const Rahmen& x : protokoll_)
        if (x.richtung == Richtung::zurECU)
            r.push_back(x);
    return r;
}

std::optional<Fehler> EcuSim::naechster_Fehler(uint8_t befehl) {
    for (auto it = fehler_.begin(); it != fehler_.end(); ++it) {
        if (it->befehl && *it->befehl != befehl)
            continue;
        const Fehler f = it->fehler;
        if (--it->anzahl <= 0)
            fehler_.erase(it);
        return f;
    }
    return std::nullopt;
}

// --- Receiving ----------------------------------------------------------------------------

void EcuSim::lies_pty() {
    char puffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, puffer, sizeof puffer);
        if (n > 0) {
            nimm_Bytes(QByteArray(puffer, static_cast<qsizetype>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
}

void EcuSim::nimm_Bytes(const QByteArray& bytes) {
    if (letztesByte_.isValid() && letztesByte_.elapsed() > Rahmenluecke_ms)
        eingang_.clear();
    letztesByte_.start();
    // On the line these bytes follow those still crossing it, or start now.
    const qint64 jetzt = eingangsBaud_ > 0 ? jetzt_ns() : 0;
    const qint64 start = std::max(jetzt, eingangFrei_);
    const qint64 bytezeit = eingangsBaud_ > 0 ? Bytezeit_ns(eingangsBaud_, bits_) : 0;
    eingangFrei_ = start + bytes.size() * bytezeit;
    // Bytes of the buffer ahead of this delivery, less those taken since.
    qsizetype vorher = eingang_.size();
    eingang_.append(bytes);
    while (!eingang_.isEmpty()) {
        if (roh_.nimmt && roh_.nimmt(static_cast<uint8_t>(eingang_[0]))) {
            const qsizetype k = std::clamp<qsizetype>(roh_.lies(eingang_), 1, eingang_.size());
            eingang_.remove(0, k);
            vorher -= k;
            continue;
        }
        const int L = static_cast<uint8_t>(eingang_[0]);
        if (L < 3) {
            protokoll_.push_back({Richtung::zurECU, eingang_.left(1), false});
            ++Empfangsfehler;
            eingang_.remove(0, 1);
            --vorher;
            continue;
        }
        if (eingang_.size() < L)
            break;
        const QByteArray rahmen = eingang_.left(L);
        eingang_.remove(0, L);
        // The frame's last byte, counted in this delivery.
        const qsizetype letztes = std::max<qsizetype>(0, L - 1 - vorher);
        vorher -= L;
        if (eingangsBaud_ <= 0) {
            bearbeite(rahmen);
            continue;
        }
        unterwegs_.push_back({start + (letztes + 1) * bytezeit, rahmen});
        if (unterwegs_.size() == 1)
            eingangsWecker_->stelle(unterwegs_.front().faellig);
    }
}

void EcuSim::nimm_faellige_Rahmen() {
    const qint64 jetzt = jetzt_ns();
    while (!unterwegs_.empty() && unterwegs_.front().faellig <= jetzt) {
        const QByteArray rahmen = unterwegs_.front().rahmen;
        // The answer starts on the line when the request has crossed it, not when this
        // process woke for it: its own wake-up is no part of the line.
        antwortAb_ = unterwegs_.front().faellig;
        unterwegs_.pop_front();
        bearbeite(rahmen);
        antwortAb_ = 0;
    }
    if (!unterwegs_.empty())
        eingangsWecker_->stelle(unterwegs_.front().faellig);
}

void EcuSim::lies_CAN() {
    CanMsg m;
    while (can_ && can_->nimm(m)) {
        if (static_cast<uint32_t>(m.id) != canEmpfang_)
            continue;
        if (rohCAN_offen_ ||
            ((m.data[0] & 0x7F) == 0 && m.data[1] >= 1 && roh_.nimmt && roh_.nimmt(m.data[2]))) {
            lies_CAN_roh(m);
            continue;
        }
        const CAN_Entpacker::Ergebnis e = entpacker_->nimm(m);
        if (e.fehler)
            ++Empfangsfehler;
        if (!e.verworfen.isEmpty())
            protokoll_.push_back({Richtung::zurECU, e.verworfen, false, canEmpfang_});
        if (e.rahmen)
            bearbeite(*e.rahmen, static_cast<uint32_t>(m.id));
    }
}

void EcuSim::lies_CAN_roh(const CanMsg& m) {
    const int sequenz = m.data[0] & 0x7F;
    const int anzahl = m.data[1];
    const bool ok = m.len == 8 && anzahl >= 1 && anzahl <= 6 &&
                    (sequenz == 0 || (rohCAN_offen_ && sequenz == rohCAN_Sequenz_ + 1));
    if (!ok) {
        ++Empfangsfehler;
        rohCAN_offen_ = false;
        rohCAN_.clear();
        return;
    }
    if (sequenz == 0)
        rohCAN_.clear();
    rohCAN_Sequenz_ = sequenz;
    rohCAN_.append(reinterpret_cast<const char*>(m.data) + 2, anzahl);
    rohCAN_offen_ = (m.data[0] & 0x80) == 0;
    if (rohCAN_offen_)
        return;
    QByteArray telegramm = std::exchange(rohCAN_, {});
    protokoll_.push_back({Richtung::zurECU, telegramm, true, canEmpfang_});
    while (!telegramm.isEmpty() && roh_.nimmt && roh_.nimmt(static_cast<uint8_t>(telegramm[0])))
        telegramm.remove(0, std::clamp<qsizetype>(roh_.lies(telegramm), 1, telegramm.size()));
}

std::optional<Leitungseinstellung> EcuSim::Leitung() const {
    if (slave_ < 0)
        return std::nullopt;
    termios t{};
    if (::tcgetattr(slave_, &t) != 0)
        return std::nullopt;
    Leitungseinstellung l;
    switch (::cfgetospeed(&t)) {
    case B9600:
        l.baud = 9600;
        break;
    case B19200:
        l.baud = 19200;
        break;
    case B38400:
        l.baud = 38400;
        break;
    case B57600:
        l.baud = 57600;
        break;
    case B115200:
        l.baud = 115200;
        break;
    default:
        l.baud = -1;
        break;
    }
    switch (t.c_cflag & CSIZE) {
    case CS5:
        l.datenbits = 5;
        break;
    case CS6:
        l.datenbits = 6;
        break;
    case CS7:
        l.datenbits = 7;
        break;
    default:
        l.datenbits = 8;
        break;
    }
    l.paritaet = (t.c_cflag & PARENB) ? ((t.c_cflag & PARODD) ? 'O' : 'E') : 'N';
    l.stoppbits = (t.c_cflag & CSTOPB) ? 2 : 1;
    return l;
}

void EcuSim::sende_Bytes(const QByteArray& bytes, CAN_Packart art) {
    protokoll_.push_back({Richtung::vonECU, bytes, true, can_ ? canSende_ : 0});
    Zuletzt_stumm = false;
    if (can_) {
        for (const CanMsg& m : packe_CAN(bytes, canSende_, art))
            can_->sende(m);
        return;
    }
    schreibe(bytes);
}

void EcuSim::bearbeite(const QByteArray& rahmen, uint32_t canId) {
    const bool gueltig = summe(rahmen, rahmen.size()) == 0;
    protokoll_.push_back({Richtung::zurECU, rahmen, gueltig, canId});
    ++Bearbeitet;
    Zuletzt_stumm = true;
    if (ausgeben)
        std::fprintf(stderr, "ecusim <- %s%s\n", rahmen.toHex(' ').constData(),
                     gueltig ? "" : " (checksum wrong)");
    emit Rahmen_empfangen();
    if (!gueltig) {
        ++Empfangsfehler;
        return;
    }
    if (stumm)
        return;
    const uint8_t befehl = static_cast<uint8_t>(rahmen[1]);
    if (nimmt_Befehl && !nimmt_Befehl(befehl))
        return;
    const std::optional<Fehler> fehler = naechster_Fehler(befehl);
    if (fehler == Fehler::Stille)
        return;
    const std::optional<QByteArray> daten =
        antwort_auf(befehl, rahmen.mid(2, rahmen.size() - 3), fehler);
    if (!daten)
        return;
    QByteArray antwort = baue_Rahmen(befehl, *daten);
    Zuletzt_stumm = false;
    if (fehler == Fehler::Spaet) {
        QTimer::singleShot(Verzoegerung_ms, this, [this, befehl, antwort] {
            sende_Antwort(befehl, antwort, std::nullopt);
        });
        return;
    }
    sende_Antwort(befehl, antwort, fehler);
}

std::optional<QByteArray> EcuSim::antwort_auf(uint8_t befehl, const QByteArray& daten,
                                              std::optional<Fehler> fehler) {
    auto it = bloecke_.find(befehl);
    if (it == bloecke_.end() || (it->second.nimmt && !it->second.nimmt(daten))) {
        auto h = handler_.find(befehl);
        if (h == handler_.end())
            return std::nullopt;
        for (auto e = h->second.rbegin(); e != h->second.rend(); ++e)
            if (!e->nimmt || e->nimmt(daten)) {
                // A handler may register handlers in turn; it runs from a copy.
                const Handler handler = e->handler;
                return handler(daten);
            }
        return std::nullopt;
    }
    Blockbefehl& b = it->second;
    if (daten.size() < 2)
        return std::nullopt;
    const int kopf0 = static_cast<uint8_t>(daten[0]);
    const int kopf1 = static_cast<uint8_t>(daten[1]);
    if (b.lesen) {
        if (!b.neuesFormat) {
            // [block index][count][extra]: the count bytes of that block.
            QByteArray block = b.daten.mid(kopf0 * Blockgroesse, kopf1);
            block.append(QByteArray(kopf1 - block.size(), '\0'));
            if (fehler == Fehler::KurzerBlock && block.size() > 20)
                block.chop(20);
            return block;
        }
        // [index + 128][extra count][index][100][extra]: up to 100 bytes, the last marked.
        const int index = kopf0 & 0x7F;
        QByteArray block = b.daten.mid(index * Blockgroesse, Blockgroesse);
        const bool letzter = (index + 1) * Blockgroesse >= b.daten.size();
        if (fehler == Fehler::KurzerBlock && block.size() > 20 && !letzter)
            block.chop(20);
        int nummer = index + (letzter ? 128 : 0);
        if (fehler == Fehler::FalscheBlocknummer)
            nummer = index + 1;
        int anzahl = static_cast<int>(block.size());
        if (fehler == Fehler::ZuvieleBlockdaten)
            anzahl += 10;
        QByteArray antwort;
        antwort.append(static_cast<char>(nummer));
        antwort.append(static_cast<char>(anzahl));
        antwort.append(block);
        return antwort;
    }
    // Block write: [index (+128 on the last, new format)][count][bytes]; each block is
    // acknowledged by an empty answer.
    const int index = kopf0 & 0x7F;
    const QByteArray nutz = daten.mid(2, kopf1);
    if (!b.neuesFormat && kopf1 == 0 && daten.size() == 2 && index > 0) {
        ++b.vorgaenge; // the closing [count][0] frame
        return QByteArray();
    }
    if (index == 0)
        b.daten.clear();
    const qsizetype position = static_cast<qsizetype>(index) * Blockgroesse;
    if (b.daten.size() < position)
        b.daten.append(QByteArray(position - b.daten.size(), '\0'));
    b.daten.replace(position, nutz.size(), nutz);
    if (b.neuesFormat && (kopf0 & 0x80))
        ++b.vorgaenge;
    if (b.liest_zurueck) {
        QByteArray& ziel = bloecke_[*b.liest_zurueck].daten;
        if (ziel.size() < position + nutz.size())
            ziel.append(QByteArray(position + nutz.size() - ziel.size(), '\0'));
        ziel.replace(position, nutz.size(), nutz);
    }
    return QByteArray();
}

// --- Sending ------------------------------------------------------------------------------

void EcuSim::sende_Antwort(uint8_t befehl, QByteArray rahmen, std::optional<Fehler> fehler) {
    switch (fehler.value_or(Fehler::Stille)) {
    case Fehler::FalscherBefehl:
        rahmen[1] = static_cast<char>(befehl + 1);
        setze_Pruefsumme(rahmen);
        break;
    case Fehler::FalschePruefsumme:
        rahmen[rahmen.size() - 1] = static_cast<char>(rahmen[rahmen.size() - 1] + 1);
        break;
    case Fehler::FalscheLaenge:
        rahmen.insert(rahmen.size() - 1, '\0');
        rahmen[0] = static_cast<char>(rahmen.size());
        setze_Pruefsumme(rahmen);
        break;
    case Fehler::LaengeUnter3:
        rahmen[0] = '\0';
        break;
    default:
        break;
    }
    protokoll_.push_back({Richtung::vonECU, rahmen, true, can_ ? canSende_ : 0});
    if (can_) {
        schreibe_CAN(rahmen, fehler);
        return;
    }
    if (fehler == Fehler::Geteilt) {
        for (qsizetype i = 0; i < rahmen.size(); ++i)
            QTimer::singleShot(static_cast<int>(3 * i), this,
                               [this, b = rahmen.mid(i, 1)] { schreibe(b); });
        return;
    }
    schreibe(rahmen);
    if (fehler == Fehler::Streubytes)
        QTimer::singleShot(100, this, [this] { schreibe(QByteArray("\x55\xAA", 2)); });
}

void EcuSim::schreibe_CAN(const QByteArray& rahmen, std::optional<Fehler> fehler) {
    if (!can_)
        return;
    CAN_Packart art;
    art.Sequenzluecke = fehler == Fehler::CAN_Sequenzluecke;
    art.Datenlaenge = fehler == Fehler::CAN_Datenlaenge ? 7 : 8;
    for (const CanMsg& m : packe_CAN(rahmen, canSende_, art))
        can_->sende(m);
}

void EcuSim::schreibe(const QByteArray& bytes) {
    if (master_ < 0)
        return;
    if (ausgang_.isEmpty()) {
        // After what went before, which has crossed the line when the output is empty.
        const qint64 bytezeit = baud_ > 0 ? Bytezeit_ns(baud_, bits_) : 0;
        const qint64 frei = ausgabeStart_ + ausgabeGesendet_ * bytezeit;
        ausgabeStart_ = std::max(antwortAb_ > 0 ? antwortAb_ : jetzt_ns(), frei);
        ausgabeGesendet_ = 0;
    }
    ausgang_.append(bytes);
    leere_Ausgabe();
}

void EcuSim::leere_Ausgabe() {
    if (master_ < 0 || ausgang_.isEmpty()) {
        ausgabeWecker_->aus();
        return;
    }
    qsizetype erlaubt = ausgang_.size();
    const qint64 bytezeit = baud_ > 0 ? Bytezeit_ns(baud_, bits_) : 0;
    if (baud_ > 0) {
        // A byte leaves once it has crossed the line.
        const qint64 faellig = (jetzt_ns() - ausgabeStart_) / bytezeit;
        erlaubt = std::min<qsizetype>(erlaubt, std::max<qint64>(0, faellig - ausgabeGesendet_));
    }
    ssize_t n = 0;
    if (erlaubt > 0) {
        n = ::write(master_, ausgang_.constData(), static_cast<size_t>(erlaubt));
        if (n > 0) {
            ausgang_.remove(0, n);
            ausgabeGesendet_ += n;
        }
    }
    if (ausgang_.isEmpty()) {
        ausgabeWecker_->aus();
        return;
    }
    if (n < erlaubt) {
        // The pty is full: again in a millisecond.
        ausgabeWecker_->stelle(jetzt_ns() + 1000000);
        return;
    }
    // Eight bytes a wake-up, as a 16550 UART's receive FIFO hands them to the driver at the
    // trigger level Linux gives it, and the last ones on time.
    const qint64 naechste =
        ausgabeGesendet_ + std::min<qsizetype>(Bytes_je_Weitergabe, ausgang_.size());
    ausgabeWecker_->stelle(ausgabeStart_ + naechste * bytezeit);
}

} // namespace ecusim
