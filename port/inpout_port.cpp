#include "port/inpout_port.h"

#include "port/port_messages.h"

namespace kavtra {

const char* InpOutPort::libraryName() { return sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll"; }

InpOutPort::InpOutPort(std::uint16_t base, PortFailureHandler onFailure, LibraryLoader& loader)
    : HardwarePort(std::move(onFailure)), base_(base), loader_(loader) {}

std::optional<PortFailure> InpOutPort::open(std::uint8_t& control) {
    const std::string name = libraryName();
    LibraryLoadError error{LibraryLoadError::Kind::Other, {}};
    std::unique_ptr<DynamicLibrary> library = loader_.load(name, error);
    if (!library) {
        if (error.kind == LibraryLoadError::Kind::WrongArchitecture)
            return port_messages::libraryWrongArchitecture(name, error.systemText);
        return port_messages::libraryMissing(name, error.systemText);
    }
    const LibraryFunction inp32 = library->find("Inp32");
    const LibraryFunction out32 = library->find("Out32");
    const LibraryFunction driverOpen = library->find("IsInpOutDriverOpen");
    if (!inp32) return port_messages::libraryEntryMissing(name, "Inp32");
    if (!out32) return port_messages::libraryEntryMissing(name, "Out32");
    if (!driverOpen) return port_messages::libraryEntryMissing(name, "IsInpOutDriverOpen");
    if (reinterpret_cast<DriverOpenFunction>(driverOpen)() == 0) return port_messages::libraryDriverNotOpen(name);

    library_ = std::move(library);
    inp32_ = reinterpret_cast<Inp32Function>(inp32);
    out32_ = reinterpret_cast<Out32Function>(out32);
    control = read(2);
    return std::nullopt;
}

std::uint8_t InpOutPort::read(unsigned offset) {
    return static_cast<std::uint8_t>(inp32_(static_cast<short>(base_ + offset)) & 0xFF);
}

void InpOutPort::write(unsigned offset, std::uint8_t value) { out32_(static_cast<short>(base_ + offset), value); }

std::uint8_t InpOutPort::readData() { return read(0); }
std::uint8_t InpOutPort::readStatus() { return read(1); }
void InpOutPort::writeData(std::uint8_t value) { write(0, value); }
void InpOutPort::writeControl(std::uint8_t value, std::uint8_t) { write(2, value); }

}  // namespace kavtra
