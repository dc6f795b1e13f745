// A stand-in for the port-I/O DLL, built in variants that fail the way real
// installations do: its registers live in memory, and every call is logged
// for the test to read back through StandInLog.
#include <cstdio>
#include <string>

namespace {

std::string callLog;
unsigned char registers[0x10000];

void logCall(const char* name, short address, unsigned value) {
    char line[40];
    std::snprintf(line, sizeof line, "%s %u 0x%02x\n", name, static_cast<unsigned short>(address), value);
    callLog += line;
}

}  // namespace

extern "C" {

__declspec(dllexport) short Inp32(short address) {
    const unsigned char value = registers[static_cast<unsigned short>(address)];
    logCall("Inp32", address, value);
    return value;
}

#ifndef STAND_IN_WITHOUT_OUT32
__declspec(dllexport) void Out32(short address, short value) {
    registers[static_cast<unsigned short>(address)] = static_cast<unsigned char>(value & 0xFF);
    logCall("Out32", address, static_cast<unsigned>(value & 0xFF));
}
#endif

__declspec(dllexport) int IsInpOutDriverOpen() {
    callLog += "IsInpOutDriverOpen\n";
#ifdef STAND_IN_DRIVER_CLOSED
    return 0;
#else
    return 1;
#endif
}

__declspec(dllexport) const char* StandInLog() { return callLog.c_str(); }

}  // extern "C"
