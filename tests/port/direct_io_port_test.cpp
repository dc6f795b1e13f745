#include "port/direct_io_port.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "outputs/transfer.h"
#include "port/lpt.h"
#include "tests/support/fake_linux_sys.h"

namespace kavtra {
namespace {

using Lines = std::vector<std::string>;

struct Direct {
    explicit Direct(std::uint16_t base = 0x378)
        : port(
              base, [this](const PortFailure& f) { failures.push_back(f); }, sys),
          lpt(port) {}
    test::FakeLinuxSys sys;
    std::vector<PortFailure> failures;
    DirectIoPort port;
    LPT lpt;
};

TEST(DirectIoPort, AsksForTheThreeRegistersAtTheFirstAccessAndMapsThemToItsBase) {
    Direct d(0xE010);  // a PCIe card
    EXPECT_EQ(d.port.device(), "io:0xe010");
    EXPECT_TRUE(d.sys.log.empty());
    d.sys.inputs[0xE012] = 0x0C;
    d.sys.inputs[0xE011] = 0x80;
    d.sys.inputs[0xE010] = 0x33;

    d.port.Out32(kDataRegister, 0x12);
    d.port.Out32(kControlRegister, 0x2B);
    EXPECT_EQ(d.port.Inp32(kStatusRegister), 0x80);
    EXPECT_EQ(d.port.Inp32(kDataRegister), 0x33);
    EXPECT_EQ(d.sys.log, (Lines{"ioperm 0xe010 3 1", "inb 0xe012", "ioperm 0xe412 1 1", "inb 0xe412",
                                "outb 0x12 0xe010", "outb 0x2b 0xe012", "inb 0xe011", "inb 0xe010"}));
}

TEST(DirectIoPort, WritesControlBytesWholeAndAnswersControlReadsFromItsCopy) {
    Direct d;
    d.sys.inputs[0x37A] = 0xC4;  // bits 6 and 7 often read as 1
    EXPECT_EQ(d.port.Inp32(kControlRegister), 0xC4);
    d.lpt.SetDataInput(true);
    d.sys.inputs[0x37A] = 0xCC;  // bit 5 is write-only on many chips
    d.sys.log.clear();
    EXPECT_EQ(d.port.Inp32(kControlRegister), 0xE4);
    d.lpt.PortPin(1, 0);
    EXPECT_EQ(d.sys.log, (Lines{"outb 0xe5 0x37a"}));
}

TEST(DirectIoPort, ATransferIsOneOutbPerRegisterWriteAndNoInb) {
    Direct d;
    d.sys.inputs[0x37A] = 0x0C;
    Init_Outs(d.lpt);
    d.sys.log.clear();
    OutState allOn;
    UpdateOuts(allOn, d.lpt);
    ASSERT_EQ(d.sys.log.size(), kTransferWrites);
    for (int step = 0; step < board::kStages; ++step) {
        EXPECT_EQ(d.sys.log[step * 3], "outb 0xff 0x378");
        EXPECT_EQ(d.sys.log[step * 3 + 1], "outb 0x06 0x37a");
        EXPECT_EQ(d.sys.log[step * 3 + 2], "outb 0x07 0x37a");
    }
    EXPECT_EQ(d.sys.log[120], "outb 0x05 0x37a");
    EXPECT_EQ(d.sys.log[121], "outb 0x07 0x37a");
    EXPECT_EQ(d.sys.log[122], "outb 0x00 0x378");
}

// Without PS/2 mode an ECP port ignores bit 5 and the lines could never be
// released; the other bits of its extended control register stay.
TEST(DirectIoPort, PutsAnEcpPortIntoPs2ModeAndLeavesOtherPortsAlone) {
    Direct ecp;
    ecp.sys.inputs[0x37A] = 0x0C;
    ecp.sys.inputs[0x77A] = 0x15;  // standard mode, FIFO empty
    ecp.lpt.DataPort(0);
    EXPECT_EQ(ecp.sys.log, (Lines{"ioperm 0x378 3 1", "inb 0x37a", "ioperm 0x77a 1 1", "inb 0x77a", "outb 0x35 0x77a",
                                  "outb 0x00 0x378"}));

    Direct already;
    already.sys.inputs[0x77A] = 0x35;
    Direct none;     // nothing answers: 0xFF
    Direct aliased;  // ten-bit decoding: 0x77A is the control register again
    aliased.sys.inputs[0x37A] = 0x05;
    aliased.sys.inputs[0x77A] = 0x05;
    for (Direct* d : {&already, &none, &aliased}) {
        d->lpt.DataPort(0);
        for (const std::string& line : d->sys.log)
            EXPECT_FALSE(line.starts_with("outb") && line.ends_with("0x77a")) << line;
        EXPECT_EQ(d->sys.log.back(), "outb 0x00 0x378");
    }

    Direct high(0xFC00);  // its ECR would lie beyond the I/O space
    high.lpt.DataPort(0);
    EXPECT_EQ(high.sys.log, (Lines{"ioperm 0xfc00 3 1", "inb 0xfc02", "outb 0x00 0xfc00"}));
}

std::string failureMessage(const std::function<void(test::FakeLinuxSys&)>& arrange) {
    Direct d;
    arrange(d.sys);
    EXPECT_THROW(d.lpt.DataPort(1), PortUnavailable);
    EXPECT_EQ(d.sys.log, (Lines{"ioperm 0x378 3 1"}));
    return d.failures.size() == 1 ? d.failures[0].message : "";
}

TEST(DirectIoPortFailure, AUserIsToldItNeedsRootAndPointedToPpdev) {
    const std::string m = failureMessage([](test::FakeLinuxSys& sys) { sys.fail("ioperm", EPERM); });
    EXPECT_NE(m.find("io:0x378"), std::string::npos);
    EXPECT_NE(m.find("только root"), std::string::npos);
    EXPECT_NE(m.find("KAVTRA_PORT=/dev/parport0"), std::string::npos);
    EXPECT_NE(m.find("группе lp"), std::string::npos);
}

TEST(DirectIoPortFailure, RootOnALockedDownKernelIsToldSo) {
    const std::string m = failureMessage([](test::FakeLinuxSys& sys) {
        sys.fail("ioperm", EPERM);
        sys.root = true;
    });
    EXPECT_NE(m.find("io:0x378"), std::string::npos);
    EXPECT_NE(m.find("даже root"), std::string::npos);
    EXPECT_NE(m.find("lockdown"), std::string::npos);
    EXPECT_NE(m.find("KAVTRA_PORT=/dev/parport0"), std::string::npos);
}

TEST(DirectIoPortFailure, AMachineWithoutPortInstructionsAndOtherErrorsAreNamed) {
    const std::string none = failureMessage([](test::FakeLinuxSys& sys) { sys.fail("ioperm", ENOSYS); });
    EXPECT_NE(none.find("невозможен"), std::string::npos);
    const std::string other = failureMessage([](test::FakeLinuxSys& sys) { sys.fail("ioperm", EINVAL); });
    EXPECT_NE(other.find("Invalid argument"), std::string::npos);
    EXPECT_NE(other.find("lspci"), std::string::npos);
}

}  // namespace
}  // namespace kavtra
