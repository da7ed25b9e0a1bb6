// engine-cli: the developers' harness over the scan engine (see EngineCli.h).

#include <iostream>

#include "EngineCli.h"
#include "Engines/BuiltInEngines.h"

int main(int argc, char** argv) {
  RegisterBuiltInEngines();
  return EngineCliMain(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
