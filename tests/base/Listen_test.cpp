#include "base/Listen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Eintrag {
    int schluessel;
    std::string name;
};

std::vector<std::string> namen(Liste<Eintrag>& l) {
    std::vector<std::string> n;
    for (const Eintrag& e : l)
        n.push_back(e.name);
    return n;
}

int schluessel(const Eintrag& e) {
    return e.schluessel;
}

} // namespace

TEST(Listen, HinterDemAnkerUndDavor) {
    Liste<Eintrag> l;
    Liste<Eintrag>::Anker anker;
    anker = l.einfuegen(anker, {0, "a"});
    anker = l.einfuegen(anker, {0, "b"});
    l.einfuegen(l.erster(), {0, "a2"});
    EXPECT_EQ(namen(l), (std::vector<std::string>{"a", "a2", "b"}));

    // Error records go in front of the anchor: the newest stands first.
    Liste<Eintrag> fehler;
    Liste<Eintrag>::Anker f;
    for (const char* n : {"alt", "mittel", "neu"})
        f = fehler.einfuegen(f, {0, n}, true);
    EXPECT_EQ(namen(fehler), (std::vector<std::string>{"neu", "mittel", "alt"}));
    EXPECT_EQ(fehler.Anzahl(), 3);
}

TEST(Listen, Sortiert) {
    Liste<Eintrag> l;
    Liste<Eintrag>::Anker anker;
    for (int k : {5, 1, 3})
        anker = l.einfuegen_sortiert(anker, {k, std::to_string(k)}, schluessel);
    EXPECT_EQ(namen(l), (std::vector<std::string>{"1", "3", "5"}));

    // Equal keys: forward search puts the new one before them, backward behind the nearest.
    Liste<Eintrag> g;
    Liste<Eintrag>::Anker a = g.einfuegen({}, {1, "x1"});
    g.einfuegen(a, {2, "y1"});
    g.einfuegen_sortiert(g.erster(), {2, "y2 vorwaerts"}, schluessel);
    g.einfuegen_sortiert(g.letzter(), {1, "x2 rueckwaerts"}, schluessel);
    EXPECT_EQ(namen(g), (std::vector<std::string>{"x1", "x2 rueckwaerts", "y2 vorwaerts", "y1"}));
    g.einfuegen_sortiert(g.letzter(), {0, "z kleinster"}, schluessel);
    EXPECT_EQ(namen(g).front(), "z kleinster");
}

TEST(Listen, AushaengenLiefertDenNachbarn) {
    Liste<Eintrag> l;
    auto a = l.einfuegen({}, {0, "a"});
    auto b = l.einfuegen(a, {0, "b"});
    auto c = l.einfuegen(b, {0, "c"});
    auto n = l.aushaengen(b);
    ASSERT_TRUE(n);
    EXPECT_EQ((*n)->name, "c");
    EXPECT_EQ(l.Anzahl(), 2);
    n = l.aushaengen(c);
    EXPECT_EQ((*n)->name, "a");
    EXPECT_FALSE(l.aushaengen(a));
    EXPECT_TRUE(l.leer());
}

TEST(Listen, NachObenUndUntenUndSchritte) {
    Liste<Eintrag> l;
    Liste<Eintrag>::Anker anker;
    for (const char* n : {"a", "b", "c"})
        anker = l.einfuegen(anker, {0, n});
    auto b = std::next(l.erster());
    EXPECT_TRUE(l.nach_oben(b));
    EXPECT_EQ(namen(l), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_FALSE(l.nach_oben(b));
    EXPECT_TRUE(l.nach_unten(b));
    EXPECT_TRUE(l.nach_unten(b));
    EXPECT_EQ(namen(l), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_FALSE(l.nach_unten(b));
    EXPECT_EQ(b->name, "b"); // the node keeps its identity while it moves

    auto k = l.letzter();
    EXPECT_FALSE(l.naechster(k));
    EXPECT_EQ(k->name, "b");
    EXPECT_TRUE(l.vorheriger(k));
    EXPECT_EQ(k->name, "c");
}
