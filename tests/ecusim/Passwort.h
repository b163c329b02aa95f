#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace ecusim {

class EcuSim;

// What the password commands can be told to get wrong.
enum class Passwortfehler {
    Zustand_stumm, // the next state query (command 82) goes unanswered
    Eingabe_stumm, // the next input or change (commands 80, 81) goes unanswered
};

// The simulated ECU's password: input (command 81, a 0-terminated text) is checked against
// the stored password, change (command 80) stores a new one, the state query (command 82)
// answers whether a valid password was given. The password number belongs to the command
// area.
class Passwortbereich {
public:
    explicit Passwortbereich(EcuSim& sim);
    Passwortbereich(const Passwortbereich&) = delete;
    Passwortbereich& operator=(const Passwortbereich&) = delete;

    void injiziere(Passwortfehler f, int anzahl = 1);

    QByteArray Passwort = "GEHEIM";
    bool akzeptiert = false;
    // The texts received by commands 80 and 81, without their 0 byte.
    std::vector<QByteArray> Eingaben;
    int Zustandsanfragen = 0;

private:
    std::vector<Passwortfehler> fehler_;
    bool nimm(Passwortfehler f);
};

} // namespace ecusim
