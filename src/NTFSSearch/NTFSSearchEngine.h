#pragma once
// Hands the NTFS engine's factories and services to the engine registry; called from RegisterBuiltInEngines().

void RegisterNTFSSearchEngine();
