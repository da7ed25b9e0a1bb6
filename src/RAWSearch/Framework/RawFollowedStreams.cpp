#include "RAWSearch/Framework/RawFollowedStreams.h"

#include <algorithm>
#include <vector>

namespace {

// The search runs on one thread at a time (like the rest of its process-wide state).
std::vector<FollowedStreamRelease>& Releases() {
  static std::vector<FollowedStreamRelease> releases;
  return releases;
}

}  // namespace

void RegisterFollowedStream(FollowedStreamRelease release) {
  auto& releases = Releases();
  if (release && std::find(releases.begin(), releases.end(), release) == releases.end())
    releases.push_back(release);
}

void ReleaseFollowedStreams(const CRawFileInfo* leaving) {
  for (FollowedStreamRelease release : Releases()) release(leaving);
}

void ResetFollowedStreams() { Releases().clear(); }
