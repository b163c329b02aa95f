// The backup window's buttons and captions by selection, run and mode, as the user sees
// them; the list's order; the engine-name chooser at a start without an engine.

#include "model/UKennfelder.h"
#include "windows/Datenfenster.h"
#include "windows/UColorButton.h"
#include "windows/maps/UZuendung_2_corr.h"
#include "windows/service/UKopieren.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {

struct Knopfbild {
    QString titel;
    bool an, ab;         // select / deselect all enabled
    bool kopie_sichtbar; // the two copy buttons and the folder labels
    QString qd, dq;      // the copy buttons' captions
    bool qd_an, dq_an;
    bool drucken_sichtbar;
    bool operator==(const Knopfbild&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Knopfbild& b) {
    return o << b.titel.toStdString() << " an=" << b.an << " ab=" << b.ab
             << " kopie=" << b.kopie_sichtbar << " [" << b.qd.toStdString() << "," << b.qd_an
             << "] [" << b.dq.toStdString() << "," << b.dq_an << "] drucken=" << b.drucken_sichtbar;
}

Knopfbild Bild(const TForm_Kopieren& f) {
    return {f.windowTitle(),
            f.Button_alles_anwaehlen->isEnabled(),
            f.Button_alles_abwaehlen->isEnabled(),
            !f.Button_Quorvel_Datei->isHidden() && !f.Label_Ordner->isHidden() &&
                !f.Label_Kopf_Ordner->isHidden() && !f.Button_Datei_Quorvel->isHidden(),
            f.Button_Quorvel_Datei->text(),
            f.Button_Datei_Quorvel->text(),
            f.Button_Quorvel_Datei->isEnabled(),
            f.Button_Datei_Quorvel->isEnabled(),
            !f.ColorButton_Drucken->isHidden()};
}

struct Fenster : Datenfenster {
    Fenster() { versionen().setze_Name(QStringLiteral("Motor")); }
    TForm_Kopieren& f() { return *k.kontext->fenster<TForm_Kopieren>(); }
    Kennfelder& kf = k.kontext->kennfelder();
};

} // namespace

TEST(UKopieren, ButtonsFollowTheChoiceTheRunAndTheMode) {
    Fenster w;
    TForm_Kopieren& f = w.f();
    w.kf.erstelle_Kennfeldliste();
    // Offered maps on the list, whatever they are enabled for, with the ignition editor.
    f.CheckBox_alle_Kennfelder->setChecked(true);
    f.show();
    ASSERT_GE(f.ListBox->count(), 2);
    const QString T = hole_Text(472), Q = hole_Text(470), D = hole_Text(471), A = hole_Text(71);
    struct Fall {
        const char* name;
        std::function<void()> tue;
        Knopfbild bild;
    };
    const std::vector<Fall> faelle{
        {"all chosen at showing", [] {}, {T, false, true, true, Q, D, true, true, false}},
        {"nothing chosen",
         [&] { f.Button_alles_abwaehlen->click(); },
         {T, true, false, true, Q, D, false, false, false}},
        {"one item",
         [&] { f.ListBox->item(1)->setSelected(true); },
         {T, true, true, true, Q, D, true, true, false}},
        {"only the parameter set",
         [&] {
             f.ListBox->item(1)->setSelected(false);
             f.CheckBox_Einstellwerte->click();
         },
         {T, true, true, true, Q, D, true, true, false}},
        {"every item but not the parameter set",
         [&] {
             f.Button_alles_anwaehlen->click();
             f.CheckBox_Einstellwerte->click();
         },
         {T, true, true, true, Q, D, true, true, false}},
        // Offline the parameter read waits: the run stays at its first item.
        {"running to files",
         [&] {
             f.CheckBox_Einstellwerte->click();
             f.Button_Quorvel_Datei->click();
         },
         {T, false, false, true, A, D, true, false, false}},
        {"aborted",
         [&] { f.Button_Quorvel_Datei->click(); },
         {T, false, true, true, Q, D, true, true, false}},
    };
    for (const Fall& fall : faelle) {
        fall.tue();
        EXPECT_EQ(Bild(f), fall.bild) << fall.name;
    }
}

TEST(UKopieren, PrintModeShowsOnlyThePrintButtonUnderItsCaption) {
    Fenster w;
    w.kf.erstelle_Kennfeldliste();
    auto& druck = static_cast<TForm_Kopieren&>(
        w.k.kontext->nimm_Fenster(std::make_unique<TForm_Kopieren>(*w.k.kontext)));
    druck.zeige_Drucken();
    EXPECT_TRUE(druck.isVisible());
    EXPECT_EQ(Bild(druck), (Knopfbild{hole_Text(87), false, true, false, hole_Text(470),
                                      hole_Text(471), false, false, true}));
    // The backup window itself stays as it was.
    EXPECT_FALSE(w.f().isVisible());
    EXPECT_FALSE(w.f().Logik().Druckmodus());
}

// A start without an engine data set lets the user choose one first; with one it does not.
TEST(UKopieren, AStartWithoutAnEngineAsksForOne) {
    Fenster w;
    w.versionen().setze_Name(QString());
    TForm_Kopieren& f = w.f();
    f.show();
    int gefragt = 0;
    f.Logik().waehle_Motorname = [&] {
        ++gefragt;
        w.versionen().setze_Name(QStringLiteral("Motor"));
    };
    f.Logik().setze_Einstellwerte(true);
    f.Button_Quorvel_Datei->click();
    EXPECT_EQ(gefragt, 1);
    EXPECT_TRUE(f.Logik().laeuft());
    f.Button_Quorvel_Datei->click();
    f.Button_Quorvel_Datei->click();
    EXPECT_EQ(gefragt, 1);
    f.Button_Quorvel_Datei->click();
    EXPECT_FALSE(f.Logik().laeuft());
}
