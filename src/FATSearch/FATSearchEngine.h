#pragma once
// Hands the FAT searchers' factories to the engine registry; called from RegisterBuiltInEngines().

void RegisterFATSearchEngine();
