// The simulator's areas in the order the ecusim program sets them up: each variant's command
// answered by the area made for it.

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Programmbereiche.h"
#include "ecusim/Worte.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

ecusim::Identitaetsdaten Kennung(uint16_t typ, uint16_t typnummer = 400) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = typ;
    id.Typnummer = typnummer;
    return id;
}

// The program's ECU over its pseudo-terminal.
class Programm_ECU {
public:
    explicit Programm_ECU(const ecusim::Identitaetsdaten& id) : bereiche(sim, id) {
        fd_ = ::open(sim.oeffne_pty().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Programm_ECU() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Programm_ECU(const Programm_ECU&) = delete;
    Programm_ECU& operator=(const Programm_ECU&) = delete;

    // The answer's data bytes; empty when none came.
    QByteArray frage(uint8_t befehl, const QByteArray& daten = {}) {
        const QByteArray rahmen = ecusim::baue_Rahmen(befehl, daten);
        if (::write(fd_, rahmen.constData(), static_cast<size_t>(rahmen.size())) != rahmen.size())
            return {};
        QByteArray a;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            char puffer[512];
            const ssize_t n = ::read(fd_, puffer, sizeof puffer);
            if (n > 0)
                a.append(puffer, n);
            if (!a.isEmpty() && a.size() >= static_cast<uint8_t>(a[0])) {
                EXPECT_EQ(static_cast<uint8_t>(a[1]), befehl);
                return a.mid(2, a.size() - 3);
            }
        }
        return {};
    }

    ecusim::EcuSim sim;
    ecusim::Programmbereiche bereiche;

private:
    int fd_ = -1;
};

uint32_t Doppelwort(const QByteArray& d, int o) {
    return ecusim::Wort(d, o / 2) | (static_cast<uint32_t>(ecusim::Wort(d, o / 2 + 1)) << 16);
}

} // namespace

// On the additive ECU the auxiliary record is the additive panel's integers, as the windows
// expect; the other variants get the floats of the family's memo.
TEST(Programmbereiche, EachVariantsRecordsComeFromItsOwnArea) {
    {
        Programm_ECU e(Kennung(6));
        EXPECT_EQ(e.frage(4).size(), 50);
        const QByteArray aux = e.frage(5);
        ASSERT_EQ(aux.size(), 32);
        const int schritt = e.bereiche.varianten.Schritt;
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(Doppelwort(aux, 4 * i), static_cast<uint32_t>((i + 1) * 1000 + schritt)) << i;
        EXPECT_EQ(e.bereiche.zusatz.Aux_Schritt, 0);
    }
    {
        Programm_ECU e(Kennung(3));
        EXPECT_EQ(e.frage(4).size(), 104);
        const QByteArray aux = e.frage(5);
        ASSERT_EQ(aux.size(), 32);
        EXPECT_EQ(e.bereiche.zusatz.Aux_Schritt, 1);
        EXPECT_EQ(aux, e.bereiche.zusatz.Aux_Datensatz());
    }
    {
        Programm_ECU e(Kennung(4, 1));
        EXPECT_EQ(e.frage(14).size(), 80);
        EXPECT_EQ(e.bereiche.zusatz.Testbox_Schritt, 1);
    }
}
