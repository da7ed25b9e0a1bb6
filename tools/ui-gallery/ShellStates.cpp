// The shell's windows in their states.

#include "Gallery.h"

namespace quellsy::gallery {

void AddShellStates(Gallery& gallery, ui::ScriptedBackend& backend) { AddRootWindowStates(gallery, backend); }

}  // namespace quellsy::gallery
