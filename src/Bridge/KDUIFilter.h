#pragma once
// The bridge's holder of the engine's result filter: the scan driver hands it to every scan and asks it for
// each file's group; the facade sets the groups the user chose.

#include <functional>

#include "include/IRecoveryFilter.h"

class KDUIFilter {
 public:
  using Factory = std::function<IRecoveryFilter*()>;

  // The holder of the engine's process-wide filter, built on first use.
  static KDUIFilter* instance();

  // Asks factory for the filter at once (and again from ResetFilter while it has none).
  explicit KDUIFilter(Factory factory);
  virtual ~KDUIFilter();
  KDUIFilter(const KDUIFilter&) = delete;
  KDUIFilter& operator=(const KDUIFilter&) = delete;

  // Null only while the factory fails.
  IRecoveryFilter* GetFilter() const { return m_filter; }
  // Hands the _FILTER_TYPE bits to the filter (127: every group), creating the filter first when needed.
  void ResetFilter(unsigned int mask);

 private:
  Factory m_factory;
  IRecoveryFilter* m_filter = nullptr;
};
