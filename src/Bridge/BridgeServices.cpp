#include "Bridge/BridgeServices.h"

#include <atomic>

#include "Bridge/EnglishTranslator.h"
#include "Bridge/MemorySettingsStore.h"

namespace quellsy::bridge {
namespace {

MemorySettingsStore& DefaultSettings() {
  static MemorySettingsStore store;
  return store;
}

const EnglishTranslator& DefaultTranslator() {
  static const EnglishTranslator translator;
  return translator;
}

std::atomic<IMainThreadPoster*> g_poster{nullptr};
std::atomic<ISettingsStore*> g_settings{nullptr};
std::atomic<ITranslator*> g_translator{nullptr};

}  // namespace

void SetMainThreadPoster(IMainThreadPoster* poster) { g_poster.store(poster); }
void SetSettingsStore(ISettingsStore* store) { g_settings.store(store); }
void SetTranslator(ITranslator* translator) { g_translator.store(translator); }

IMainThreadPoster* MainThreadPoster() { return g_poster.load(); }

ISettingsStore& Settings() {
  ISettingsStore* store = g_settings.load();
  return store ? *store : DefaultSettings();
}

const ITranslator& Translator() {
  const ITranslator* translator = g_translator.load();
  return translator ? *translator : DefaultTranslator();
}

void PostOnMainThread(Notification notification) {
  if (IMainThreadPoster* poster = g_poster.load()) poster->Post(std::move(notification));
}

void ResetBridgeServicesForTesting() {
  g_poster.store(nullptr);
  g_settings.store(nullptr);
  g_translator.store(nullptr);
  DefaultSettings().Clear();
}

}  // namespace quellsy::bridge
