// The about box: the program's own version and date under the language's headings. With
// QUORVEL_BILDER naming a folder, its picture is saved there.

#include "link/LinkFixture.h"
#include "windows/UVersionsinfo.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

TEST(Versionsinfo, ShowsTheProgramsVersionAndDateUnderTheHeadings) {
    LinkKontext k(false);
    TForm_Versionsinfo f(*k.kontext);
    struct Zeile {
        const QLabel* label;
        QPoint ort;
        QString text;
    };
    const auto pruefe = [&](const QString& titel, const std::vector<Zeile>& zeilen) {
        f.show();
        EXPECT_EQ(f.windowTitle(), titel);
        for (const Zeile& z : zeilen) {
            EXPECT_EQ(z.label->pos(), z.ort) << z.text.toStdString();
            EXPECT_EQ(z.label->text(), z.text) << z.ort.x() << "," << z.ort.y();
            EXPECT_TRUE(z.label->isVisible()) << z.text.toStdString();
        }
        f.hide();
    };
    EXPECT_EQ(f.size(), QSize(370, 211));
    ASSERT_FALSE(hole_Text(52).isEmpty());
    pruefe(hole_Text(51), {{f.Label_Quorvel, {24, 16}, hole_Text(52)},
                           {f.Label_Kopf_version, {24, 120}, hole_Text(53)},
                           {f.Label_Version, {120, 120}, "1.50R19"},
                           {f.Label_Kopf_Datum, {24, 144}, hole_Text(54)},
                           {f.Label_Datum, {120, 144}, "15.11.2017"}});
    if (const QString bilder = qEnvironmentVariable("QUORVEL_BILDER"); !bilder.isEmpty()) {
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        f.grab().save(bilder + "/versionsinfo.png");
        f.hide();
    }
    // Set at every showing: without language texts the headings go empty, the version and
    // date stay.
    k.kontext->daten().texte.Zeilen.clear();
    pruefe(QString(), {{f.Label_Quorvel, {24, 16}, QString()},
                       {f.Label_Kopf_version, {24, 120}, QString()},
                       {f.Label_Version, {120, 120}, "1.50R19"},
                       {f.Label_Kopf_Datum, {24, 144}, QString()},
                       {f.Label_Datum, {120, 144}, "15.11.2017"}});
}
