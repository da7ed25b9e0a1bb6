#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "UI/Backend/IFacadeBackend.h"

namespace quellsy::ui {
namespace {

std::atomic<IFacadeBackend*> g_backend{nullptr};

}  // namespace

void SetBackend(IFacadeBackend* backend) { g_backend.store(backend); }

IFacadeBackend& Backend() {
  IFacadeBackend* backend = g_backend.load();
  if (!backend) {
    std::fputs("quellsy: a window asked for the backend before one was installed\n", stderr);
    std::abort();
  }
  return *backend;
}

bool HasBackend() { return g_backend.load() != nullptr; }

}  // namespace quellsy::ui
