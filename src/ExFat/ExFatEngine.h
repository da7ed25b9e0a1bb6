#pragma once
// Hands the exFAT engine's probe and quick searcher to the engine registry; called from RegisterBuiltInEngines().

void RegisterExFatEngine();
