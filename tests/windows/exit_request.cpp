// exit_request.exe EVENT READY_FILE PROGRAM [ARGUMENTS...]: starts PROGRAM in
// a console and process group of its own, sends EVENT (ctrl-c, ctrl-break,
// close) once READY_FILE stops growing, and ends with PROGRAM's status (124:
// still running after 20 s). What Wine 8's console cannot send (Ctrl+Break,
// close) starts at kernelbase's CtrlRoutine, as Windows' console sends all.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

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
    for (DWORD before = 0, now = 1; before != now; ::Sleep(500)) {
        WIN32_FILE_ATTRIBUTE_DATA file{};
        before = now;
        now = ::GetFileAttributesExA(argv[2], GetFileExInfoStandard, &file) ? file.nFileSizeLow : 0;
        if (now == 0) before = 1;
    }
    const DWORD code = event == "ctrl-c" ? CTRL_C_EVENT : event == "ctrl-break" ? CTRL_BREAK_EVENT : CTRL_CLOSE_EVENT;
    ::FreeConsole();
    ::AttachConsole(program.dwProcessId);
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    if (code != CTRL_CLOSE_EVENT && ::GenerateConsoleCtrlEvent(code, program.dwProcessId)) {
        std::printf("event %lu sent by the console\n", code);
    } else {
        if (code != CTRL_CLOSE_EVENT)
            std::printf("the console refused event %lu (error %lu); ", code, ::GetLastError());
        std::printf("event %lu started at CtrlRoutine\n", code);
        auto* routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
        ::CreateRemoteThread(program.hProcess, nullptr, 0, routine, reinterpret_cast<void*>(std::uintptr_t{code}), 0,
                             nullptr);
    }
    std::fflush(stdout);
    DWORD status = 124;
    if (::WaitForSingleObject(program.hProcess, 20000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(program.hProcess, &status);
    ::TerminateProcess(program.hProcess, 124);
    return static_cast<int>(status);
}
