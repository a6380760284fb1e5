// "Test Connection" of the network port dialog: opens an address that is not stored yet, asks
// the controller "1GetVersion" and tells what came back, so an operator knows the site server,
// its certificate and the controller behind it all answer before anything is sent.
#pragma once

#include <string>

#include "core/link/link_preferences.h"

namespace kelp {

struct ConnectionTestResult {
    bool answered = false;  // the controller answered with "+"
    std::string text;       // what to show: the firmware version, or why there was none
};

// Runs as one operation on the process's port; the port is closed again afterwards. The
// trust stands for the address's own while the test runs.
ConnectionTestResult testConnection(const std::string& device, const TlsTrust& trust);

// Stores device as ComDevice(n) in kelp.ini, with the trust of a TLS address (the keys are
// removed when the trust names nothing).
void storeNetworkPort(int n, const std::string& device, const TlsTrust& trust);

}  // namespace kelp
