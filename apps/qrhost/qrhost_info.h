#pragma once

#include <ostream>

#include "host/app/module_library.h"

namespace qrhost {

// Prints what an activated module contributed to the host: its name and build, extensions,
// page routes, plug-in interfaces and the models it created.
void PrintModuleReport(const std::string& module_name, std::ostream& out);

}  // namespace qrhost
