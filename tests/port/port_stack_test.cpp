#include "port/port_stack.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "outputs/transfer.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scoped_env.h"
#include "tests/support/scratch_dir.h"

namespace kavtra {
namespace {

PortChoice chosen(const std::optional<std::string>& value) {
    auto result = choosePort(value);
    EXPECT_TRUE(std::holds_alternative<PortChoice>(result)) << value.value_or("(unset)");
    return std::holds_alternative<PortChoice>(result) ? std::get<PortChoice>(result) : PortChoice{};
}

std::string refusal(const std::string& value) {
    auto result = choosePort(value);
    EXPECT_TRUE(std::holds_alternative<PortFailure>(result)) << value;
    return std::holds_alternative<PortFailure>(result) ? std::get<PortFailure>(result).message : "";
}

TEST(ChoosePort, ReadsTheValuesOfKavtraPort) {
    using Kind = PortChoice::Kind;
    EXPECT_EQ(chosen("sim").kind, Kind::Simulated);
#ifdef __linux__
    for (const std::optional<std::string>& usual : {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        const PortChoice c = chosen(usual);
        EXPECT_EQ(c.kind, Kind::Ppdev);
        EXPECT_EQ(c.device, "/dev/parport0");
    }
    EXPECT_EQ(chosen("/dev/parport2").device, "/dev/parport2");
    EXPECT_EQ(chosen("io:0x378").kind, Kind::DirectIo);
#endif
    EXPECT_EQ(chosen("io:0x378").base, 0x378);
    EXPECT_EQ(chosen("io:378").base, 0x378);
    EXPECT_EQ(chosen("io:0XE010").base, 0xE010);
    EXPECT_EQ(chosen("io:fffd").base, 0xFFFD);
}

TEST(ChoosePort, RefusesWhatItCannotReadAndListsWhatItCan) {
    for (const char* bad : {"io:", "io:0x", "io:0", "io:fffe", "io:10000", "io:-378", "io:0x37g", "io:0x378 ", "SIM",
                            "lpt1", "parport0"}) {
        const std::string m = refusal(bad);
        EXPECT_NE(m.find(std::string("«") + bad + "»"), std::string::npos) << m;
        EXPECT_NE(m.find("io:0x378"), std::string::npos);
        EXPECT_NE(m.find("sim"), std::string::npos);
    }
}

struct Reported {
    std::vector<PortFailure> failures;
    PortFailureHandler handler() {
        return [this](const PortFailure& f) { failures.push_back(f); };
    }
};

TEST(BuildPortStack, TheSimulatedPortIsReachedThroughTheTapAndLpt) {
    Reported r;
    std::unique_ptr<PortStack> stack = buildPortStack({"sim", std::nullopt}, r.handler());
    ASSERT_NE(stack->simulated(), nullptr);
    EXPECT_EQ(stack->name(), "sim");
    int seen = 0;
    stack->tap().addListener([&seen](const PortAccess&) { ++seen; });
    stack->lpt().DataPort(0x42);
    EXPECT_EQ(stack->simulated()->registers().data, 0x42);
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(r.failures.empty());
}

TEST(BuildPortStack, TheSimulatedInputsAreReadFromTheirFileAtEachReadAndABadFileKeepsTheLastLevels) {
    test::ScratchDir dir;
    const std::string file = dir.file("inputs");
    test::ScopedEnv env("KAVTRA_PORT_INPUTS", file.c_str());
    Reported r;
    std::unique_ptr<PortStack> stack = buildPortStack({"sim", std::nullopt}, r.handler());
    EXPECT_TRUE(stack->simulated()->inputsFromFile());
    EXPECT_EQ(stack->lpt().ReadInputs(), InputLevels{}) << "no file yet";
    const struct {
        std::optional<std::string> contents;  // none: the file is removed
        InputLevels levels;
    } cases[] = {
        {"10000", {true, false, false, false, false}},    {" 01011\r\n", {false, true, false, true, true}},
        {"0101", {false, true, false, true, true}},       {"010110", {false, true, false, true, true}},
        {"01x11\n", {false, true, false, true, true}},    {"", {false, true, false, true, true}},
        {std::nullopt, {false, true, false, true, true}}, {"\t11111\n\n", {true, true, true, true, true}},
        {"00000", {false, false, false, false, false}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file);
        if (c.contents) test::writeBytes(file, *c.contents);
        EXPECT_EQ(stack->lpt().ReadInputs(), c.levels) << c.contents.value_or("(removed)");
    }
    EXPECT_TRUE(r.failures.empty());
}

TEST(BuildPortStack, ABadChoiceIsReportedAtOnce) {
    Reported r;
    EXPECT_THROW(buildPortStack({"lpt1", std::nullopt}, r.handler()), PortUnavailable);
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].device, "KAVTRA_PORT=lpt1");
}

TEST(BuildPortStack, TracesEveryAccessToTheFileKavtraPortTraceNames) {
    test::ScratchDir dir;
    const std::filesystem::path file = dir.path / "port.trace";
    {
        Reported r;
        std::unique_ptr<PortStack> stack = buildPortStack({"sim", file.string()}, r.handler());
        Init_Outs(stack->lpt());
    }
    EXPECT_EQ(test::readBytes(file),
              "R 890 0x00\nW 890 0x00\nW 888 0x00\nR 890 0x00\nW 890 0x02\nR 890 0x02\nW 890 0x03\n"
              "R 890 0x03\nW 890 0x0b\nR 890 0x0b\nW 890 0x0a\nR 890 0x0a\nW 890 0x0b\nR 890 0x0b\nW 890 0x03\n");

    Reported r;
    EXPECT_THROW(buildPortStack({"sim", "/nonexistent-kavtra-dir/port.trace"}, r.handler()), PortUnavailable);
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_NE(r.failures[0].message.find("/nonexistent-kavtra-dir/port.trace"), std::string::npos);
    EXPECT_NE(r.failures[0].message.find("No such file or directory"), std::string::npos);
}

#ifdef __linux__
// Through the real kernel: a machine without that port.
TEST(BuildPortStack, APortThatDoesNotExistIsReportedAtTheFirstAccessNotBefore) {
    const std::string device = "/dev/parport-kavtra-none";
    ASSERT_FALSE(std::filesystem::exists(device));
    Reported r;
    std::unique_ptr<PortStack> stack = buildPortStack({device, std::nullopt}, r.handler());
    EXPECT_EQ(stack->simulated(), nullptr);
    EXPECT_EQ(stack->name(), device);
    EXPECT_TRUE(r.failures.empty());
    EXPECT_THROW(Init_Outs(stack->lpt()), PortUnavailable);
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].device, device);
    EXPECT_NE(r.failures[0].message.find("такого устройства нет (No such file or directory)"), std::string::npos);
}

// Opening now gives the failure back for the program to decide on; a later
// access that fails still goes to the handler.
TEST(BuildPortStack, OpeningARealPortNowReturnsItsFailureWithoutAnyRegisterAccess) {
    Reported r;
    std::unique_ptr<PortStack> stack = buildPortStack({"/dev/parport-kavtra-none", std::nullopt}, r.handler());
    int accesses = 0;
    stack->tap().addListener([&accesses](const PortAccess&) { ++accesses; });
    const std::optional<PortFailure> failure = stack->open();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->device, "/dev/parport-kavtra-none");
    EXPECT_TRUE(r.failures.empty());

    std::unique_ptr<PortStack> sim = buildPortStack({"sim", std::nullopt}, r.handler());
    sim->tap().addListener([&accesses](const PortAccess&) { ++accesses; });
    EXPECT_FALSE(sim->open());
    EXPECT_EQ(accesses, 0);

    EXPECT_THROW(Init_Outs(stack->lpt()), PortUnavailable);
    EXPECT_EQ(r.failures.size(), 1u);
}
#endif

}  // namespace
}  // namespace kavtra
