#pragma once

#include <string>
#include <vector>

// Orders the host's serial device names the way ports are numbered Com1, Com2, ...: built-in
// ports (ttyS*) first, then USB adapters (ttyUSB*), then modems (ttyACM*), each by number; other
// kinds follow by name.
std::vector<std::string> OrderSerialPorts(std::vector<std::string> names);
