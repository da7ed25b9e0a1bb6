#pragma once
// Puts the signature search's process-wide state back to its start: the registry's search set is
// emptied and the shared read window forgotten. The search calls it before it starts, and tests
// call it so that none depends on another's leftovers.
//
// The cancel sink is left alone: the scan may hand it over before the search is prepared. Tests
// forget it with CNotifyCenter::Instance()->Reset().
void ResetRawSearchState();
