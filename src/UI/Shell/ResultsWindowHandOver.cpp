#include "UI/Shell/ResultsWindowHandOver.h"

#include <utility>

namespace quellsy::ui {

namespace {

ResultsWindowFactory& Factory() {
  static ResultsWindowFactory factory;
  return factory;
}

}  // namespace

void SetResultsWindowFactory(ResultsWindowFactory factory) { Factory() = std::move(factory); }

IResultsWindow* MakeResultsWindow() { return Factory() ? Factory()() : nullptr; }

}  // namespace quellsy::ui
