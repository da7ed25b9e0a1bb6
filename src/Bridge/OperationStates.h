#pragma once
// The one rule for what the facade lets run together. The windows start scans, searches, recoveries, saves and
// restores from the GUI thread while others run on workers; every start asks this machine first, and a start the
// current state does not allow is refused with a result code whose words say why (BridgeResults). A search may
// run over a paused scan (the user browses and searches while paused); everything else runs alone.
//
//   state \ start   scan     pause    resume   search       recovery  save     restore
//   idle            scanning -        -        searching    recover.  saving   restoring
//   scanning        -        paused   -        -            -         -        -
//   paused          -        -        scanning searching*   -         -        -
//   searching       -        -        -        -            -         -        -
//   recovering      -        -        -        -            -         -        -
//   saving          -        -        -        -            -         -        -
//   restoring       -        -        -        -            -         -        -
//
// (* the scan stays paused under the search and is paused again once the search ends, unless it ended meanwhile.)
// A worker's end moves the state back (End); stopping is never refused: it asks the worker to end.

#include <mutex>
#include <string>

#include "Bridge/BridgeResults.h"

namespace quellsy::bridge {

enum class FacadeState : int { kIdle, kScanning, kPaused, kSearching, kRecovering, kSaving, kRestoring };
enum class FacadeStart : int { kScan, kPause, kResume, kSearch, kRecovery, kSave, kRestore };

inline constexpr FacadeState kFacadeStates[] = {FacadeState::kIdle,      FacadeState::kScanning,
                                                FacadeState::kPaused,    FacadeState::kSearching,
                                                FacadeState::kRecovering, FacadeState::kSaving,
                                                FacadeState::kRestoring};
inline constexpr FacadeStart kFacadeStarts[] = {FacadeStart::kScan,     FacadeStart::kPause, FacadeStart::kResume,
                                                FacadeStart::kSearch,   FacadeStart::kRecovery,
                                                FacadeStart::kSave,     FacadeStart::kRestore};

// "idle", "scanning", ... for logs and test names.
const char* FacadeStateName(FacadeState state);
const char* FacadeStartName(FacadeStart start);

class OperationStates {
 public:
  // The written rule: kResultOk when start may begin in state, else the refusal.
  static ResultCode Judge(FacadeState state, FacadeStart start);
  // The state start leads to from state (state itself when it is refused).
  static FacadeState After(FacadeState state, FacadeStart start);

  // Judges start against the current state and, when it is allowed, moves on at once: two starts never both
  // pass. The refusal's code otherwise, the state unchanged.
  ResultCode Begin(FacadeStart start);
  // The work a start of that kind began is over (or could not be started after all): the state it leads back
  // to. A scan ending under a search leaves the search to end into idle.
  void End(FacadeStart start);
  FacadeState State() const;
  // Tests: back to idle.
  void Reset();

 private:
  mutable std::mutex lock_;
  FacadeState state_ = FacadeState::kIdle;
  // What a running search returns to: paused when it began over a paused scan that has not ended since.
  FacadeState underSearch_ = FacadeState::kIdle;
};

}  // namespace quellsy::bridge
