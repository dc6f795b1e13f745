#pragma once

#include <functional>
#include <vector>

#include "outputs/out_state.h"
#include "port/lpt.h"

// What the test driver does to the port inside the virtual machine, once
// through ppdev and once through direct I/O, and what the host expects of it.
namespace kavtra::qemu {

// Known pictures, each sent by one transfer.
std::vector<OutState> ppdevTables();
std::vector<OutState> directIoTables();

// The transfer whose system calls the driver counts, among ppdevTables().
inline constexpr int kCountedTransfer = 1;

// What the program does over a run: Init_Outs, one transfer per table, and
// at exit the data lines switched to input. aroundTransfer(i, false) runs
// just before transfer i and aroundTransfer(i, true) just after it.
void runPhase(LPT& lpt, const std::vector<OutState>& tables, const std::function<void(int, bool)>& aroundTransfer = {});

}  // namespace kavtra::qemu
