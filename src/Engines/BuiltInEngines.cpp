#include "Engines/BuiltInEngines.h"

#include "APFS/APFSEngine.h"
#include "ExFat/ExFatEngine.h"
#include "FATLib/FATEngine.h"
#include "FATSearch/FATSearchEngine.h"
#include "HFSPlus/HFSPlusSearch/HFSPlusSearchEngine.h"
#include "NTFSSearch/NTFSSearchEngine.h"
#include "RAWSearch/Controller/RawSearchEngine.h"

// Each engine library adds one call to its own registration function here.
void RegisterBuiltInEngines() {
  RegisterAPFSEngine();
  RegisterFATEngine();
  RegisterExFatEngine();
  RegisterFATSearchEngine();
  RegisterHFSPlusSearchEngine();
  RegisterNTFSSearchEngine();
  RegisterRawSearchEngine();
}
