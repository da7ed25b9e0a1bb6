#pragma once
// The signature search as the engine registry sees it: the searcher factory and its registration as
// the complete searcher of type 34. RegisterBuiltInEngines() calls RegisterRawSearchEngine().

class ICompleteFileSystemSearchController;

// A new signature searcher, deleted by whoever drives it.
ICompleteFileSystemSearchController* CreateRAWSearcher();
void RegisterRawSearchEngine();
