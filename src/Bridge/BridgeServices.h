#pragma once
// The shell's side of the bridge, installed once at start-up: the main-thread poster, the settings store and
// the translator. Until something is installed the bridge drops what it would post, keeps settings in memory
// and speaks English.

#include "Bridge/IMainThreadPoster.h"
#include "Bridge/ISettingsStore.h"
#include "Bridge/ITranslator.h"

namespace quellsy::bridge {

// Not owned; null goes back to the default. Install before any bridge thread runs.
void SetMainThreadPoster(IMainThreadPoster* poster);
void SetSettingsStore(ISettingsStore* store);
void SetTranslator(ITranslator* translator);

// Null while no poster is installed.
IMainThreadPoster* MainThreadPoster();
ISettingsStore& Settings();
const ITranslator& Translator();

// Hands the notification to the installed poster; dropped without one.
void PostOnMainThread(Notification notification);

// Back to the defaults, with the in-memory settings emptied (tests).
void ResetBridgeServicesForTesting();

}  // namespace quellsy::bridge
