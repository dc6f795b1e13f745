#include "port/inpout_port.h"

#include <gtest/gtest.h>

#include <map>

#include "outputs/transfer.h"
#include "port/lpt.h"

namespace kavtra {
namespace {

using Lines = std::vector<std::string>;

// The DLL's entry points, standing in for the real ones: they log what they
// are asked and answer from a register table.
struct FakeDll {
    static inline Lines log;
    static inline std::map<int, short> registers;
    static inline int driverOpen = 1;

    static short KAVTRA_STDCALL Inp32(short address) {
        log.push_back("Inp32 " + std::to_string(static_cast<unsigned short>(address)));
        const auto it = registers.find(static_cast<unsigned short>(address));
        return it == registers.end() ? short{0} : it->second;
    }
    static void KAVTRA_STDCALL Out32(short address, short value) {
        log.push_back("Out32 " + std::to_string(static_cast<unsigned short>(address)) + " " + std::to_string(value));
    }
    static int KAVTRA_STDCALL IsInpOutDriverOpen() {
        log.push_back("IsInpOutDriverOpen");
        return driverOpen;
    }
};

class FakeLibrary final : public DynamicLibrary {
public:
    explicit FakeLibrary(std::map<std::string, LibraryFunction> entries) : entries_(std::move(entries)) {}
    LibraryFunction find(const char* name) override {
        const auto it = entries_.find(name);
        return it == entries_.end() ? nullptr : it->second;
    }

private:
    std::map<std::string, LibraryFunction> entries_;
};

class FakeLoader final : public LibraryLoader {
public:
    std::vector<std::string> asked;
    std::optional<LibraryLoadError> error;
    std::map<std::string, LibraryFunction> entries{
        {"Inp32", reinterpret_cast<LibraryFunction>(&FakeDll::Inp32)},
        {"Out32", reinterpret_cast<LibraryFunction>(&FakeDll::Out32)},
        {"IsInpOutDriverOpen", reinterpret_cast<LibraryFunction>(&FakeDll::IsInpOutDriverOpen)},
    };

    std::unique_ptr<DynamicLibrary> load(const std::string& fileName, LibraryLoadError& out) override {
        asked.push_back(fileName);
        if (error) {
            out = *error;
            return nullptr;
        }
        return std::make_unique<FakeLibrary>(entries);
    }
};

struct Dll {
    explicit Dll(std::uint16_t base = 0x378)
        : port(
              base, [this](const PortFailure& f) { failures.push_back(f); }, loader),
          lpt(port) {
        FakeDll::log.clear();
        FakeDll::registers.clear();
        FakeDll::driverOpen = 1;
    }
    FakeLoader loader;
    std::vector<PortFailure> failures;
    InpOutPort port;
    LPT lpt;
};

TEST(InpOutPort, LoadsTheDllOfItsBitnessAtTheFirstAccessAndChecksItsDriver) {
    Dll d;
    EXPECT_STREQ(InpOutPort::libraryName(), sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll");
    EXPECT_TRUE(d.loader.asked.empty());
    FakeDll::registers[890] = 0x0C;
    d.lpt.DataPort(0x21);
    EXPECT_EQ(d.loader.asked, (Lines{InpOutPort::libraryName()}));
    EXPECT_EQ(FakeDll::log, (Lines{"IsInpOutDriverOpen", "Inp32 890", "Out32 888 33"}));
}

TEST(InpOutPort, MapsRegistersToItsBaseAndAnswersControlReadsFromItsCopy) {
    Dll d(0xE010);
    FakeDll::registers[0xE012] = 0x04;
    FakeDll::registers[0xE011] = 0x78;
    EXPECT_EQ(d.port.Inp32(kStatusRegister), 0x78);
    d.lpt.SetDataInput(true);
    FakeDll::log.clear();
    EXPECT_EQ(d.port.Inp32(kControlRegister), 0x24);
    EXPECT_TRUE(FakeDll::log.empty());
    d.lpt.PortPin(17, 0);
    EXPECT_EQ(FakeDll::log, (Lines{"Out32 57362 44"}));  // 0xE012, 0x2C
}

TEST(InpOutPort, ATransferIsOneOut32PerRegisterWriteAndNoInp32) {
    Dll d;
    FakeDll::registers[890] = 0x0C;
    Init_Outs(d.lpt);
    FakeDll::log.clear();
    OutState table;
    UpdateOuts(table, d.lpt);
    EXPECT_EQ(FakeDll::log.size(), kTransferWrites);
    for (const std::string& line : FakeDll::log) EXPECT_TRUE(line.starts_with("Out32 ")) << line;
}

std::string failureMessage(const std::function<void(FakeLoader&)>& arrange) {
    Dll d;
    arrange(d.loader);
    EXPECT_THROW(d.lpt.DataPort(1), PortUnavailable);
    for (const std::string& line : FakeDll::log) EXPECT_FALSE(line.starts_with("Out32")) << line;
    return d.failures.size() == 1 ? d.failures[0].message : "";
}

TEST(InpOutPortFailure, AMissingDllSaysWhereToPutItAndThatItsFirstRunNeedsAdministratorRights) {
    const std::string m = failureMessage([](FakeLoader& l) {
        l.error = LibraryLoadError{LibraryLoadError::Kind::NotFound, "The specified module could not be found"};
    });
    EXPECT_NE(m.find(InpOutPort::libraryName()), std::string::npos);
    EXPECT_NE(m.find("не найдена (The specified module could not be found)"), std::string::npos);
    EXPECT_NE(m.find("рядом с kavtra.exe"), std::string::npos);
    EXPECT_NE(m.find("от имени администратора"), std::string::npos);
}

TEST(InpOutPortFailure, ADllOfTheOtherBitnessNamesBothFiles) {
    const std::string m = failureMessage([](FakeLoader& l) {
        l.error = LibraryLoadError{LibraryLoadError::Kind::WrongArchitecture, "%1 is not a valid Win32 application"};
    });
    EXPECT_NE(m.find("inpoutx64.dll"), std::string::npos);
    EXPECT_NE(m.find("inpout32.dll"), std::string::npos);
    EXPECT_NE(m.find("разрядности"), std::string::npos);
}

TEST(InpOutPortFailure, AMissingEntryPointIsNamed) {
    for (const char* entry : {"Inp32", "Out32", "IsInpOutDriverOpen"}) {
        const std::string m = failureMessage([entry](FakeLoader& l) { l.entries.erase(entry); });
        EXPECT_NE(m.find(std::string("нет функции ") + entry), std::string::npos) << m;
        EXPECT_NE(m.find("рядом с kavtra.exe"), std::string::npos);
    }
}

// Without its driver the DLL writes nothing and reads 0 without a word.
TEST(InpOutPortFailure, ADriverThatIsNotOpenAsksForOneRunAsAdministrator) {
    const std::string m = failureMessage([](FakeLoader&) { FakeDll::driverOpen = 0; });
    EXPECT_NE(m.find("драйвер библиотеки не запущен"), std::string::npos);
    EXPECT_NE(m.find("от имени администратора"), std::string::npos);
    EXPECT_EQ(FakeDll::log, (Lines{"IsInpOutDriverOpen"}));
}

}  // namespace
}  // namespace kavtra
