#include "FATLib/CEmptyFileVirtualClusterNum.h"

CEmptyFileVirtualClusterNum& GetEmptyFileVirtualClusterNumObject() {
  static CEmptyFileVirtualClusterNum counter;
  return counter;
}
