// Asks a program to end as Windows does, for the tests under Wine:
//   exit_request.exe EVENT READY_FILE PROGRAM [ARGUMENTS...]
// starts PROGRAM in a console and a process group of its own, waits until
// READY_FILE (its port trace, say) has stopped growing, sends EVENT, and ends with
// PROGRAM's exit status (124 when it still runs 20 s later; it is ended then).
//   ctrl-c, ctrl-break  GenerateConsoleCtrlEvent on the program's console
//   close               CTRL_CLOSE_EVENT, which a console sends when its window closes
//   logoff              WM_QUERYENDSESSION, then WM_ENDSESSION, each with
//                       ENDSESSION_LOGOFF, to the program's top-level windows;
//                       first a logoff that another program refused (the
//                       program must live on), then one that ends the session
//   none                nothing, without waiting: something else ends it
// A console delivers an event by starting a thread in each process at
// kernelbase's CtrlRoutine. Where the console cannot send the event (Wine 8
// has no Ctrl+Break, and closing its window ends the processes without one),
// it is delivered so; standard output says which way it went.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void sendByThread(HANDLE process, DWORD event) {
    auto* routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
    const HANDLE thread =
        ::CreateRemoteThread(process, nullptr, 0, routine, reinterpret_cast<void*>(std::uintptr_t{event}), 0, nullptr);
    std::printf("event %lu started at CtrlRoutine: %s\n", event, thread ? "yes" : "no");
}

void sendByConsole(const PROCESS_INFORMATION& program, DWORD event) {
    ::FreeConsole();
    ::AttachConsole(program.dwProcessId);
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    if (::GenerateConsoleCtrlEvent(event, program.dwProcessId)) {
        std::printf("event %lu sent by the console\n", event);
        return;
    }
    std::printf("the console refused event %lu (error %lu)\n", event, ::GetLastError());
    sendByThread(program.hProcess, event);
}

void logOff(DWORD processId, bool refusedElsewhere) {
    struct Search {
        DWORD processId;
        std::vector<HWND> windows;
    } search{processId, {}};
    ::EnumWindows(
        [](HWND window, LPARAM data) {
            auto* found = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == found->processId) found->windows.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    const std::vector<HWND>& windows = search.windows;
    DWORD_PTR agreed = TRUE;
    for (HWND window : windows) {
        DWORD_PTR answer = FALSE;
        ::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer);
        agreed = agreed && answer;
    }
    const bool ends = agreed && !refusedElsewhere;
    std::printf("%zu windows asked of a logoff%s, all agreed: %s\n", windows.size(),
                refusedElsewhere ? " refused elsewhere" : "", agreed ? "yes" : "no");
    for (HWND window : windows)
        ::SendMessageTimeoutW(window, WM_ENDSESSION, ends, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, nullptr);
}

// The file has stopped growing for half a second.
bool settled(const char* file) {
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    const bool there = ::GetFileAttributesExA(file, GetFileExInfoStandard, &before);
    ::Sleep(500);
    return there && before.nFileSizeLow != 0 && ::GetFileAttributesExA(file, GetFileExInfoStandard, &after) &&
           after.nFileSizeLow == before.nFileSizeLow;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string event = argv[1];
    std::string line;
    for (int i = 3; i < argc; ++i) line += std::string(i > 3 ? " \"" : "\"") + argv[i] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP,
                          nullptr, nullptr, &startup, &program))
        return 2;
    for (int tries = 0; event != "none" && !settled(argv[2]); ++tries) {
        if (tries == 120 || ::WaitForSingleObject(program.hProcess, 0) == WAIT_OBJECT_0) {
            std::printf("%s did not settle\n", argv[2]);
            ::TerminateProcess(program.hProcess, 124);
            return 124;
        }
    }

    if (event == "ctrl-c") sendByConsole(program, CTRL_C_EVENT);
    if (event == "ctrl-break") sendByConsole(program, CTRL_BREAK_EVENT);
    if (event == "close") sendByThread(program.hProcess, CTRL_CLOSE_EVENT);
    if (event == "logoff") {
        logOff(program.dwProcessId, true);
        if (::WaitForSingleObject(program.hProcess, 2000) == WAIT_OBJECT_0) {
            std::printf("the program ended at a logoff that did not happen\n");
            return 125;
        }
        logOff(program.dwProcessId, false);
    }
    std::fflush(stdout);
    if (::WaitForSingleObject(program.hProcess, 20000) != WAIT_OBJECT_0) {
        ::TerminateProcess(program.hProcess, 124);
        return 124;
    }
    DWORD status = 0;
    ::GetExitCodeProcess(program.hProcess, &status);
    return static_cast<int>(status);
}
