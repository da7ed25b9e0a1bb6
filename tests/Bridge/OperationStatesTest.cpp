// The facade's one rule for what may run together, on its own: every start in every state, the state each
// allowed start leads to, how the ends lead back, and that two starts never both pass.

#include "Bridge/OperationStates.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Utility/ResultMessage.h"

namespace quellsy::test {
namespace {

using bridge::FacadeStart;
using bridge::FacadeState;
using bridge::OperationStates;
namespace result = bridge::result;

using S = FacadeState;
using B = FacadeStart;

TEST(OperationStates, EveryStartInEveryState) {
  constexpr ResultCode ok = kResultOk;
  struct Row {
    S state;
    // scan, pause, resume, search, recovery, save, restore
    ResultCode verdicts[7];
    S after[7];
  };
  const Row rows[] = {
      {S::kIdle,
       {ok, result::kNoScanRunning, result::kNoScanRunning, ok, ok, ok, ok},
       {S::kScanning, S::kIdle, S::kIdle, S::kSearching, S::kRecovering, S::kSaving, S::kRestoring}},
      {S::kScanning,
       {result::kScanRunning, ok, result::kScanNotPaused, result::kScanRunning, result::kScanRunning,
        result::kScanRunning, result::kScanRunning},
       {S::kScanning, S::kPaused, S::kScanning, S::kScanning, S::kScanning, S::kScanning, S::kScanning}},
      {S::kPaused,
       {result::kScanPaused, result::kAlreadyPaused, ok, ok, result::kScanPaused, result::kScanPaused,
        result::kScanPaused},
       {S::kPaused, S::kPaused, S::kScanning, S::kSearching, S::kPaused, S::kPaused, S::kPaused}},
  };
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < std::size(bridge::kFacadeStarts); ++i) {
      const B start = bridge::kFacadeStarts[i];
      SCOPED_TRACE(std::string(FacadeStateName(row.state)) + " + " + FacadeStartName(start));
      EXPECT_EQ(OperationStates::Judge(row.state, start), row.verdicts[i]);
      EXPECT_EQ(OperationStates::After(row.state, start), row.after[i]);
    }
  }
  // The other work runs alone: each refuses every start with its own reason.
  const std::pair<S, ResultCode> alone[] = {{S::kSearching, result::kSearchRunning},
                                            {S::kRecovering, result::kRecoveryRunning},
                                            {S::kSaving, result::kSaveRunning},
                                            {S::kRestoring, result::kRestoreRunning}};
  for (const auto& [state, refusal] : alone) {
    for (const B start : bridge::kFacadeStarts) {
      SCOPED_TRACE(std::string(FacadeStateName(state)) + " + " + FacadeStartName(start));
      EXPECT_EQ(OperationStates::Judge(state, start), refusal);
      EXPECT_EQ(OperationStates::After(state, start), state);
    }
  }
}

TEST(OperationStates, EveryRefusalHasItsOwnWords) {
  const std::pair<ResultCode, const char*> words[] = {
      {result::kScanRunning, "a scan is running"},
      {result::kScanPaused, "a paused scan must be stopped first"},
      {result::kSearchRunning, "a search is running"},
      {result::kRecoveryRunning, "files are being recovered"},
      {result::kSaveRunning, "the results are being saved"},
      {result::kRestoreRunning, "saved results are being opened"},
      {result::kNoScanRunning, "no scan is running"},
      {result::kScanNotPaused, "the scan is not paused"},
      {result::kAlreadyPaused, "the scan is already paused"},
  };
  for (const auto& [code, text] : words) {
    EXPECT_TRUE(IsFailure(code));
    EXPECT_EQ(ModuleOf(code), module::kBridge);
    EXPECT_EQ(DescribeResult(code), std::string(text) + " (" + ResultCodeHex(code) + ")");
  }
}

TEST(OperationStates, EndsLeadBackAndASearchReturnsToItsScan) {
  OperationStates states;
  ASSERT_EQ(states.Begin(B::kScan), kResultOk);
  ASSERT_EQ(states.Begin(B::kPause), kResultOk);
  ASSERT_EQ(states.Begin(B::kSearch), kResultOk);
  EXPECT_EQ(states.Begin(B::kResume), result::kSearchRunning) << "no resuming under a search";
  states.End(B::kSearch);
  EXPECT_EQ(states.State(), S::kPaused) << "the scan is paused again";
  ASSERT_EQ(states.Begin(B::kResume), kResultOk);
  states.End(B::kScan);
  EXPECT_EQ(states.State(), S::kIdle);

  // The scan under a search ends (it was stopped): the search ends into idle.
  ASSERT_EQ(states.Begin(B::kScan), kResultOk);
  ASSERT_EQ(states.Begin(B::kPause), kResultOk);
  ASSERT_EQ(states.Begin(B::kSearch), kResultOk);
  states.End(B::kScan);
  EXPECT_EQ(states.State(), S::kSearching);
  states.End(B::kSearch);
  EXPECT_EQ(states.State(), S::kIdle);

  // An end of work that does not run changes nothing.
  for (const B start : {B::kRecovery, B::kSave, B::kRestore, B::kScan, B::kSearch}) {
    ASSERT_EQ(states.Begin(B::kSave), kResultOk);
    if (start != B::kSave) {
      states.End(start);
      EXPECT_EQ(states.State(), S::kSaving) << FacadeStartName(start);
    }
    states.End(B::kSave);
    EXPECT_EQ(states.State(), S::kIdle);
  }
}

TEST(OperationStates, OfStartsAtOnceExactlyOnePasses) {
  for (const B start : {B::kScan, B::kSearch, B::kRecovery, B::kSave, B::kRestore}) {
    OperationStates states;
    std::atomic<int> passed{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
      threads.emplace_back([&] {
        while (!go) std::this_thread::yield();
        if (states.Begin(start) == kResultOk) ++passed;
      });
    }
    go = true;
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(passed, 1) << FacadeStartName(start);
  }
}

}  // namespace
}  // namespace quellsy::test
