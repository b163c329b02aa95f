#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Kontext;
class Sender;
class TForm_Zuendung;

// The backup copy without its window: which items it offers and which are chosen, the
// buttons' states, and the run that copies the parameter set, the ignition maps and the
// chosen maps from the ECU into the next free file versions, from the newest versions back
// into the ECU, or prints them in one document. It transfers nothing itself: it starts one
// item's transfer, waits for that item's completion event and goes on from there.
class Kopierlogik {
public:
    // What a list item stands for: the ignition map editor, the correction map editor, or a
    // map of the offered list by its index there.
    static constexpr int Ziel_Zuendung = -1;
    static constexpr int Ziel_Zuendung_2 = -2;

    struct Eintrag {
        QString Text;
        bool gewaehlt = false;
        bool operator==(const Eintrag&) const = default;
    };

    // The window's buttons and labels as the state calls for them; texts by number.
    struct Knoepfe {
        int Titel = 472;
        bool alles_anwaehlen = false;
        bool alles_abwaehlen = false;
        bool Kopierknoepfe_sichtbar = true; // with the folder labels
        bool Drucken_sichtbar = false;
        int Text_Quorvel_Datei = 470;
        bool Quorvel_Datei = false;
        int Text_Datei_Quorvel = 471;
        bool Datei_Quorvel = false;
        bool operator==(const Knoepfe&) const = default;
    };

    Kopierlogik(Kontext& kontext, bool druckmodus);
    ~Kopierlogik();
    Kopierlogik(const Kopierlogik&) = delete;
    Kopierlogik& operator=(const Kopierlogik&) = delete;

    // The ignition editor captions, then the offered maps (enabled ones, or all), in
    // alphabetical order, which is the copying order. Selections are dropped.
    void fuelle_Liste(bool alle_Kennfelder);
    void waehle_alle(bool an);
    void setze_gewaehlt(int index, bool an);
    void setze_Einstellwerte(bool an);

    // 0: nothing chosen; 2: every item and the parameter set; 1 otherwise.
    int Auswahlzustand() const;
    Knoepfe check_Buttons() const;

    // The three buttons: a start, or the abort of the run under way.
    void Button_Quorvel_DateiClick();
    void Button_Datei_QuorvelClick();
    void ColorButton_DruckenClick();
    void abbrechen();

    // The completion handlers; sender is the object that finished, none at a start.
    void Schritt_nach_Datei(const Sender* sender);
    void Schritt_nach_Quorvel(const Sender* sender);

    const std::vector<Eintrag>& Liste() const { return liste_; }
    bool Einstellwerte() const { return einstellwerte_; }
    bool laeuft() const { return laeuft_; }
    bool nach_Datei() const { return nach_Datei_; }
    bool Druckmodus() const { return druckmodus_; }
    void setze_Druckmodus(bool an) { druckmodus_ = an; }
    int Listenindex() const { return listenindex_; }
    int Ziel() const { return ziel_; }
    const Sender* erwartet() const { return erwartet_; }

    // The list, the box or the run changed: the window shows it again.
    std::function<void()> geaendert;
    // Lets the user choose an engine data set; by default the engine-name window.
    std::function<void()> waehle_Motorname;

private:
    void starte(bool nach_Datei);
    void setze_laeuft(bool an);
    void melde();
    bool suche_naechstes();
    TForm_Zuendung* Zuendfenster(int ziel) const;
    // The item's store or printout after its read; false when the store failed.
    bool sichere_Eintrag();
    bool sichere_Parameter();
    // The item's newest file loaded and its write started; false when it did not load.
    bool sende_Eintrag();
    void beende_Lauf();

    Kontext& k;
    std::vector<Eintrag> liste_;
    bool einstellwerte_ = false;
    int listenindex_ = -1;
    int ziel_ = Ziel_Zuendung_2;
    const Sender* erwartet_ = nullptr;
    bool laeuft_ = false;
    bool nach_Datei_ = true;
    bool druckmodus_;
    // The registry's handlers reach the logic only while it lives.
    std::shared_ptr<Kopierlogik*> selbst_;
};
