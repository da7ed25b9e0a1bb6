#include "FATLib/UIConfig.h"

#include <string>

#include "FATLib/CIniFile.h"
#include "Utility/WorkPath.h"

namespace quellsy {

bool IsFirstClusterReviseOn(const char* folder) {
  const char* base = folder != nullptr ? folder : GetAppWorkPath();
  if (base == nullptr) return true;
  CIniFile ini;
  ini.Init(std::string(base) + "/" + kUIConfigFileName);
  std::string value;
  if (ini.ReadItem(kUserExperienceSection, kReviseKey, value) != 0) return true;
  return value != "0";
}

}  // namespace quellsy
