// The simulated ECU as a program: serves a pseudo-terminal or a CAN bus until it is told to
// stop.

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Programmbereiche.h"
#include "platform/Prioritaet.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signal_paar[2] = {-1, -1};

void bei_Signal(int signal) {
    const char c = signal == SIGUSR1 ? 2 : 1;
    [[maybe_unused]] const ssize_t n = ::write(signal_paar[1], &c, 1);
}

const char* const Hilfe =
    "usage: ecusim --serial [--pace [BAUD]] [--pace-requests] [--verbose] [identity options]\n"
    "       ecusim --can INTERFACE [--can-plugin NAME] [--verbose] [identity options]\n"
    "\n"
    "Plays an engine control unit at the far end of a pseudo-terminal or on a CAN bus,\n"
    "for running Quorvel without an ECU and for its tests.\n"
    "\n"
    "  --serial        open a pseudo-terminal and print the path of its slave side as the\n"
    "                  first line of standard output; map a COM port to it in the\n"
    "                  [Ports] section of the registry file (COM1=/dev/pts/N)\n"
    "  --pace [BAUD]   send answers at the pace of the line, 11 bits a byte at BAUD\n"
    "                  (default 19200); without it answers leave at once\n"
    "  --pace-requests answer a request only once its bytes would have crossed the line,\n"
    "                  11 bits a byte at the --pace rate (19200 baud without --pace), as\n"
    "                  an ECU at the end of a real wire does; implies --pace\n"
    "  --pace-bits N   bits a byte takes on the line for both paces (default 11, 8N2;\n"
    "                  10 for 8N1)\n"
    "  --can INTERFACE join a CAN bus through a Qt CAN plugin and print INTERFACE as the\n"
    "                  first line once on the bus; with Qt's virtual bus the interface is\n"
    "                  tcp://127.0.0.1:PORT/can0 (the first to join hosts the bus on PORT,\n"
    "                  and the bus ends with that process). Identifiers: receives on\n"
    "                  0x1FFFFFFE, answers on 0x1FFFFFFF (29-bit), as Quorvel's defaults\n"
    "  --can-plugin NAME  the Qt CAN plugin (default virtualcan)\n"
    "  --verbose       print every received frame as hex on standard error\n"
    "  --help          show this text\n"
    "\n"
    "Identity options (what the ECU answers to command 100):\n"
    "  --ecu-type N  --manufacturer N  --type-number N  --version N  --revision N\n"
    "  --name TEXT (at most 10 characters)  --hardware N  --serial-number N\n"
    "\n"
    "It checks each frame's length and checksum, answers the identity command (100) and\n"
    "the password-state query (82, \"not accepted\"), reads and writes the parameters in\n"
    "blocks (3 and 2) and as data items (128 and 129), carries out the service commands\n"
    "(flash, erases with their progress, the sensor and injector tests, manual injection,\n"
    "the error memory and its definitions (94, 104, 93, 92),\n"
    "export and import, logger, memory check, ignition maps, ...), serves the maps (every\n"
    "built-in map line by line, 107 and 108, stored by 78, changed at a point by 91; the\n"
    "data-item map 140 and curve 141 as items, stored by 130, changed by 131), the\n"
    "variants' records (type 3: the gearbox record on 4 with its data log, 200 and 201,\n"
    "and state log, 21; type 4, type number 1: the test box on 14), the auxiliary record\n"
    "(5) and the extra CAN temperatures (126), and runs until SIGTERM or SIGINT. An A5\n"
    "byte at a frame boundary wakes its boot loader (a greeting line; the access text\n"
    "brings \"T\"), which answers its version (12), the identification, the erase, the\n"
    "program records and the end.\n"
    "SIGUSR1 makes it fall silent (a dropped link); the next SIGUSR1 brings it back.\n"
    "At its end it prints \"faulty frames: N\" on standard output: the frames it received\n"
    "with a wrong length or checksum, or in malformed CAN messages.\n";

} // namespace

int main(int argc, char** argv) {
    bool seriell = false;
    QString can;
    QString canPlugin = QStringLiteral("virtualcan");
    bool ausgeben = false;
    int baud = 0;
    int bits = 11;
    bool anfragenTakten = false;
    ecusim::Identitaetsdaten identitaet;
    const struct {
        const char* option;
        std::function<void(const char*)> setze;
    } identitaetsoptionen[] = {
        {"--ecu-type", [&](const char* w) { identitaet.ECU_Typ = std::atoi(w); }},
        {"--manufacturer", [&](const char* w) { identitaet.Hersteller = std::atoi(w); }},
        {"--type-number", [&](const char* w) { identitaet.Typnummer = std::atoi(w); }},
        {"--version", [&](const char* w) { identitaet.Version = std::atoi(w); }},
        {"--revision", [&](const char* w) { identitaet.Revision = std::atoi(w); }},
        {"--hardware", [&](const char* w) { identitaet.Hardware_Haupt = std::atoi(w); }},
        {"--serial-number", [&](const char* w) { identitaet.Seriennummer = std::atoll(w); }},
        {"--name", [&](const char* w) { identitaet.Name = QByteArray(w).left(10); }},
    };
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const auto* id =
            std::find_if(std::begin(identitaetsoptionen), std::end(identitaetsoptionen),
                         [&](const auto& o) { return std::strcmp(a, o.option) == 0; });
        if (id != std::end(identitaetsoptionen)) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "ecusim: %s needs a value\n", a);
                return 2;
            }
            id->setze(argv[++i]);
            continue;
        }
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs(Hilfe, stdout);
            return 0;
        } else if (std::strcmp(a, "--serial") == 0) {
            seriell = true;
        } else if (std::strcmp(a, "--can") == 0 || std::strcmp(a, "--can-plugin") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "ecusim: %s needs a value\n", a);
                return 2;
            }
            (std::strcmp(a, "--can") == 0 ? can : canPlugin) = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(a, "--verbose") == 0) {
            ausgeben = true;
        } else if (std::strcmp(a, "--pace-bits") == 0) {
            bits = i + 1 < argc ? std::atoi(argv[++i]) : 0;
            if (bits < 8) {
                std::fputs("ecusim: --pace-bits needs the bits of a byte on the line\n", stderr);
                return 2;
            }
        } else if (std::strcmp(a, "--pace-requests") == 0) {
            anfragenTakten = true;
        } else if (std::strcmp(a, "--pace") == 0) {
            baud = 19200;
            if (i + 1 < argc && argv[i + 1][0] != '-')
                baud = std::atoi(argv[++i]);
            if (baud <= 0) {
                std::fputs("ecusim: --pace needs a positive baud rate\n", stderr);
                return 2;
            }
        } else {
            std::fprintf(stderr, "ecusim: unknown option %s\n\n%s", a, Hilfe);
            return 2;
        }
    }
    if (anfragenTakten && baud == 0)
        baud = 19200;
    if (seriell == !can.isEmpty()) {
        std::fputs(Hilfe, stderr);
        return 2;
    }

    if (baud > 0) {
        // It stands in for the ECU's own hardware, which keeps the line's time exactly: its
        // wake-ups at the deadlines of the line are neither put off by the system's timer
        // slack nor left waiting behind computing threads of a busy machine.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        Prioritaet::KurzeScheiben(100);
    }
    QCoreApplication app(argc, argv);
    ecusim::EcuSim sim;
    sim.ausgeben = ausgeben;
    sim.setze_Leitungstempo(baud);
    sim.setze_Bits_je_Byte(bits);
    sim.setze_Eingangstempo(anfragenTakten ? baud : 0);
    ecusim::Programmbereiche bereiche(sim, identitaet);
    if (seriell) {
        const QString pfad = sim.oeffne_pty();
        if (pfad.isEmpty()) {
            std::fputs("ecusim: no pseudo-terminal could be opened\n", stderr);
            return 1;
        }
        std::printf("%s\n", pfad.toLocal8Bit().constData());
    } else {
        if (!sim.oeffne_CAN(can, 0x1FFFFFFE, 0x1FFFFFFF, canPlugin)) {
            std::fprintf(stderr, "ecusim: could not join the CAN bus %s\n",
                         can.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", can.toLocal8Bit().constData());
    }
    std::fflush(stdout);

    // Signals end the event loop through a socket pair, so the simulator closes cleanly.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_paar) != 0)
        return 1;
    QSocketNotifier signale(signal_paar[0], QSocketNotifier::Read);
    QObject::connect(&signale, &QSocketNotifier::activated, &app, [&sim] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(signal_paar[0], &c, 1);
        if (c != 2) {
            QCoreApplication::quit();
            return;
        }
        // SIGUSR1: the link drops (no answers at all), or comes back.
        sim.stumm = !sim.stumm;
        std::fputs(sim.stumm ? "ecusim: silent\n" : "ecusim: answering again\n", stderr);
    });
    struct sigaction sa {};
    sa.sa_handler = bei_Signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);

    const int ergebnis = QCoreApplication::exec();
    sim.schliesse();
    // Tests read this to know that the program under test sent only sound frames.
    std::printf("faulty frames: %d\n", sim.Empfangsfehler);
    std::fflush(stdout);
    return ergebnis;
}
