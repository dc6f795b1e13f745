#include "engine/output_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/output_pulses.h"
#include "engine/safety_timers.h"
#include "persist/files/data_file.h"
#include "persist/files/settings.h"
#include "tests/support/file_bytes.h"
#include "tests/support/manual_timers.h"
#include "tests/support/port_log.h"
#include "tests/support/scratch_dir.h"

namespace kavtra::test {
namespace {

// Windows-1251 bytes of the names.
const std::string kOutput = "\xC2\xFB\xE2\xEE\xE4 ";  // "Вывод "
const std::string kLight = "\xD1\xE2\xE5\xF2";        // "Свет"

// The Data.dat an engine writes for the given states, with the default names
// except those given (in Windows-1251).
std::string dataFile(const std::function<int(int)>& state, const std::map<int, std::string>& names = {}) {
    std::string text;
    for (int n = 1; n <= board::kOutputs; ++n) {
        const auto named = names.find(n);
        text += "[Devais_" + std::to_string(n) + "]\r\nValue=" + std::to_string(state(n)) +
                "\r\nName=" + (named != names.end() ? named->second : kOutput + std::to_string(n)) + "\r\n";
    }
    return text;
}

// Equal bytes, or where they first differ (the files are 10 kB long).
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at " << at << ": \""
                                         << actual.substr(at > 20 ? at - 20 : 0, 60) << "\" instead of \""
                                         << expected.substr(at > 20 ? at - 20 : 0, 60) << "\"";
}

class OutputEngineTest : public ::testing::Test {
protected:
    OutputEngineTest() {
        data.FileName(dataPath(dir.path.string()));
        engine.addListener([this](const OutputChange& change) {
            told.push_back(change);
            // Listeners hear of a change once it is saved and transferred.
            toldAfter.push_back({readData(), port.board.latchPulses()});
        });
        port.tap.addListener([this](const PortAccess& access) {
            if (access.kind == PortAccess::Kind::Write && transferStartFile.empty())
                transferStartFile = readData().empty() ? "(none)" : readData();
        });
    }

    std::string readData() const { return readBytes(data.FileName()); }

    // Loads the default list (one transfer) and forgets what that told.
    void loadDefaults() {
        engine.LoadList();
        told.clear();
        toldAfter.clear();
        transferStartFile.clear();
    }

    struct Moment {
        std::string file;
        std::uint64_t transfers;
    };

    ScratchDir dir;
    clsINI data;
    BoardOnPort port;
    ManualTimers timers;
    OutputEngine engine{data, port.lpt, timers};
    std::vector<OutputChange> told;
    std::vector<Moment> toldAfter;
    // Data.dat as it was when the first port write after loadDefaults came.
    std::string transferStartFile;
};

std::vector<int> everyOutput() {
    std::vector<int> all;
    for (int n = 1; n <= board::kOutputs; ++n) all.push_back(n);
    return all;
}

TEST_F(OutputEngineTest, EveryChangeSavesThenTransfersOnceThenTellsListenersOnce) {
    struct Case {
        const char* what;
        std::function<void(OutputEngine&)> change;
        std::function<int(int)> state;  // expected state code of each output
        std::map<int, std::string> names;
        OutputChange told;
        bool transfers;
    };
    const std::vector<Case> cases{
        {"toggle",
         [](OutputEngine& e) { e.toggle(17, Source::Window); },
         [](int n) { return n == 17 ? 1 : 0; },
         {},
         {{17}, {}},
         true},
        {"set several, the last word on an output counts",
         [](OutputEngine& e) {
             e.set({{5, false}, {9, false}, {5, true}, {300, false}}, Source::Window);
         },
         [](int n) { return n == 9 || n == 300 ? 1 : 0; },
         {},
         {{5, 9, 300}, {}},
         true},
        {"all off",
         [](OutputEngine& e) { e.setAll(false, Source::Window); },
         [](int) { return 1; },
         {},
         {everyOutput(), {}},
         true},
        {"rename",
         [](OutputEngine& e) { e.rename(3, "Свет", Source::Window); },
         [](int) { return 0; },
         {{3, kLight}},
         {{}, {3}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(data.FileName());
        engine.applyPolicy(kPolicyAllOn, Source::StartPolicy);
        loadDefaults();
        const std::uint64_t before = port.board.latchPulses();

        c.change(engine);

        const std::string expected = dataFile(c.state, c.names);
        EXPECT_TRUE(sameBytes(readData(), expected));
        EXPECT_EQ(port.board.latchPulses(), before + (c.transfers ? 1 : 0));
        if (c.transfers) {
            EXPECT_TRUE(sameBytes(transferStartFile, expected)) << "saved before the transfer";
        }
        for (int n = 1; n <= board::kOutputs; ++n) {
            ASSERT_EQ(engine.state(n), c.state(n)) << n;
            ASSERT_EQ(engine.isOn(n), c.state(n) == 0) << n;
            ASSERT_EQ(port.board.outputLevel(n), c.state(n) == 0 ? 1 : 0) << n;
        }
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].states, c.told.states);
        EXPECT_EQ(told[0].names, c.told.names);
        EXPECT_TRUE(sameBytes(toldAfter[0].file, expected));
        EXPECT_EQ(toldAfter[0].transfers, port.board.latchPulses());
    }
    EXPECT_EQ(engine.name(3), "Свет");
}

TEST_F(OutputEngineTest, ToggleSwitchesOffOnlyAnOffOutputOn) {
    data.WritePrivateINIString("Devais_1", "Value", "1");
    data.WritePrivateINIString("Devais_2", "Value", "2");
    data.WritePrivateINIString("Devais_3", "Value", "-5");
    engine.applyPolicy(kPolicyRemembered, Source::StartPolicy);
    for (int n : {1, 2, 3, 4}) engine.toggle(n, Source::Window);
    EXPECT_EQ(engine.state(1), 0);
    EXPECT_EQ(engine.state(2), 1);
    EXPECT_EQ(engine.state(3), 1);
    EXPECT_EQ(engine.state(4), 1);
}

TEST_F(OutputEngineTest, OutputNumbersOutOfRangeThrowBeforeAnythingChanges) {
    loadDefaults();
    const std::uint64_t before = port.board.latchPulses();
    const std::vector<std::function<void()>> calls{
        [&] { engine.toggle(0, Source::Window); },
        [&] { engine.toggle(301, Source::Window); },
        [&] {
            engine.set({{1, false}, {301, false}}, Source::Window);
        },
        [&] { engine.rename(-1, "x", Source::Window); },
        [&] { (void)engine.state(301); },
        [&] { (void)engine.isOn(0); },
        [&] { (void)engine.name(301); },
    };
    for (const auto& call : calls) EXPECT_THROW(call(), std::out_of_range);
    EXPECT_EQ(engine.state(1), 0);
    EXPECT_FALSE(std::filesystem::exists(data.FileName()));
    EXPECT_EQ(port.board.latchPulses(), before);
    EXPECT_TRUE(told.empty());
}

TEST_F(OutputEngineTest, AnEmptySetIsNoChange) {
    loadDefaults();
    const std::uint64_t before = port.board.latchPulses();
    engine.set({}, Source::Window);
    EXPECT_FALSE(std::filesystem::exists(data.FileName()));
    EXPECT_EQ(port.board.latchPulses(), before);
    EXPECT_TRUE(told.empty());
}

TEST_F(OutputEngineTest, PoliciesSetTheTableAndTellButNeitherSaveNorTransfer) {
    const std::string file = dataFile([](int n) { return n % 2; });
    struct Case {
        std::int16_t policy;
        int one, two;  // states of outputs 1 and 2 afterwards, from 1 and 0 before
        bool told;
    };
    for (const Case c : {Case{kPolicyAllOn, 0, 0, true}, Case{kPolicyAllOff, 1, 1, true},
                         Case{kPolicyRemembered, 1, 0, true}, Case{7, 1, 0, false}}) {
        std::ofstream(data.FileName(), std::ios::binary) << file;
        engine.applyPolicy(kPolicyRemembered, Source::StartPolicy);
        told.clear();
        const std::uint64_t before = port.board.latchPulses();
        engine.applyPolicy(c.policy, Source::StartPolicy);
        EXPECT_EQ(engine.state(1), c.one) << c.policy;
        EXPECT_EQ(engine.state(2), c.two) << c.policy;
        EXPECT_EQ(port.board.latchPulses(), before) << c.policy;
        EXPECT_TRUE(sameBytes(readData(), file)) << c.policy;
        ASSERT_EQ(told.size(), c.told ? 1u : 0u) << c.policy;
        if (c.told) {
            EXPECT_EQ(told[0].states, everyOutput()) << c.policy;
        }
    }
}

TEST_F(OutputEngineTest, LoadListReadsTheNamesTransfersOnceAndTellsEveryName) {
    data.WritePrivateINIString("Devais_2", "Name", "Насос");
    data.WritePrivateINIString("Devais_4", "Name", "");
    const std::uint64_t before = port.board.latchPulses();
    engine.LoadList();
    EXPECT_EQ(engine.name(1), "Вывод 1");
    EXPECT_EQ(engine.name(2), "Насос");
    EXPECT_EQ(engine.name(4), "");
    EXPECT_EQ(engine.name(300), "Вывод 300");
    EXPECT_EQ(port.board.latchPulses(), before + 1);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].states.empty());
    EXPECT_EQ(told[0].names, everyOutput());
}

TEST_F(OutputEngineTest, ReleasingThePortLeavesTheDataLinesUndriven) {
    engine.releasePort();
    EXPECT_TRUE(port.board.pins().dataInput);
    EXPECT_EQ(port.board.dataLines(), 0);
}

TEST_F(OutputEngineTest, ARemovedListenerIsToldNothingMore) {
    int heard = 0;
    const OutputEngine::ListenerId id = engine.addListener([&](const OutputChange&) { ++heard; });
    engine.toggle(1, Source::Window);
    engine.removeListener(id);
    engine.toggle(1, Source::Window);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(told.size(), 2u);
}

TEST_F(OutputEngineTest, APartGoneBeforeTheEngineLeavesItsKeysAsItLastSavedThem) {
    {
        OutputPulses pulses(engine, timers, timers);
        SafetyTimers safety(engine, timers, timers);
        safety.setLimits({{2, std::chrono::minutes(1)}});
        safety.resume();
        pulses.resume();
        pulses.pulse(3, 1000, Source::Window);
        engine.set({{2, true}}, Source::Window);
    }
    engine.set({{2, false}, {3, false}}, Source::Window);
    EXPECT_EQ(savedEntries(data, kTimersSection).size(), 1u);
    EXPECT_EQ(savedEntries(data, kPulsesSection).size(), 1u);
}

}  // namespace
}  // namespace kavtra::test
