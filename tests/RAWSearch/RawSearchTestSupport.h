#pragma once
// What the signature-search tests share: a fixture that starts and ends every test from a clean
// process-wide state, a scripted cancel sink, and a scoped replacement of the registry's tables.

#include <cxxabi.h>
#include <gtest/gtest.h>

#include <atomic>

#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#include "RAWSearch/Controller/RawSearchState.h"
#include "RAWSearch/Framework/CNotifyCenter.h"
#include "RAWSearch/Registry/CPlaceholderRawFileAnalyser.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"
#include "include/IProgress.h"

namespace quellsy::test {

class RawSearchTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  void TearDown() override { ResetAll(); }

 private:
  static void ResetAll() {
    ResetRawSearchState();
    CNotifyCenter::Instance()->Reset();
  }
};

// Answers Continued() with `go` and counts the questions; the searchers of a complete scan ask from their own
// threads.
class ScriptedProgress : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override {
    ++asked;
    return go ? 1 : 0;
  }
  int shouldBuild() override { return 1; }

  std::atomic<bool> go = true;
  std::atomic<int> asked = 0;
};

// Fills the registry's search set with the given builder for the scope's lifetime.
class ScopedSearchSet {
 public:
  explicit ScopedSearchSet(CRawFileAnalyserListSingle::SearchSetBuilder builder) {
    CRawFileAnalyserListSingle::CreateInstance()->SetSearchSetBuilder(std::move(builder));
  }
  ~ScopedSearchSet() {
    CRawFileAnalyserListSingle::CreateInstance()->SetSearchSetBuilder({});
    ResetRawSearchState();
  }
  ScopedSearchSet(const ScopedSearchSet&) = delete;
  ScopedSearchSet& operator=(const ScopedSearchSet&) = delete;
};

// The class an analyser stands for: a placeholder's table name, else the real class's name.
inline std::string AnalyserClassName(IRawFileAnalyser* analyser) {
  if (auto* placeholder = dynamic_cast<CPlaceholderRawFileAnalyser*>(analyser)) return placeholder->ClassName();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(typeid(*analyser).name(), nullptr, nullptr, &status),
                                             std::free);
  return status == 0 ? name.get() : typeid(*analyser).name();
}

}  // namespace quellsy::test
