#include "windows/Einstellwerte.h"

#include "base/Uglobal.h"
#include "model/UParameter.h"
#include "platform/Dateien.h"

#include <QLocale>

Einstellwerte::Einstellwerte(cl_Parameter& parameter) : p_(parameter) {
    Titel = hole_Text(121);
}

QString Einstellwerte::Grenztext(int typ, double grenze) {
    if (typ == 1)
        return QString::asprintf("%5.2f", grenze);
    const int64_t r = Round(grenze);
    if (typ == 7 || typ == 9)
        return QString::asprintf("%5X", static_cast<unsigned>(static_cast<uint32_t>(r)));
    return QString::asprintf("%5lld", static_cast<long long>(r));
}

QString Einstellwerte::Bereichstext(int typ, double min, double max) {
    return Grenztext(typ, min) + QStringLiteral(" . . ") + Grenztext(typ, max);
}

QString Einstellwerte::Schluessel() const {
    const auto& g = p_.Gruppen();
    return gewaehlt_ >= 0 && gewaehlt_ < static_cast<int>(g.size())
               ? g[static_cast<size_t>(gewaehlt_)].Schluessel
               : QString();
}

bool Einstellwerte::Gruppe_fett(int index) {
    pruefe_Definitionen();
    const auto& g = p_.Gruppen();
    if (index < 0 || index >= static_cast<int>(g.size()))
        return false;
    const QString bedingung = g[static_cast<size_t>(index)].Bedingung;
    return bedingung.isEmpty() || p_.pruefe_Bedingung(bedingung);
}

void Einstellwerte::fuelle_Gruppenliste() {
    const QString gewaehlt =
        gewaehlt_ >= 0 && gewaehlt_ < gruppennamen_.size() ? gruppennamen_[gewaehlt_] : QString();
    gruppennamen_.clear();
    for (const clGruppe& g : p_.Gruppen())
        gruppennamen_ << g.Gruppenname;
    gewaehlt_ = gruppennamen_.isEmpty() ? -1 : 0;
    if (!gewaehlt.isEmpty() && gruppennamen_.contains(gewaehlt))
        gewaehlt_ = static_cast<int>(gruppennamen_.indexOf(gewaehlt));
}

void Einstellwerte::fuelle_Tabelle() {
    zeilen_.clear();
    tabelle_.clear();
    zeile_ = 0;
    if (gewaehlt_ < 0)
        return;
    p_.pruefe_alle_Bedingungen();
    const QString schluessel = Schluessel();
    for (const auto& d : p_.Definitionen())
        if (d->aktiv && d->Gruppe == schluessel)
            zeilen_.push_back(d.get());
    for (size_t i = 0; i < zeilen_.size(); ++i) {
        const cl_Parameter_Eingabedaten& d = *zeilen_[i];
        const QString ecu = p_.Wert_als_Text(d, 0);
        const QString neu = p_.Wert_als_Text(d, 1);
        tabelle_.push_back({QString::number(i + 1), d.Text,
                            Bereichstext(d.Typ, d.Minimum, d.Maximum), ecu,
                            neu != ecu ? neu : QString()});
    }
    if (!tabelle_.empty()) {
        const int letzte = letzte_Zeile_.value(gruppennamen_[gewaehlt_], 0);
        zeile_ = letzte >= 1 && letzte <= static_cast<int>(tabelle_.size()) ? letzte : 1;
    }
}

void Einstellwerte::Parameter_anzeigen() {
    stand_ = p_.Definitionsstand();
    fuelle_Gruppenliste();
    fuelle_Tabelle();
    if (aktualisiere_Menues)
        aktualisiere_Menues();
}

void Einstellwerte::pruefe_Definitionen() {
    if (stand_ != p_.Definitionsstand())
        Parameter_anzeigen();
}

void Einstellwerte::waehle_Gruppe(int index) {
    pruefe_Definitionen();
    if (index < 0 || index >= gruppennamen_.size())
        return;
    gewaehlt_ = index;
    fuelle_Tabelle();
}

QStringList Einstellwerte::Memo() const {
    if (tabelle_.empty())
        return {QStringLiteral("keine Einstellwerte vorhanden")};
    if (zeile_ < 1 || zeile_ > static_cast<int>(zeilen_.size()) || stand_ != p_.Definitionsstand())
        return {};
    return zeilen_[static_cast<size_t>(zeile_ - 1)]->Hilfe;
}

void Einstellwerte::uebernehme_Eingabe(int r, const QString& text) {
    pruefe_Definitionen();
    if (r < 1 || r > static_cast<int>(zeilen_.size()))
        return;
    const cl_Parameter_Eingabedaten& d = *zeilen_[static_cast<size_t>(r - 1)];
    if (text.trimmed().isEmpty())
        p_.setze_Rohwert(d, 1, p_.hole_Rohwert(d, 0));
    else
        p_.setze_Wert_aus_Text(d, 1, text);
    Zeile& z = tabelle_[static_cast<size_t>(r - 1)];
    z.ECU = p_.Wert_als_Text(d, 0);
    const QString neu = p_.Wert_als_Text(d, 1);
    z.Neu = neu != z.ECU ? neu : QString();
    if (!p_.pruefe_alle_Bedingungen()) {
        const int zeile = zeile_;
        fuelle_Tabelle();
        if (zeile >= 1 && zeile <= static_cast<int>(tabelle_.size()))
            zeile_ = zeile;
    }
    if (aktualisiere_Menues)
        aktualisiere_Menues();
}

void Einstellwerte::waehle_Zeile(int r) {
    pruefe_Definitionen();
    if (r < 1 || r > static_cast<int>(tabelle_.size()))
        return;
    zeile_ = r;
    if (gewaehlt_ >= 0)
        letzte_Zeile_.insert(gruppennamen_[gewaehlt_], r);
}

QStringList Einstellwerte::CSV_Zeilen(const QString& datei, const QStringList& kommentar,
                                      QChar dezimaltrenner, const QDateTime& zeit) {
    pruefe_Definitionen();
    const QChar sep = dezimaltrenner == '.' ? QChar(',') : QChar(';');
    CSV_Dateiname = datei;
    CSV_Kommentar = kommentar;
    QStringList z;
    z << Titel << datei
      << zeit.toString(QStringLiteral("dd.MM.yyyy")) + sep +
             zeit.toString(QStringLiteral("HH:mm:ss"))
      << QString();
    z << QStringList{hole_Text(148), hole_Text(153), hole_Text(1234), hole_Text(1235),
                     hole_Text(155)}
             .join(sep);
    z << kommentar << QString();
    for (const clGruppe& g : p_.Gruppen()) {
        if (p_.zaehle_Gruppe(g.Schluessel) == 0)
            continue;
        z << g.Gruppenname;
        int n = 0;
        for (const auto& d : p_.Definitionen()) {
            if (!d->aktiv || d->Gruppe != g.Schluessel)
                continue;
            z << QString::number(++n) + sep + d->Text + sep + Grenztext(d->Typ, d->Minimum) + sep +
                     Grenztext(d->Typ, d->Maximum) + sep + p_.Wert_als_Text(*d, 0);
        }
        z << QString();
    }
    return z;
}

bool Einstellwerte::schreibe_CSV(const QString& datei, const QStringList& kommentar) {
    return schreibe_CSV(datei, kommentar, QLocale::system().decimalPoint().at(0),
                        QDateTime::currentDateTime());
}

bool Einstellwerte::schreibe_CSV(const QString& datei, const QStringList& kommentar,
                                 QChar dezimaltrenner, const QDateTime& zeit) {
    return Dateien::schreibe_Zeilen(datei, CSV_Zeilen(datei, kommentar, dezimaltrenner, zeit));
}
