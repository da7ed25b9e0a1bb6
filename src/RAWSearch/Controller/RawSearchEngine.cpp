#include "RAWSearch/Controller/RawSearchEngine.h"

#include <new>

#include "RAWSearch/Controller/CRAWSearchController.h"
#include "include/EngineRegistry.h"

ICompleteFileSystemSearchController* CreateRAWSearcher() { return new (std::nothrow) CRAWSearchController(); }

void RegisterRawSearchEngine() {
  quellsy::EngineRegistry::Instance().RegisterCompleteSearcher(SEARCHER_RAW, [] { return CreateRAWSearcher(); });
}
