// The ".QVD" reader with random files, through a file as the import window opens it: the
// header scan and the import's telegrams. Promised: both end and read nothing outside the
// file; the telegrams carry, 16 pairs at most each, exactly the file's bytes from its first
// tag-64 pair on, or nothing when those bytes are no whole pairs; and a description the scan
// read comes back line for line when written again.

#include "Fuzzhilfe.h"
#include "model/QVD_Datei.h"
#include "platform/Dateien.h"

#include <QFile>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::Programmordner ordner;
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString pfad = ordner.datei(QStringLiteral("DATA/fuzz.QVD"));
    fuzz::pruefe(fuzz::schreibe(pfad, inhalt), "the input is written");

    const QVD::Dateikopf kopf = QVD::lies_Dateikopf(fuzz::lies(pfad));
    fuzz::pruefe(static_cast<size_t>(kopf.Beschreibung.size()) <= size / 4 + 1,
                 "no more description lines than pairs");
    fuzz::pruefe(kopf.Versionstext().startsWith(QLatin1Char('V')) &&
                     kopf.Versionstext().contains(QLatin1Char('.')),
                 "the version reads V<digits>.<digits>");
    // Lines the code page holds whole, without a 0 character, survive a write and a read.
    QStringList zeilen;
    for (const QString& z : kopf.Beschreibung)
        if (!z.contains(QChar(0)) && Dateien::von_1252(Dateien::zu_1252(z)) == z)
            zeilen.append(z);
    fuzz::pruefe(QVD::lies_Dateikopf(QVD::Bytes(QVD::Beschreibung(zeilen))).Beschreibung == zeilen,
                 "a description comes back as written");

    QVD::Importleser leser;
    auto datei = std::make_unique<QFile>(pfad);
    fuzz::pruefe(datei->open(QIODevice::ReadOnly), "the file opens");
    const QVD::Importleser::Ergebnis e = leser.oeffne(std::move(datei));
    qsizetype beginn = inhalt.size() / 2 * 2;
    for (qsizetype b = 0; b + 4 <= inhalt.size(); b += 4)
        if (static_cast<uint8_t>(inhalt[b]) == QVD::Kopfbeginn && inhalt[b + 1] == 0) {
            beginn = b;
            break;
        }
    if ((inhalt.size() - beginn) % 4 != 0) {
        fuzz::pruefe(e == QVD::Importleser::Ergebnis::keine_ganzen_Paare,
                     "a cut pair is refused before anything is sent");
        return 0;
    }
    fuzz::pruefe(e == QVD::Importleser::Ergebnis::ok, "whole pairs are taken");
    QByteArray gesendet;
    for (;;) {
        const auto block = leser.naechster_Block();
        fuzz::pruefe(block.has_value(), "an unchanged file reads");
        fuzz::pruefe(block->size() <= 16, "at most 16 pairs a telegram");
        gesendet += QVD::Bytes(*block);
        if (block->size() < 16)
            break;
    }
    fuzz::pruefe(gesendet == inhalt.mid(beginn), "the telegrams carry the file from tag 64 on");
    return 0;
}
