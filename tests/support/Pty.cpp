#include "Pty.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPaar::PtyPaar() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return;
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        ::close(master_);
        master_ = -1;
        return;
    }
    slave_ = QString::fromLocal8Bit(::ptsname(master_));
    // Raw from the start, so that nothing written before the port opens is echoed or cooked.
    termios t{};
    if (::tcgetattr(master_, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(master_, TCSANOW, &t);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPaar::~PtyPaar() {
    schliesse();
}

void PtyPaar::schliesse() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

bool PtyPaar::schreibe(const QByteArray& daten) {
    qsizetype fertig = 0;
    const auto ende = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (fertig < daten.size()) {
        const ssize_t n = ::write(master_, daten.constData() + fertig,
                                  static_cast<size_t>(daten.size() - fertig));
        if (n > 0) {
            fertig += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() > ende)
            return false;
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
    return true;
}

QByteArray PtyPaar::lies(int n, int zeitMs) {
    QByteArray ergebnis;
    const auto ende = std::chrono::steady_clock::now() + std::chrono::milliseconds(zeitMs);
    char puffer[4096];
    while (ergebnis.size() < n) {
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
            ende - std::chrono::steady_clock::now());
        if (rest.count() <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(rest.count())) <= 0)
            continue;
        const ssize_t r = ::read(master_, puffer,
                                 std::min(sizeof puffer, static_cast<size_t>(n - ergebnis.size())));
        if (r > 0)
            ergebnis.append(puffer, r);
        else if (r < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return ergebnis;
}
