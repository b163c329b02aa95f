#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

// A class's tag in the notification registry: its name and its parent's tag. Every class
// that sends or receives notifications declares one (see QUORVEL_KLASSE), so that an entry
// made for a class also hears its direct subclasses and theirs, and no class further down.
struct KlassenInfo {
    const char* name;
    const KlassenInfo* eltern;
};

// Declares a class's tag; put it in the class body.
//   QUORVEL_KLASSE(cl_Parameter, &cl_Parameter_Daten::Klasse)
#define QUORVEL_KLASSE(NAME, ELTERN)                                                               \
    static constexpr KlassenInfo Klasse{#NAME, ELTERN};                                            \
    const KlassenInfo& klasse() const override {                                                   \
        return Klasse;                                                                             \
    }

// Whatever announces events: a request, the link, the parameter set, a window.
class Sender {
public:
    virtual ~Sender() = default;
    virtual const KlassenInfo& klasse() const = 0;
};

// The notification registry: entries bound to (sender class, event), kept in the order they
// were made. A notification calls every enabled entry whose class is the sender's class,
// its parent or its grandparent.
class TInterAction {
public:
    using Methode = std::function<void(Sender&)>;
    using Prozedur = void (*)(Sender&);

    TInterAction() = default;
    TInterAction(const TInterAction&) = delete;
    TInterAction& operator=(const TInterAction&) = delete;

    // A handler bound to an object. Registering the same triple twice runs it twice.
    void Create(const KlassenInfo& senderKlasse, Methode methode, int event);
    // A plain procedure.
    void CreateProc(const KlassenInfo& senderKlasse, Prozedur prozedur, int event);
    // Registers the procedure unless the same (class, procedure, event) exists already.
    bool einmalig_anmelden(const KlassenInfo& senderKlasse, Prozedur prozedur, int event);

    // Calls the matching handlers in registration order. Entries made during the pass are
    // not visited by it; a handler's exception is dropped and the pass goes on.
    void ausfuehren(Sender& sender, int event);

    size_t Anzahl() const { return eintraege_.size(); }
    // The registrations in their order: sender class and event.
    std::vector<std::pair<const KlassenInfo*, int>> Anmeldungen() const;

    // Whether a registration for klasse is heard by a sender of class sender.
    static bool passt(const KlassenInfo& registriert, const KlassenInfo& sender);

private:
    struct Eintrag {
        const KlassenInfo* klasse;
        Methode methode;
        Prozedur prozedur;
        int event;
        bool aktiv;
    };
    // Entries are stable while handlers append to the list during a pass.
    std::vector<std::unique_ptr<Eintrag>> eintraege_;
};

// The running program's registry, owned by the application context.
void installiere_InterAction(TInterAction* registry);
TInterAction& InterAction();
void InterAction_ausfuehren(Sender& sender, int event);
bool InterAction_einmalig_anmelden(const KlassenInfo& senderKlasse, TInterAction::Prozedur prozedur,
                                   int event);
