#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair standing in for a serial line: the program opens the slave as its
// port, the test plays the far end on the master.
class PtyPaar {
public:
    PtyPaar();
    ~PtyPaar();
    PtyPaar(const PtyPaar&) = delete;
    PtyPaar& operator=(const PtyPaar&) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    // The device path of the port side, e.g. /dev/pts/7.
    QString slavePfad() const { return slave_; }

    // Writes everything (waiting while the line is full); false on failure.
    bool schreibe(const QByteArray& daten);
    // Reads what arrives within the time, up to n bytes.
    QByteArray lies(int n, int zeitMs);
    // The far end goes away (a pulled adapter, a closed relay).
    void schliesse();

private:
    int master_ = -1;
    QString slave_;
};
