#include "Bridge/OperationStates.h"

namespace quellsy::bridge {
namespace {

// What refuses every start while state's own work runs.
ResultCode Occupied(FacadeState state) {
  switch (state) {
    case FacadeState::kScanning: return result::kScanRunning;
    case FacadeState::kPaused: return result::kScanPaused;
    case FacadeState::kSearching: return result::kSearchRunning;
    case FacadeState::kRecovering: return result::kRecoveryRunning;
    case FacadeState::kSaving: return result::kSaveRunning;
    case FacadeState::kRestoring: return result::kRestoreRunning;
    case FacadeState::kIdle: break;
  }
  return kResultOk;
}

}  // namespace

const char* FacadeStateName(FacadeState state) {
  switch (state) {
    case FacadeState::kIdle: return "idle";
    case FacadeState::kScanning: return "scanning";
    case FacadeState::kPaused: return "paused";
    case FacadeState::kSearching: return "searching";
    case FacadeState::kRecovering: return "recovering";
    case FacadeState::kSaving: return "saving";
    case FacadeState::kRestoring: return "restoring";
  }
  return "?";
}

const char* FacadeStartName(FacadeStart start) {
  switch (start) {
    case FacadeStart::kScan: return "scan";
    case FacadeStart::kPause: return "pause";
    case FacadeStart::kResume: return "resume";
    case FacadeStart::kSearch: return "search";
    case FacadeStart::kRecovery: return "recovery";
    case FacadeStart::kSave: return "save";
    case FacadeStart::kRestore: return "restore";
  }
  return "?";
}

ResultCode OperationStates::Judge(FacadeState state, FacadeStart start) {
  switch (start) {
    case FacadeStart::kPause:
      if (state == FacadeState::kScanning) return kResultOk;
      if (state == FacadeState::kPaused) return result::kAlreadyPaused;
      return state == FacadeState::kIdle ? result::kNoScanRunning : Occupied(state);
    case FacadeStart::kResume:
      if (state == FacadeState::kPaused) return kResultOk;
      if (state == FacadeState::kScanning) return result::kScanNotPaused;
      return state == FacadeState::kIdle ? result::kNoScanRunning : Occupied(state);
    case FacadeStart::kSearch:
      // The user browses and searches the results of a paused scan; a running one still changes them.
      if (state == FacadeState::kPaused) return kResultOk;
      return Occupied(state);
    case FacadeStart::kScan:
    case FacadeStart::kRecovery:
    case FacadeStart::kSave:
    case FacadeStart::kRestore:
      return Occupied(state);
  }
  return result::kScanRunning;
}

FacadeState OperationStates::After(FacadeState state, FacadeStart start) {
  if (Judge(state, start) != kResultOk) return state;
  switch (start) {
    case FacadeStart::kScan:
    case FacadeStart::kResume: return FacadeState::kScanning;
    case FacadeStart::kPause: return FacadeState::kPaused;
    case FacadeStart::kSearch: return FacadeState::kSearching;
    case FacadeStart::kRecovery: return FacadeState::kRecovering;
    case FacadeStart::kSave: return FacadeState::kSaving;
    case FacadeStart::kRestore: return FacadeState::kRestoring;
  }
  return state;
}

ResultCode OperationStates::Begin(FacadeStart start) {
  const std::lock_guard<std::mutex> hold(lock_);
  const ResultCode verdict = Judge(state_, start);
  if (verdict != kResultOk) return verdict;
  if (start == FacadeStart::kSearch) underSearch_ = state_;
  state_ = After(state_, start);
  return kResultOk;
}

void OperationStates::End(FacadeStart start) {
  const std::lock_guard<std::mutex> hold(lock_);
  switch (start) {
    case FacadeStart::kScan:
      if (state_ == FacadeState::kScanning || state_ == FacadeState::kPaused) state_ = FacadeState::kIdle;
      // The scan under a search ended: the search ends into idle.
      if (state_ == FacadeState::kSearching) underSearch_ = FacadeState::kIdle;
      return;
    case FacadeStart::kSearch:
      if (state_ == FacadeState::kSearching) state_ = underSearch_;
      underSearch_ = FacadeState::kIdle;
      return;
    case FacadeStart::kRecovery:
      if (state_ == FacadeState::kRecovering) state_ = FacadeState::kIdle;
      return;
    case FacadeStart::kSave:
      if (state_ == FacadeState::kSaving) state_ = FacadeState::kIdle;
      return;
    case FacadeStart::kRestore:
      if (state_ == FacadeState::kRestoring) state_ = FacadeState::kIdle;
      return;
    case FacadeStart::kPause:
    case FacadeStart::kResume:
      return;  // no work of their own
  }
}

FacadeState OperationStates::State() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return state_;
}

void OperationStates::Reset() {
  const std::lock_guard<std::mutex> hold(lock_);
  state_ = underSearch_ = FacadeState::kIdle;
}

}  // namespace quellsy::bridge
