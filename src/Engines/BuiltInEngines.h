#pragma once
// Registers every engine linked into the program with the engine registry. Every program and test binary that
// wants the engines calls it once at start; static initialisers in static libraries would be dropped by the linker.

void RegisterBuiltInEngines();
