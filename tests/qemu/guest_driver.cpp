// The test driver inside the virtual machine: runs the known scenario on the
// real kernel driver through the program's own port stack and prints what
// the host checks, every line starting with "KAVTRA ".
//
//   kavtra-guest ppdev DEVICE   the scenario through ppdev, its transfer's
//                               system calls counted under ptrace
//   kavtra-guest io BASE        the scenario through direct I/O
//   kavtra-guest open VALUE     opens KAVTRA_PORT=VALUE, prints the failure
//   kavtra-guest hold DEVICE FILE    opens the port through ppdev, creates
//                               FILE and keeps the port until killed
//   kavtra-guest nobody open VALUE   the same as an unprivileged user

#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "outputs/transfer.h"
#include "port/port_stack.h"
#include "tests/qemu/scenario.h"

namespace {

using namespace kavtra;

[[noreturn]] void printFailure(const PortFailure& failure) {
    std::printf("KAVTRA failure %s\n%s\nKAVTRA end of failure\n", failure.device.c_str(), failure.message.c_str());
    std::fflush(stdout);
    std::_Exit(3);
}

std::unique_ptr<PortStack> stackFor(const std::string& value) {
    return buildPortStack({value, std::nullopt}, printFailure);
}

// A system call no other code here makes, to mark the counted stretch.
void marker() { ::syscall(SYS_getppid); }

int runCounted(const std::string& device) {
    const pid_t child = ::fork();
    if (child < 0) return 2;
    if (child == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::raise(SIGSTOP);
        {
            std::unique_ptr<PortStack> stack = stackFor(device);
            qemu::runPhase(stack->lpt(), qemu::ppdevTables(), [](int transfer, bool) {
                if (transfer == qemu::kCountedTransfer) marker();
            });
        }
        std::fflush(stdout);
        ::_exit(0);
    }

    int status = 0;
    ::waitpid(child, &status, 0);
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    long markers = 0, total = 0, ioctls = 0;
    int signal = 0;
    for (;;) {
        ::ptrace(PTRACE_SYSCALL, child, nullptr, signal);
        if (::waitpid(child, &status, 0) != child || WIFEXITED(status) || WIFSIGNALED(status)) break;
        signal = 0;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            signal = WSTOPSIG(status);
            continue;
        }
        __ptrace_syscall_info info{};
        ::ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof info, &info);
        if (info.op != PTRACE_SYSCALL_INFO_ENTRY) continue;
        if (info.entry.nr == SYS_getppid) {
            ++markers;
        } else if (markers == 1) {
            ++total;
            if (info.entry.nr == SYS_ioctl) ++ioctls;
        }
    }
    const bool exitedWell = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::printf("KAVTRA ppdev phase %s\n", exitedWell ? "done" : "FAILED");
    std::printf("KAVTRA syscalls of one transfer: %ld, of which ioctl: %ld (markers seen: %ld)\n", total, ioctls,
                markers);
    return exitedWell && markers == 2 ? 0 : 1;
}

int runDirect(const std::string& base) {
    {
        std::unique_ptr<PortStack> stack = stackFor("io:" + base);
        qemu::runPhase(stack->lpt(), qemu::directIoTables());
    }
    std::printf("KAVTRA io phase done\n");
    return 0;
}

int runOpen(const std::string& value) {
    std::unique_ptr<PortStack> stack = stackFor(value);
    stack->lpt().DataPort();
    std::printf("KAVTRA opened %s\n", value.c_str());
    return 0;
}

int runHold(const std::string& device, const std::string& flag) {
    std::unique_ptr<PortStack> stack = stackFor(device);
    stack->lpt().DataPort();
    std::fclose(std::fopen(flag.c_str(), "w"));
    for (;;) ::pause();
}

int dropToNobody() {
    // The ids of "nobody" on Debian; the guest has no user database.
    return ::setgid(65534) == 0 && ::setuid(65534) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "nobody") == 0) {
        if (dropToNobody() != 0) return 2;
        first = 2;
    }
    if (argc == 4 && std::strcmp(argv[1], "hold") == 0) return runHold(argv[2], argv[3]);
    if (argc != first + 2) {
        std::fprintf(stderr, "usage: kavtra-guest [nobody] ppdev|io|open ARGUMENT | hold DEVICE FILE\n");
        return 2;
    }
    const std::string command = argv[first];
    const std::string argument = argv[first + 1];
    if (command == "ppdev") return runCounted(argument);
    if (command == "io") return runDirect(argument);
    if (command == "open") return runOpen(argument);
    return 2;
}
