#include "base/UInterAction.h"
#include "support/Logmitschnitt.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A four-level class chain, as the requests have it: Basis <- Mitte <- Unten <- Ganz_unten.
struct Basis : Sender {
    static constexpr KlassenInfo Klasse{"Basis", nullptr};
    const KlassenInfo& klasse() const override { return Klasse; }
};
struct Mitte : Basis {
    QUORVEL_KLASSE(Mitte, &Basis::Klasse)
};
struct Unten : Mitte {
    QUORVEL_KLASSE(Unten, &Mitte::Klasse)
};
struct Ganz_unten : Unten {
    QUORVEL_KLASSE(Ganz_unten, &Unten::Klasse)
};
struct Andere : Sender {
    static constexpr KlassenInfo Klasse{"Andere", nullptr};
    const KlassenInfo& klasse() const override { return Klasse; }
};

std::vector<std::string>* g_protokoll = nullptr;
void proc_a(Sender&) {
    g_protokoll->push_back("proc_a");
}
void proc_b(Sender&) {
    g_protokoll->push_back("proc_b");
}

class InterActionTest : public ::testing::Test {
protected:
    void SetUp() override { g_protokoll = &protokoll; }
    void TearDown() override { g_protokoll = nullptr; }
    TInterAction::Methode merke(std::string name) {
        return [this, name](Sender&) { protokoll.push_back(name); };
    }
    TInterAction reg;
    std::vector<std::string> protokoll;
};

} // namespace

TEST_F(InterActionTest, KlasseElternUndGrosselternNichtWeiter) {
    const struct {
        const KlassenInfo* registriert;
        const KlassenInfo* sender;
        bool gehoert;
    } faelle[] = {
        {&Unten::Klasse, &Unten::Klasse, true},      {&Mitte::Klasse, &Unten::Klasse, true},
        {&Basis::Klasse, &Unten::Klasse, true},      {&Basis::Klasse, &Ganz_unten::Klasse, false},
        {&Mitte::Klasse, &Ganz_unten::Klasse, true}, {&Unten::Klasse, &Mitte::Klasse, false},
        {&Andere::Klasse, &Unten::Klasse, false},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(TInterAction::passt(*f.registriert, *f.sender), f.gehoert)
            << f.registriert->name << " <- " << f.sender->name;

    reg.Create(Basis::Klasse, merke("basis"), 1);
    reg.Create(Mitte::Klasse, merke("mitte"), 1);
    reg.Create(Ganz_unten::Klasse, merke("ganz_unten"), 1);
    reg.Create(Unten::Klasse, merke("unten event 2"), 2);
    Ganz_unten g;
    reg.ausfuehren(g, 1);
    EXPECT_EQ(protokoll, (std::vector<std::string>{"mitte", "ganz_unten"}));
    protokoll.clear();
    Andere a;
    reg.ausfuehren(a, 1);
    EXPECT_TRUE(protokoll.empty());
}

TEST_F(InterActionTest, ReihenfolgeDoppelteUndEinmaligeAnmeldung) {
    reg.CreateProc(Mitte::Klasse, proc_a, 5);
    reg.Create(Mitte::Klasse, merke("m1"), 5);
    reg.CreateProc(Mitte::Klasse, proc_a, 5); // registered twice: runs twice
    EXPECT_FALSE(reg.einmalig_anmelden(Mitte::Klasse, proc_a, 5));
    EXPECT_TRUE(reg.einmalig_anmelden(Mitte::Klasse, proc_b, 5));
    EXPECT_TRUE(reg.einmalig_anmelden(Mitte::Klasse, proc_a, 6));
    EXPECT_TRUE(reg.einmalig_anmelden(Unten::Klasse, proc_a, 5));
    EXPECT_EQ(reg.Anzahl(), 6u);
    Mitte m;
    reg.ausfuehren(m, 5);
    EXPECT_EQ(protokoll, (std::vector<std::string>{"proc_a", "m1", "proc_a", "proc_b"}));
}

TEST_F(InterActionTest, HandlerDerAnmeldetOderBenachrichtigt) {
    Unten u;
    // A handler registering a matching entry: it is not called in this pass, only the next.
    reg.Create(
        Unten::Klasse,
        [&](Sender&) {
            protokoll.push_back("anmelder");
            reg.Create(Unten::Klasse, merke("neu"), 1);
        },
        1);
    // A handler notifying again runs that notification nested.
    reg.Create(
        Unten::Klasse,
        [&](Sender& s) {
            protokoll.push_back("weiter");
            reg.ausfuehren(s, 2);
        },
        1);
    reg.Create(Unten::Klasse, merke("zwei"), 2);
    reg.ausfuehren(u, 1);
    EXPECT_EQ(protokoll, (std::vector<std::string>{"anmelder", "weiter", "zwei"}));
    protokoll.clear();
    reg.ausfuehren(u, 1);
    EXPECT_EQ(protokoll, (std::vector<std::string>{"anmelder", "weiter", "zwei", "neu"}));
}

TEST_F(InterActionTest, AusnahmeEinesHandlersWirdVerworfen) {
    Logmitschnitt log;
    reg.Create(
        Basis::Klasse, [](Sender&) { throw std::runtime_error("kaputt"); }, 1);
    reg.CreateProc(
        Basis::Klasse, [](Sender&) { throw 42; }, 1);
    reg.Create(Basis::Klasse, merke("danach"), 1);
    Basis b;
    EXPECT_NO_THROW(reg.ausfuehren(b, 1));
    EXPECT_NO_THROW(reg.ausfuehren(b, 1));
    // The failing entries stay registered and the pass goes on each time.
    EXPECT_EQ(protokoll, (std::vector<std::string>{"danach", "danach"}));
    EXPECT_EQ(reg.Anzahl(), 3u);
    // What was dropped is told only to the base's debug log, once per failure.
    const QStringList zeilen = log.Zeilen(QStringLiteral("quorvel.base"));
    ASSERT_EQ(zeilen.size(), 4) << zeilen.join('\n').toStdString();
    EXPECT_TRUE(zeilen[0].contains(QStringLiteral("kaputt"))) << zeilen[0].toStdString();
    EXPECT_TRUE(zeilen[1].contains(QStringLiteral("unknown type"))) << zeilen[1].toStdString();
}
