#pragma once
// Fixture images made once per build tree instead of once per test process: ctest runs every test case as a
// process of its own, and some images take minutes to make (FUSE mounts, many files). The first process to ask
// makes the images into a fresh folder of the cache, under a lock, and publishes it by renaming it into place;
// every process then gets a copy of its own to read or damage. A run that did not make its images leaves nothing
// behind, so the next process runs the script again and fails the same way.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "support/FixtureScript.h"

namespace quellsy::test {

// Where made fixtures are kept: QUELLSY_FIXTURE_CACHE when set (set and empty: nowhere, every run makes its own),
// else the build tree's folder; nullopt when there is none.
std::optional<std::filesystem::path> FixtureCacheFolder();

// Gives `out` (an existing folder) a copy of the entry `name` of the cache, first made by make(folder) when the
// cache has no such entry. Entries whose names share `family` are earlier versions of this one: publishing it
// removes them. What make returns is returned when it did not make the entry.
FixtureRun CachedFixture(const std::filesystem::path& cache, const std::string& family, const std::string& name,
                         const std::filesystem::path& out,
                         const std::function<FixtureRun(const std::filesystem::path& folder)>& make);

}  // namespace quellsy::test
