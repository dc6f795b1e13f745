#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "outputs/transfer.h"
#include "persist/ini/codepage.h"
#include "port/inpout_port.h"
#include "port/port_stack.h"
#include "tests/support/port_log.h"

namespace kavtra {
namespace {

std::filesystem::path standInFolder(const char* variant) {
    wchar_t program[MAX_PATH * 4];
    const DWORD n = ::GetModuleFileNameW(nullptr, program, static_cast<DWORD>(std::size(program)));
    return std::filesystem::path(std::wstring(program, n)).parent_path() / (std::string("inpout-") + variant);
}

// Puts one stand-in's folder on this process's DLL search path while it
// lives, the way an installation has the DLL beside the program.
class StandInInstalled {
public:
    explicit StandInInstalled(const char* variant) : cookie_(::AddDllDirectory(standInFolder(variant).c_str())) {}
    ~StandInInstalled() { ::RemoveDllDirectory(cookie_); }
    StandInInstalled(const StandInInstalled&) = delete;
    StandInInstalled& operator=(const StandInInstalled&) = delete;
    bool ok() const { return cookie_ != nullptr; }

private:
    DLL_DIRECTORY_COOKIE cookie_;
};

// The stand-in's log of calls. Holding our own reference keeps the module,
// and so its log, alive after the port has let go of it.
class StandInLog {
public:
    explicit StandInLog(const char* variant)
        : module_(::LoadLibraryW((standInFolder(variant) / InpOutPort::libraryName()).c_str())) {}
    ~StandInLog() {
        if (module_) ::FreeLibrary(module_);
    }
    StandInLog(const StandInLog&) = delete;
    StandInLog& operator=(const StandInLog&) = delete;

    std::string text() const {
        using Function = const char* (*)();
        const auto entry =
            reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module_, "StandInLog")));
        return entry ? entry() : "(no log)";
    }
    bool ok() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

// The port Windows uses when KAVTRA_PORT is unset, and the message of the
// failure its first access reports (empty when it opened).
std::string firstAccessFailure() {
    std::vector<PortFailure> failures;
    std::unique_ptr<PortStack> stack =
        buildPortStack({std::nullopt, std::nullopt}, [&failures](const PortFailure& f) { failures.push_back(f); });
    EXPECT_EQ(stack->name(), InpOutPort::libraryName());
    try {
        stack->lpt().DataPort(0x21);
    } catch (const PortUnavailable&) {
        EXPECT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures.at(0).device, InpOutPort::libraryName());
    }
    return failures.empty() ? std::string() : failures[0].message;
}

// Everything in one test, since all cases share the process's module list.
TEST(InpOutDll, LoadsOnlyAWholeDllBesideTheProgramAndReportsWhatIsWrongWithAnyOther) {
    {
        SCOPED_TRACE("no DLL anywhere");
        const std::string m = firstAccessFailure();
        EXPECT_NE(m.find("библиотека не найдена"), std::string::npos) << m;
        EXPECT_NE(m.find("рядом с kavtra.exe"), std::string::npos) << m;
        // The system's reason too is whole Russian under Wine's Russian
        // locale: read in the ANSI code page it was not UTF-8.
        EXPECT_TRUE(isWellFormedUtf8(m)) << m;
        EXPECT_EQ(m.find("\xEF\xBF\xBD"), std::string::npos) << m;  // U+FFFD
    }
    {
        SCOPED_TRACE("a DLL in the current directory only is never loaded");
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(standInFolder("whole"));
        const std::string m = firstAccessFailure();
        std::filesystem::current_path(before);
        EXPECT_NE(m.find("библиотека не найдена"), std::string::npos) << m;
    }
    {
        SCOPED_TRACE("a DLL without Out32");
        StandInInstalled dll("without_out32");
        ASSERT_TRUE(dll.ok());
        StandInLog log("without_out32");
        const std::string m = firstAccessFailure();
        EXPECT_NE(m.find("в библиотеке нет функции Out32"), std::string::npos) << m;
        EXPECT_EQ(log.text(), "");
    }
    {
        SCOPED_TRACE("a DLL whose driver is not running");
        StandInInstalled dll("driver_closed");
        StandInLog log("driver_closed");
        ASSERT_TRUE(log.ok());
        const std::string m = firstAccessFailure();
        EXPECT_NE(m.find("драйвер библиотеки не запущен"), std::string::npos) << m;
        EXPECT_NE(m.find("от имени администратора"), std::string::npos) << m;
        EXPECT_EQ(log.text(), "IsInpOutDriverOpen\n");  // nothing reached the port
    }
    {
        SCOPED_TRACE("a whole DLL with its driver running");
        StandInInstalled dll("whole");
        StandInLog log("whole");
        ASSERT_TRUE(log.ok());
        EXPECT_EQ(firstAccessFailure(), "");
        EXPECT_EQ(log.text(), "IsInpOutDriverOpen\nInp32 890 0x00\nOut32 888 0x21\n");
    }
}

// Register writes cross the DLL boundary exactly as LPT makes them: the same
// bytes, in the same order, as on the simulated port.
TEST(InpOutDll, ATransferReachesTheDllAsOneOut32PerRegisterWrite) {
    StandInInstalled dll("whole");
    StandInLog log("whole");
    ASSERT_TRUE(log.ok());
    OutState table;
    for (int n : {1, 17, 40, 41, 300}) table[n] = 1;

    test::LoggedPort simulated;
    LPT reference(simulated.tap);
    Init_Outs(reference);
    UpdateOuts(table, reference);
    std::string expected = "IsInpOutDriverOpen\nInp32 890 0x00\n";
    for (const std::string& write : simulated.writes()) expected += "Out32" + write.substr(1) + "\n";

    std::vector<PortFailure> failures;
    std::unique_ptr<PortStack> stack =
        buildPortStack({std::nullopt, std::nullopt}, [&failures](const PortFailure& f) { failures.push_back(f); });
    Init_Outs(stack->lpt());
    UpdateOuts(table, stack->lpt());
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(log.text(), expected);
    EXPECT_EQ(stack->lpt().DataPort(), 0);
}

}  // namespace
}  // namespace kavtra
