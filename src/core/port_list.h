#pragma once
// The machine's serial ports, as the names the port box offers. Each system's own source
// (port_list_linux.h, port_list_win32.h) is also open to tests with a stand-in.
#include <string>
#include <vector>

namespace brisvel {

// In the order the system gives them, or natural order where it gives none.
std::vector<std::string> ListSerialPorts();

// Orders names so that runs of digits compare by value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace brisvel
