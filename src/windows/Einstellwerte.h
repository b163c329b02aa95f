#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class cl_Parameter;
struct cl_Parameter_Eingabedaten;

// What the settings editor shows and does, without a window: the group list, the table of
// the chosen group's active parameters, the commit of an edited cell and the CSV export.
// Every value lives in the parameter set; this keeps only which rows show which
// definitions, and rebuilds them whenever the set reloaded its definitions.
class Einstellwerte {
public:
    struct Zeile {
        QString Nummer;
        QString Text;
        QString Bereich;
        QString ECU;
        QString Neu; // empty when equal to the ECU value
    };

    explicit Einstellwerte(cl_Parameter& parameter);

    // The groups' names in the set's order, and whether a group's condition holds over the
    // edited values.
    QStringList Gruppennamen() const { return gruppennamen_; }
    bool Gruppe_fett(int index);
    int gewaehlte_Gruppe() const { return gewaehlt_; }
    // Chooses a group (committing nothing) and fills its table.
    void waehle_Gruppe(int index);

    // Rebuilds the group list, keeping the chosen group by name, and the chosen group's
    // table; then the menus are refreshed.
    void Parameter_anzeigen();
    // The same, only when the definitions were reloaded since the last build.
    void pruefe_Definitionen();

    const std::vector<Zeile>& Tabelle() const { return tabelle_; }
    bool Tabelle_sichtbar() const { return tabelle_.size() > 0; }
    // Table row 1 ... n; 0 when the table is empty.
    int aktuelle_Zeile() const { return zeile_; }
    // The help lines of the current row, or the note that the group has no active parameter.
    QStringList Memo() const;

    // Commits text as row r's edited value: blank restores the ECU value; the table is
    // rebuilt when an active flag changed.
    void uebernehme_Eingabe(int r, const QString& text);
    // Moves to row r (from 1), after committing the edit of the row left with its text.
    void waehle_Zeile(int r);

    // The CSV file's lines; the writer stores them through a temporary file.
    QStringList CSV_Zeilen(const QString& datei, const QStringList& kommentar, QChar dezimaltrenner,
                           const QDateTime& zeit);
    bool schreibe_CSV(const QString& datei, const QStringList& kommentar);
    bool schreibe_CSV(const QString& datei, const QStringList& kommentar, QChar dezimaltrenner,
                      const QDateTime& zeit);
    QString CSV_Dateiname;
    QStringList CSV_Kommentar;
    QString Titel;

    // Called whenever the data behind the group list changed, so that menus that depend on
    // parameter values follow.
    std::function<void()> aktualisiere_Menues;

    static QString Bereichstext(int typ, double min, double max);
    static QString Grenztext(int typ, double grenze);

private:
    void fuelle_Gruppenliste();
    void fuelle_Tabelle();
    QString Schluessel() const;

    cl_Parameter& p_;
    QStringList gruppennamen_;
    int gewaehlt_ = -1;
    std::vector<cl_Parameter_Eingabedaten*> zeilen_;
    std::vector<Zeile> tabelle_;
    int zeile_ = 0;
    int stand_ = -1;
    // Each group's last row, by name, for the whole run.
    QHash<QString, int> letzte_Zeile_;
};
