#pragma once

#include <string>

#include "port/port_failure.h"

// The texts shown when a port cannot be opened, one builder per cause. Each
// names the device, says what went wrong and gives the usual fix; they live
// together so that their wording stays consistent.
namespace kavtra::port_messages {

// The device node refuses this user. group: the node's group ("" when
// unknown); user: the login name to put in the command.
PortFailure noAccess(const std::string& device, const std::string& group, const std::string& user);
PortFailure noDevice(const std::string& device, const std::string& systemText);
PortFailure busy(const std::string& device);
PortFailure deviceError(const std::string& device, const std::string& systemText);

PortFailure directIoNeedsRoot(const std::string& device);
PortFailure directIoLockedDown(const std::string& device);
PortFailure directIoUnsupported(const std::string& device);
PortFailure directIoError(const std::string& device, const std::string& systemText);

PortFailure libraryMissing(const std::string& library, const std::string& systemText);
PortFailure libraryWrongArchitecture(const std::string& library, const std::string& systemText);
PortFailure libraryEntryMissing(const std::string& library, const std::string& entry);
PortFailure libraryDriverNotOpen(const std::string& library);

PortFailure unknownChoice(const std::string& value);
PortFailure notOnThisSystem(const std::string& value);
PortFailure traceFileError(const std::string& path, const std::string& systemText);

}  // namespace kavtra::port_messages
