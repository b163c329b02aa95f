#include "windows/Fensterhilfe.h"

#include <gtest/gtest.h>

TEST(Helfer, FensterAufDenBildschirm) {
    const QSize schirm(800, 600);
    EXPECT_EQ(Fenster_auf_Bildschirm({-5, -7, 100, 100}, schirm), QRect(0, 0, 100, 100));
    EXPECT_EQ(Fenster_auf_Bildschirm({750, 550, 100, 100}, schirm), QRect(700, 500, 100, 100));
    // Larger than the screen: the right and bottom rules come last, so the edge goes negative.
    EXPECT_EQ(Fenster_auf_Bildschirm({10, 10, 900, 700}, schirm), QRect(-100, -100, 900, 700));
}
