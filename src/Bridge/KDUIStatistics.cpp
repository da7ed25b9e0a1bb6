#include "Bridge/KDUIStatistics.h"

#include <dlfcn.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "Bridge/BridgeServices.h"
#include "Bridge/ISmartSpy.h"
#include "Bridge/KDUIScan.h"
#include "Utility/WorkPath.h"

namespace {

constexpr const char* kLibraryName = "libmervox.so";
constexpr std::size_t kWideBufferBytes = 1024;

struct SpyState {
  std::mutex lock;
  std::filesystem::path libraryPath;
  void* handle = nullptr;
  ISmartSpy* spy = nullptr;
  std::int32_t qimRsfCount = 0;
};

SpyState& State() {
  static SpyState state;
  return state;
}

std::filesystem::path LibraryPath(const SpyState& state) {
  if (!state.libraryPath.empty()) return state.libraryPath;
  const char* folder = GetAppWorkPath();
  return folder ? std::filesystem::path(folder) / kLibraryName : std::filesystem::path(kLibraryName);
}

void* LoadLocked(SpyState& state) {
  std::printf("LoadSpyModule entry\n");
  if (state.handle) return state.handle;
  const auto path = LibraryPath(state);
  state.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  const char* error = state.handle ? "" : dlerror();
  std::printf("LoadSpyModule : %s, hmodule = %lld, errno : %s\n", path.c_str(),
              static_cast<long long>(reinterpret_cast<std::intptr_t>(state.handle)), error ? error : "");
  return state.handle;
}

template <class Function>
Function Symbol(void* handle, const char* name) {
  return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

// Runs call on the statistics object, made on first use; nothing without the library. The library's own
// failures stay inside it.
template <class Call>
void WithSpy(Call&& call) {
  auto& state = State();
  std::lock_guard guard(state.lock);
  if (!state.spy) {
    const auto getSpy = Symbol<GetSmartSpyFunction>(LoadLocked(state), "GetSmartSpy");
    if (!getSpy) return;
    try {
      state.spy = getSpy();
    } catch (...) {
      state.spy = nullptr;
    }
    if (!state.spy) return;
  }
  try {
    call(*state.spy, state);
  } catch (...) {
  }
}

void Install(bool participate, bool requireFolder) {
  auto& state = State();
  std::lock_guard guard(state.lock);
  const auto install = Symbol<InstallSpyFunction>(LoadLocked(state), "InstallSpy");
  if (!install) return;
  const char* folder = GetAppWorkPath();
  if (!folder && requireFolder) return;
  wchar_t wide[kWideBufferBytes / sizeof(wchar_t)] = {};
  const bool converted = folder && UTF82WCHAR(folder, std::strlen(folder), wide, sizeof wide) >= 0;
  try {
    install(participate ? 1 : 0, converted ? wide : nullptr);
  } catch (...) {
  }
}

}  // namespace

long UTF82WCHAR(const char* source, std::size_t sourceLength, wchar_t* target, std::size_t targetBytes) {
  if (!source || !target || targetBytes < sizeof(wchar_t)) return -1;
  const iconv_t converter = iconv_open("WCHAR_T", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return -1;
  std::memset(target, 0, targetBytes);
  char* in = const_cast<char*>(source);
  char* out = reinterpret_cast<char*>(target);
  std::size_t inLeft = sourceLength;
  std::size_t outLeft = targetBytes - sizeof(wchar_t);  // the terminator stays
  const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  return static_cast<long>(result);
}

void* KDUIStatistics::LoadSpyModule() {
  auto& state = State();
  std::lock_guard guard(state.lock);
  return LoadLocked(state);
}

void KDUIStatistics::SpyIDInstall() { Install(quellsy::bridge::Settings().GetBool(kParticipateKey), false); }

void KDUIStatistics::SetUserParticipart(bool participate) { Install(participate, true); }

void KDUIStatistics::SpyIDIncreateTable1(std::int32_t key) {
  if (key < kFirstTableKey) return;
  WithSpy([&](ISmartSpy& spy, SpyState&) { spy.Count(key); });
}

void KDUIStatistics::SpyIDIncreateTable2(std::int32_t key, std::int32_t value) {
  if (key < kFirstTableKey) return;
  WithSpy([&](ISmartSpy& spy, SpyState&) { spy.AddValue(key, value); });
}

void KDUIStatistics::SpyIDStringTable1(std::int32_t key, const std::string& text) {
  if (key < kFirstTableKey) return;
  WithSpy([&](ISmartSpy& spy, SpyState&) { spy.SetText1(key, text.c_str()); });
}

void KDUIStatistics::SpyIDStringTable2(std::int32_t key, const std::string& text) {
  if (key < kFirstTableKey) return;
  WithSpy([&](ISmartSpy& spy, SpyState&) { spy.SetText2(key, text.c_str()); });
}

void KDUIStatistics::SpyIDWStringTable1(std::int32_t key, const std::string& text) {
  if (key < kFirstTableKey) return;
  wchar_t wide[kWideBufferBytes / sizeof(wchar_t)] = {};
  if (UTF82WCHAR(text.c_str(), text.size(), wide, sizeof wide) < 0) return;
  WithSpy([&](ISmartSpy& spy, SpyState&) { spy.SetWideText1(key, wide); });
}

void KDUIStatistics::SpyIDSaveToServerTable() {
  WithSpy([](ISmartSpy& spy, SpyState&) {
    spy.SetText2(kEndpointKey, kEndpoint);
    spy.Send(2, 5);
  });
}

void KDUIStatistics::SpyIDEnd() {
  WithSpy([](ISmartSpy& spy, SpyState&) {
    spy.SetText2(kEndpointKey, kEndpoint);
    spy.Send(7, 5);
    spy.Finish();
  });
}

void KDUIStatistics::SetQimRsf() {
  if (!KDUIScan::instance()->IsQimRsf()) return;
  WithSpy([](ISmartSpy& spy, SpyState& state) { spy.AddValue(kQimRsfKey, state.qimRsfCount++); });
}

void KDUIStatistics::SetLibraryPathForTesting(const std::filesystem::path& path) {
  auto& state = State();
  std::lock_guard guard(state.lock);
  state.libraryPath = path;
}

void KDUIStatistics::ResetForTesting() {
  auto& state = State();
  std::lock_guard guard(state.lock);
  state.spy = nullptr;
  state.qimRsfCount = 0;
  if (state.handle) dlclose(state.handle);
  state.handle = nullptr;
  state.libraryPath.clear();
}
