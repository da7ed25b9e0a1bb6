#include "Platform/InstalledPrograms.h"

namespace quellsy::platform {

const char* InstalledMainProgram() { return QUELLSY_PROGRAM_PATH; }
const char* InstalledLauncher() { return QUELLSY_LAUNCHER_PATH; }
const char* InstalledRootStart() { return QUELLSY_ROOT_START_PATH; }

}  // namespace quellsy::platform
