#include "model/UPasswort.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/UKommunikation.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"

#include <QTimer>

// ---------------------------------------------------------------- cl_Passwort_Quorvel

cl_Passwort_Quorvel::cl_Passwort_Quorvel(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Aendern, false, false, 500, 0, nullptr, 0, nullptr),
      timer_(std::make_unique<QTimer>()) {
    setze_Sendedaten(Sendepuffer.data());
    timer_->setSingleShot(true);
    timer_->setInterval(Warte_ms);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Zeit_abgelaufen(); });
}

cl_Passwort_Quorvel::~cl_Passwort_Quorvel() = default;

void cl_Passwort_Quorvel::sende(const QString& text, uint8_t befehl) {
    Sendepuffer.fill(0);
    const QString teil = text.left(Maximallaenge);
    int n = 0;
    for (const QChar c : teil) {
        char16_t u = c.unicode();
        if (u >= 'a' && u <= 'z')
            u = static_cast<char16_t>(u - 'a' + 'A');
        // The ECU knows single bytes only; what is not Latin-1 cannot be typed on its side.
        Sendepuffer[static_cast<size_t>(n++)] = u < 256 ? static_cast<uint8_t>(u) : '?';
    }
    Sendelaenge = n + 1;
    Antwort_erhalten = false;
    Befehl = befehl;
    starten();
    timer_->start();
}

void cl_Passwort_Quorvel::Passwort_eingeben(const QString& text) {
    Aendern = false;
    sende(text, Befehl_Eingeben);
}

void cl_Passwort_Quorvel::Passwort_aendern(const QString& text, uint16_t nummer) {
    Aendern = true;
    Passwort_Nr = nummer;
    sende(text, Befehl_Aendern);
}

void cl_Passwort_Quorvel::Antwort() {
    timer_->stop();
    if (Befehl == Befehl_Aendern && sende_Passwort_Nr)
        sende_Passwort_Nr(Passwort_Nr);
    Antwort_erhalten = true;
    if (anfragen)
        anfragen();
    InterAction_ausfuehren(*this, Beantwortet);
}

void cl_Passwort_Quorvel::Zeit_abgelaufen() {
    timer_->stop();
    if (!Antwort_erhalten)
        link().meldungen().zeige(hole_Text(346));
}

bool cl_Passwort_Quorvel::Zeitgeber_aktiv() const {
    return timer_->isActive();
}

uint16_t cl_Passwort_Quorvel::Nummer_aus_Text(const QString& text) {
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok)
        return 0;
    const auto niedrig = static_cast<uint16_t>(static_cast<unsigned long long>(n) & 0xFFFF);
    return niedrig > Nummer_max ? Nummer_max : niedrig;
}

// ---------------------------------------------------------------- cl_Passwort_Quorvel_OK

cl_Passwort_Quorvel_OK::cl_Passwort_Quorvel_OK(cl_COM_Quorvel& link, cl_Version& version,
                                               cl_Parameter& parameter,
                                               cl_Kommunikation& kommunikation, cl_ECU_Liste& liste,
                                               cl_Passwort_Quorvel& eingabe)
    : cl_COM_data(link, Befehl_Zustand, false, false, 500, 0, nullptr, 1, nullptr),
      version_(version), parameter_(parameter), kommunikation_(kommunikation), eingabe_(eingabe) {
    setze_Antwortpuffer(Zustand.data());
    liste.setze_Filetyp_Werte(Datenelement, 1, Zustand.data(), static_cast<int>(Zustand.size()));
    InterAction().Create(
        cl_Kommunikation::Klasse, [this](Sender&) { Antwort(); }, Datenelement);
    // Registered before the windows: the main window's menus, recomputed at the same
    // notification, see the open gate.
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { setze_akzeptiert(1); }, cl_COM_Quorvel::Getrennt);
    eingabe_.anfragen = [this] { anfragen(); };
    version_.Passwort_anfragen = [this] { anfragen(); };
    // A lost answer is sent again like any other request's: the connection's failure count
    // decides when the ECU is gone, and nothing stops the query on its own.
    Abbruch_bei_Timeout = false;
}

cl_Passwort_Quorvel_OK::~cl_Passwort_Quorvel_OK() {
    version_.Passwort_anfragen = nullptr;
    eingabe_.anfragen = nullptr;
}

void cl_Passwort_Quorvel_OK::anfragen() {
    if (aktiv)
        return;
    if (version_.Datenelement_Protokoll) {
        kommunikation_.lese_Element(Datenelement);
        return;
    }
    Zustand[1] = 0;
    sofort_starten();
}

bool cl_Passwort_Quorvel_OK::Zugriff_erlaubt() {
    if (akzeptiert() == 0 && link().ist_verbunden())
        link().meldungen().zeige(hole_Text(345));
    return akzeptiert() != 0;
}

void cl_Passwort_Quorvel_OK::sende_wenn_frei(cl_COM_data* anfrage) {
    if (akzeptiert() != 0 && anfrage)
        anfrage->starten();
}

void cl_Passwort_Quorvel_OK::Antwort() {
    // An answer to the state query settles any input or change that was waiting.
    eingabe_.stoppe_Zeitgeber();
    if (akzeptiert() != 0 || (version_.Hersteller() == 1 && version_.Version() >= 615))
        parameter_.lese_Block();
    else if (starte_Statusdaten)
        starte_Statusdaten();
    InterAction_ausfuehren(*this, Beantwortet);
}

void cl_Passwort_Quorvel::stoppe_Zeitgeber() {
    timer_->stop();
}
