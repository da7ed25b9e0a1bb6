#pragma once
// Hands the APFS engine's probe and complete searcher to the engine registry; called from
// RegisterBuiltInEngines(). APFS volumes have no quick searcher: the quick scan refuses them as an unsupported
// file system.

void RegisterAPFSEngine();
