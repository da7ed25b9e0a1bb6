#include "Engines/BuiltInEngines.h"

#include "FATLib/FATEngine.h"

// Each engine library adds one call to its own registration function here.
void RegisterBuiltInEngines() {
  RegisterFATEngine();
}
