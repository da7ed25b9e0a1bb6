#pragma once
// The engine harness: opens an image as a volume, runs a quick or complete scan through the real controllers and
// tree builder, prints what was found (text or one JSON object per line, then a summary) and can copy every found
// file out through the real data recovery. The engines come from the registry; the caller registers them.
// Standard output carries the listing only; messages, the recovery summary and the progress line go to err.

#include <iosfwd>
#include <string>
#include <vector>

#include "EngineCliOptions.h"

// Exit statuses.
constexpr int kCliSuccess = 0;
// The image could not be scanned or the destination was refused; or a recovery did not bring back everything whole
// (a copy failed or was kept incomplete, or the device had unreadable ranges).
constexpr int kCliFailed = 1;
constexpr int kCliUsage = 2;

// terminal: err is a terminal, so a progress line is drawn on it.
int EngineCliMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal = false);
int RunEngineCli(const EngineCliOptions& options, std::ostream& out, std::ostream& err, bool terminal = false);
