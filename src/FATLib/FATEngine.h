#pragma once
// Hands the FAT engine's factories to the engine registry; called from RegisterBuiltInEngines().

void RegisterFATEngine();
