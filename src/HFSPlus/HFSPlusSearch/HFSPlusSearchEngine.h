#pragma once
// Hands the HFS+ engine's factories to the engine registry; called from RegisterBuiltInEngines().

void RegisterHFSPlusSearchEngine();
