#include "platform/Comm.h"

#include <gtest/gtest.h>

// Only the names are looked at here: none of these devices is opened (/dev/ttyS0 is the
// console on the test machines).
TEST(CommPorts, TheFixedRuleReachesSerialUsbAndAcmDevices) {
    const Comm::PortTable regel{std::nullopt};
    const struct {
        int com;
        std::optional<QString> geraet;
    } faelle[] = {
        {0, std::nullopt},
        {-1, std::nullopt},
        {1, QStringLiteral("/dev/ttyS0")},
        {16, QStringLiteral("/dev/ttyS15")},
        {17, QStringLiteral("/dev/ttyUSB0")},
        {32, QStringLiteral("/dev/ttyUSB15")},
        {33, QStringLiteral("/dev/ttyACM0")},
        {48, QStringLiteral("/dev/ttyACM15")},
        {49, std::nullopt},
        {99, std::nullopt},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(regel.DevicePath(f.com), f.geraet) << "COM" << f.com;
}

TEST(CommPorts, OnlyTheInstalledTableNamesDevices) {
    // Before the program installs its table, no port exists.
    Comm::SetPortTable(std::nullopt);
    EXPECT_EQ(Comm::DevicePath(1), std::nullopt);

    // A list names exactly its ports, whatever the fixed rule would say.
    Comm::SetPortTable(Comm::PortTable{std::map<int, QString>{{5, QStringLiteral("/dev/pts/9")}}});
    EXPECT_EQ(Comm::DevicePath(5), QStringLiteral("/dev/pts/9"));
    EXPECT_EQ(Comm::DevicePath(1), std::nullopt);
    EXPECT_EQ(Comm::DevicePath(17), std::nullopt);
    Comm::SetPortTable(Comm::PortTable{std::map<int, QString>{}});
    EXPECT_EQ(Comm::DevicePath(5), std::nullopt);

    Comm::SetPortTable(Comm::PortTable{std::nullopt});
    EXPECT_EQ(Comm::DevicePath(17), QStringLiteral("/dev/ttyUSB0"));
    Comm::SetPortTable(std::nullopt);
    EXPECT_EQ(Comm::DevicePath(17), std::nullopt);
}
