#include "Engines/BuiltInEngines.h"

// Each engine library adds one call to its own registration function here.
void RegisterBuiltInEngines() {}
