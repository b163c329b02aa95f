#pragma once

#include <iterator>
#include <list>
#include <optional>

// The system's record lists: a list is reached through an anchor, one of its nodes, and new
// nodes go behind the anchor (or before it: the error-memory records). A node can also be
// put where it keeps the list sorted, searching from the anchor, and moved up or down.
template <class T> class Liste {
public:
    using Knoten = typename std::list<T>::iterator;
    using Anker = std::optional<Knoten>;

    bool leer() const { return nodes_.empty(); }
    int Anzahl() const { return static_cast<int>(nodes_.size()); }
    Knoten erster() { return nodes_.begin(); }
    Knoten letzter() { return std::prev(nodes_.end()); }
    Knoten ende() { return nodes_.end(); }
    auto begin() { return nodes_.begin(); }
    auto end() { return nodes_.end(); }
    auto begin() const { return nodes_.begin(); }
    auto end() const { return nodes_.end(); }

    // Links a node behind the anchor, or before it; an empty list ignores the anchor.
    Knoten einfuegen(const Anker& anker, T wert, bool davor = false) {
        if (nodes_.empty() || !anker)
            return nodes_.insert(davor ? nodes_.begin() : nodes_.end(), std::move(wert));
        return nodes_.insert(davor ? *anker : std::next(*anker), std::move(wert));
    }

    // Links a node where it keeps the list sorted by key, searching from the anchor: forward
    // while the next key is less, or backward while the new key is less. A key equal to
    // existing ones lands before them searching forward and behind the nearest searching
    // backward.
    template <class Schluessel>
    Knoten einfuegen_sortiert(const Anker& anker, T wert, Schluessel schluessel) {
        if (nodes_.empty() || !anker)
            return nodes_.insert(nodes_.end(), std::move(wert));
        Knoten a = *anker;
        const auto neu = schluessel(wert);
        bool davor = false;
        if (!(schluessel(*a) < neu)) {
            davor = true;
            while (a != nodes_.begin()) {
                a = std::prev(a);
                if (!(neu < schluessel(*a))) {
                    davor = false;
                    break;
                }
            }
        } else {
            for (Knoten n = std::next(a); n != nodes_.end() && schluessel(*n) < neu; ++n)
                a = n;
        }
        return nodes_.insert(davor ? a : std::next(a), std::move(wert));
    }

    // Unlinks a node and returns the neighbour that stays: the next node, the previous one
    // for the last node, nothing for the only node.
    Anker aushaengen(Knoten knoten) {
        Anker nachbar;
        if (std::next(knoten) != nodes_.end())
            nachbar = std::next(knoten);
        else if (knoten != nodes_.begin())
            nachbar = std::prev(knoten);
        nodes_.erase(knoten);
        return nachbar;
    }

    // Moves a node before or behind another node of the list; the node keeps its identity.
    void umhaengen(Knoten knoten, Knoten ziel, bool davor) {
        if (knoten == ziel)
            return;
        nodes_.splice(davor ? ziel : std::next(ziel), nodes_, knoten);
    }
    bool nach_oben(Knoten knoten) {
        if (knoten == nodes_.begin())
            return false;
        umhaengen(knoten, std::prev(knoten), true);
        return true;
    }
    bool nach_unten(Knoten knoten) {
        if (std::next(knoten) == nodes_.end())
            return false;
        umhaengen(knoten, std::next(knoten), false);
        return true;
    }

    // Steps to the next / previous node; false and unchanged at the end.
    bool naechster(Knoten& knoten) {
        if (std::next(knoten) == nodes_.end())
            return false;
        ++knoten;
        return true;
    }
    bool vorheriger(Knoten& knoten) {
        if (knoten == nodes_.begin())
            return false;
        --knoten;
        return true;
    }

private:
    std::list<T> nodes_;
};
