#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "port/dynamic_library.h"
#include "port/hardware_port.h"

// The DLL's entry points are __stdcall in a 32-bit build; the attribute means
// nothing on 64-bit Windows and does not exist elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define KAVTRA_STDCALL __stdcall
#else
#define KAVTRA_STDCALL
#endif

namespace kavtra {

// A parallel port on Windows through the port-I/O DLL (inpoutx64.dll in a
// 64-bit build, inpout32.dll in a 32-bit one), loaded by name at the first
// access. The DLL needs its kernel driver, which it installs on a run with
// administrator rights; without it the DLL silently writes nothing and reads
// 0, so the driver is checked before the port is taken as open.
class InpOutPort final : public HardwarePort {
public:
    using Inp32Function = short(KAVTRA_STDCALL*)(short);
    using Out32Function = void(KAVTRA_STDCALL*)(short, short);
    using DriverOpenFunction = int(KAVTRA_STDCALL*)();

    static const char* libraryName();

    InpOutPort(std::uint16_t base, PortFailureHandler onFailure, LibraryLoader& loader);

protected:
    std::optional<PortFailure> open(std::uint8_t& control) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;
    void writeData(std::uint8_t value) override;
    void writeControl(std::uint8_t value, std::uint8_t previous) override;

private:
    std::uint8_t read(unsigned offset);
    void write(unsigned offset, std::uint8_t value);

    std::uint16_t base_;
    LibraryLoader& loader_;
    std::unique_ptr<DynamicLibrary> library_;
    Inp32Function inp32_ = nullptr;
    Out32Function out32_ = nullptr;
};

}  // namespace kavtra
