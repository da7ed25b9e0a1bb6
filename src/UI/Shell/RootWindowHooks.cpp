#include "UI/Shell/RootWindowHooks.h"

#include <utility>

namespace quellsy::ui {
namespace {

RootWindowHooks& Hooks() {
  static RootWindowHooks hooks;
  return hooks;
}

}  // namespace

void SetRootWindowHooks(RootWindowHooks hooks) { Hooks() = std::move(hooks); }

const RootWindowHooks& GetRootWindowHooks() { return Hooks(); }

}  // namespace quellsy::ui
