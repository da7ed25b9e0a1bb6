#pragma once
// The engine harness: opens an image as a volume, runs a quick or complete scan through the real controllers and
// tree builder, prints what was found (text or one JSON object per line, then a summary) and can copy every found
// file out through the real data recovery. The engines come from the registry; the caller registers them.

#include <iosfwd>
#include <string>
#include <vector>

#include "EngineCliOptions.h"

// 0 on success, 1 when the image cannot be opened or the scan fails, 2 for a bad command line.
int EngineCliMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunEngineCli(const EngineCliOptions& options, std::ostream& out, std::ostream& err);
