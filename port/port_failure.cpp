#include "port/port_failure.h"

namespace kavtra {

void reportPortFailure(const PortFailureHandler& handler, const PortFailure& failure) {
    if (handler) handler(failure);
    throw PortUnavailable(failure);
}

}  // namespace kavtra
