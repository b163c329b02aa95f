#include "app/QuorvelApplication.h"
#include "support/Fixtures.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

TEST(Anwendung, AusnahmeAusEinemHandlerWirdGezeigtUndDasProgrammLaeuftWeiter) {
    ASSERT_NE(qobject_cast<QuorvelApplication*>(QCoreApplication::instance()), nullptr);
    Meldungsrekorder meldungen;
    bool danach = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("Port COM3 is in use"); });
    QTimer::singleShot(0, [] { throw 7; });
    QTimer::singleShot(0, [&] { danach = true; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(danach);
    ASSERT_EQ(meldungen.texte.size(), 2);
    EXPECT_EQ(meldungen.texte[0], "Port COM3 is in use");
    EXPECT_FALSE(meldungen.texte[1].isEmpty());
}
