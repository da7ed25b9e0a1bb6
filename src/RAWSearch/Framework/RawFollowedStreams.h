#pragma once
// Some analysers keep a process-wide mark while the search follows one of their streams (an MPEG
// audio frame chain, an Ogg stream, a transport stream) and refuse new hits until the mark is cleared.
// A record that leaves the search's growing set without finishing would leave its mark behind and
// block the format for the rest of the scan, so such analysers register a release here and the
// search calls it: for the leaving record, and for everyone at the start and end of a search.

class CRawFileInfo;

// Clears the analyser's mark when it belongs to `leaving`; every mark when `leaving` is null.
using FollowedStreamRelease = void (*)(const CRawFileInfo* leaving);

// Idempotent: registering the same function again changes nothing. Analysers call it from their
// constructors, which the registry runs before every search.
void RegisterFollowedStream(FollowedStreamRelease release);
void ReleaseFollowedStreams(const CRawFileInfo* leaving);
// Forgets every registration (tests).
void ResetFollowedStreams();
