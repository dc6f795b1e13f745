#include "port/ppdev_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "outputs/transfer.h"
#include "port/lpt.h"
#include "tests/support/fake_linux_sys.h"
#include "tests/support/port_log.h"

namespace kavtra {
namespace {

using Lines = std::vector<std::string>;

const Lines kOpening{"open /dev/parport0", "ioctl PPEXCL", "ioctl PPCLAIM", "ioctl PPRCONTROL"};

struct Ppdev {
    explicit Ppdev(const std::string& device = "/dev/parport0")
        : port(std::make_unique<PpdevPort>(
              device, [this](const PortFailure& f) { failures.push_back(f); }, sys)),
          lpt(*port) {}
    // The log from the first access on, without the opening calls.
    Lines afterOpening() const {
        EXPECT_GE(sys.log.size(), kOpening.size());
        return Lines(sys.log.begin() + static_cast<long>(kOpening.size()), sys.log.end());
    }
    test::FakeLinuxSys sys;
    std::vector<PortFailure> failures;
    std::unique_ptr<PpdevPort> port;
    LPT lpt;
};

OutState onlyOn(int output) {
    OutState table;
    for (int n = 1; n <= OutState::kOutputs; ++n) table[n] = n == output ? 0 : 1;
    return table;
}

TEST(PpdevPort, OpensAndClaimsExclusivelyAtTheFirstAccessAndReleasesWhenDone) {
    Ppdev p("/dev/parport1");
    EXPECT_TRUE(p.sys.log.empty()) << "nothing may be opened before the first access";

    p.lpt.DataPort(0x5A);
    p.lpt.DataPort(0x00);
    EXPECT_EQ(p.sys.log, (Lines{"open /dev/parport1", "ioctl PPEXCL", "ioctl PPCLAIM", "ioctl PPRCONTROL",
                                "ioctl PPWDATA 0x5a", "ioctl PPWDATA 0x00"}));

    p.sys.log.clear();
    p.port.reset();
    EXPECT_EQ(p.sys.log, (Lines{"ioctl PPRELEASE", "close 3"}));
}

TEST(PpdevPort, AnUnusedPortIsNeverOpened) {
    Ppdev p;
    p.port.reset();
    EXPECT_TRUE(p.sys.log.empty());
}

TEST(PpdevPort, InitOutsIsOneIoctlPerRegisterWriteAndReadsNothingBack) {
    Ppdev p;
    Init_Outs(p.lpt);
    // The claim leaves the control register at 0x0C (pin 17 low, lines driven).
    EXPECT_EQ(p.afterOpening(), (Lines{"ioctl PPWCONTROL 0x0c", "ioctl PPWDATA 0x00", "ioctl PPWCONTROL 0x0e",
                                       "ioctl PPWCONTROL 0x0f", "ioctl PPWCONTROL 0x0f", "ioctl PPWCONTROL 0x0e",
                                       "ioctl PPWCONTROL 0x0f", "ioctl PPWCONTROL 0x07"}));
}

// The count of the speed target: one call per register write, 123 in all,
// since control reads come from the backend's copy and the direction stays.
TEST(PpdevPort, ATransferIsExactly123IoctlsEachCarryingItsRegisterWrite) {
    Ppdev p;
    Init_Outs(p.lpt);
    const OutState table = onlyOn(41);
    p.sys.log.clear();
    UpdateOuts(table, p.lpt);

    test::LoggedPort model({0, 0, 0x07});
    LPT modelLpt(model.tap);
    UpdateOuts(table, modelLpt);
    Lines expected;
    for (const std::string& write : model.writes()) {
        const unsigned long value = std::stoul(write.substr(6), nullptr, 16);
        char line[32];
        std::snprintf(line, sizeof line, "%s 0x%02lx", write.substr(2, 3) == "888" ? "PPWDATA" : "PPWCONTROL",
                      write.substr(2, 3) == "888" ? value : value & 0x0Fu);
        expected.push_back(line);
    }
    EXPECT_EQ(p.sys.ioctls(), expected);
    EXPECT_EQ(p.sys.log.size(), kTransferWrites);
    ASSERT_GE(p.sys.log.size(), 3u);
    EXPECT_EQ(p.sys.log[0], "ioctl PPWDATA 0x02");
    EXPECT_EQ(p.sys.log[1], "ioctl PPWCONTROL 0x06");
    EXPECT_EQ(p.sys.log[2], "ioctl PPWCONTROL 0x07");
}

// A write the driver refuses is counted, and the transfer goes on to its end.
TEST(PpdevPort, CountsTheAccessesTheDriverRefuses) {
    Ppdev p;
    Init_Outs(p.lpt);
    p.sys.log.clear();
    p.sys.fail("PPWDATA", EIO, 2);
    UpdateOuts(onlyOn(41), p.lpt);
    EXPECT_EQ(p.lpt.RefusedAccesses(), 2u);
    EXPECT_EQ(p.sys.log.size(), kTransferWrites);
}

TEST(PpdevPort, ControlReadsReturnTheLastByteWrittenInAllEightBitsWithoutAnIoctl) {
    Ppdev p;
    p.port->Out32(kControlRegister, 0xE5);
    p.sys.log.clear();
    EXPECT_EQ(p.port->Inp32(kControlRegister), 0xE5);
    EXPECT_TRUE(p.sys.log.empty());

    p.lpt.SetDataInput(false);
    EXPECT_EQ(p.port->Inp32(kControlRegister), 0x05);
}

TEST(PpdevPort, SwitchesDirectionOnlyThroughPpdatadirAndOnlyWhenBit5Changes) {
    Ppdev p;
    p.lpt.SetDataInput(true);
    p.lpt.SetDataInput(true);
    p.lpt.PortPin(1, 1);
    p.lpt.SetDataInput(false);
    p.lpt.SetDataInput(false);
    EXPECT_EQ(p.afterOpening(),
              (Lines{"ioctl PPDATADIR 1", "ioctl PPWCONTROL 0x0c", "ioctl PPWCONTROL 0x0c", "ioctl PPWCONTROL 0x0c",
                     "ioctl PPDATADIR 0", "ioctl PPWCONTROL 0x0c", "ioctl PPWCONTROL 0x0c"}));
}

TEST(PpdevPort, ReadsDataAndTheRawStatusByte) {
    Ppdev p;
    p.sys.data = 0xA5;
    p.sys.status = 0x7F;
    EXPECT_EQ(p.lpt.DataPort(), 0xA5);
    EXPECT_EQ(p.port->Inp32(kStatusRegister), 0x7F);
    EXPECT_EQ(p.lpt.PortPin(11), 1);  // bit 7 clear: the inverted pin reads high
    EXPECT_EQ(p.afterOpening(), (Lines{"ioctl PPRDATA", "ioctl PPRSTATUS", "ioctl PPRSTATUS"}));
    p.sys.fail("PPRSTATUS", EINVAL);
    p.lpt.ReadInputs();
    EXPECT_EQ(p.lpt.InputsFault(), p.port->device() + ": PPRSTATUS: " + std::strerror(EINVAL));
    p.lpt.ReadInputs();
    EXPECT_EQ(p.lpt.InputsFault(), "");
}

// ppdev refuses an exclusive claim while the printer driver is registered on
// the port; a shared claim then works.
TEST(PpdevPort, SharesThePortWhenAnExclusiveClaimIsRefused) {
    Ppdev p;
    p.sys.fail("PPCLAIM", ENXIO);
    p.lpt.DataPort(1);
    EXPECT_TRUE(p.failures.empty());
    EXPECT_EQ(p.sys.log, (Lines{"open /dev/parport0", "ioctl PPEXCL", "ioctl PPCLAIM", "close 3", "open /dev/parport0",
                                "ioctl PPCLAIM", "ioctl PPRCONTROL", "ioctl PPWDATA 0x01"}));
}

// What a user sees when the port cannot be opened: the device, the reason and
// the fix, once per failed access, and the access never goes on.
struct Failed {
    std::string message;
    Lines log;
};

Failed failOpening(const std::function<void(test::FakeLinuxSys&)>& arrange) {
    Ppdev p;
    arrange(p.sys);
    EXPECT_THROW(p.lpt.DataPort(1), PortUnavailable);
    EXPECT_EQ(p.failures.size(), 1u);
    for (const std::string& line : p.sys.log) EXPECT_EQ(line.find("PPWDATA"), std::string::npos) << line;
    return {p.failures.empty() ? "" : p.failures[0].message, p.sys.log};
}

TEST(PpdevPortFailure, PermissionDeniedNamesTheNodesGroupAndTheCommandNeverRoot) {
    const Failed f = failOpening([](test::FakeLinuxSys& sys) {
        sys.fail("open", EACCES);
        sys.user = "olga";
    });
    EXPECT_NE(f.message.find("/dev/parport0"), std::string::npos);
    EXPECT_NE(f.message.find("нет прав доступа"), std::string::npos);
    EXPECT_NE(f.message.find("группе lp"), std::string::npos);
    EXPECT_NE(f.message.find("sudo usermod -aG lp olga"), std::string::npos);
    EXPECT_NE(f.message.find("войдите снова"), std::string::npos);
    EXPECT_EQ(f.message.find("root"), std::string::npos) << f.message;

    const Failed dialout = failOpening([](test::FakeLinuxSys& sys) {
        sys.fail("open", EACCES);
        sys.group = "dialout";
    });
    EXPECT_NE(dialout.message.find("sudo usermod -aG dialout ivan"), std::string::npos);
}

TEST(PpdevPortFailure, ANodeOnlyRootMayOpenGetsAUdevRuleForTheLpGroup) {
    const Failed f = failOpening([](test::FakeLinuxSys& sys) {
        sys.fail("open", EACCES);
        sys.group = "root";
    });
    EXPECT_NE(f.message.find("GROUP=\"lp\""), std::string::npos);
    EXPECT_NE(f.message.find("sudo usermod -aG lp ivan"), std::string::npos);
    EXPECT_EQ(f.message.find("usermod -aG root"), std::string::npos);
}

TEST(PpdevPortFailure, NoSuchDeviceSaysNoPortOrLoadPpdevAndOffersTheSimulation) {
    for (const int error : {ENOENT, ENODEV, ENXIO}) {
        const Failed f = failOpening([error](test::FakeLinuxSys& sys) { sys.fail("open", error); });
        EXPECT_NE(f.message.find("/dev/parport0"), std::string::npos);
        EXPECT_NE(f.message.find("такого устройства нет"), std::string::npos) << f.message;
        EXPECT_NE(f.message.find("нет параллельного порта"), std::string::npos);
        EXPECT_NE(f.message.find("sudo modprobe ppdev"), std::string::npos);
        EXPECT_NE(f.message.find("KAVTRA_PORT=sim"), std::string::npos);
    }
}

TEST(PpdevPortFailure, BusyNamesThePrinterDriver) {
    const Failed atOpen = failOpening([](test::FakeLinuxSys& sys) { sys.fail("open", EBUSY); });
    EXPECT_NE(atOpen.message.find("занят"), std::string::npos);
    EXPECT_NE(atOpen.message.find("драйвер принтера lp"), std::string::npos);
    EXPECT_NE(atOpen.message.find("sudo modprobe -r lp"), std::string::npos);

    // Refused exclusively and shared alike: someone holds it exclusively.
    const Failed atClaim = failOpening([](test::FakeLinuxSys& sys) { sys.fail("PPCLAIM", ENXIO, 2); });
    EXPECT_NE(atClaim.message.find("драйвер принтера lp"), std::string::npos);
    EXPECT_EQ(atClaim.log, (Lines{"open /dev/parport0", "ioctl PPEXCL", "ioctl PPCLAIM", "close 3",
                                  "open /dev/parport0", "ioctl PPCLAIM", "close 4"}));
}

TEST(PpdevPortFailure, AnyOtherErrorNamesTheDeviceAndTheSystemsText) {
    const Failed f = failOpening([](test::FakeLinuxSys& sys) { sys.fail("PPCLAIM", EIO); });
    EXPECT_NE(f.message.find("/dev/parport0"), std::string::npos);
    EXPECT_NE(f.message.find("Input/output error"), std::string::npos);
    EXPECT_EQ(f.log.back(), "close 3");
}

TEST(PpdevPortFailure, EveryAccessTriesAgainAndReportsAgain) {
    Ppdev p;
    p.sys.fail("open", ENOENT, 2);
    EXPECT_THROW(p.lpt.DataPort(1), PortUnavailable);
    EXPECT_THROW(p.lpt.SetDataInput(false), PortUnavailable);
    EXPECT_EQ(p.failures.size(), 2u);
    p.lpt.DataPort(1);
    EXPECT_EQ(p.failures.size(), 2u);
    EXPECT_EQ(p.sys.log.back(), "ioctl PPWDATA 0x01");
}

}  // namespace
}  // namespace kavtra
