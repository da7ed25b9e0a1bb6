#pragma once
// Who tells the application about sectors that cannot be read. A volume device pushes a bad-sector event
// for each failed read, unless its caller retries the failure in smaller pieces and reports the ranges that
// still fail itself: that caller holds a ScopedBadSectorReportsByCaller on the reading thread.

namespace quellsy {

class ScopedBadSectorReportsByCaller {
 public:
  ScopedBadSectorReportsByCaller();
  ~ScopedBadSectorReportsByCaller();
  ScopedBadSectorReportsByCaller(const ScopedBadSectorReportsByCaller&) = delete;
  ScopedBadSectorReportsByCaller& operator=(const ScopedBadSectorReportsByCaller&) = delete;
};

// True on a thread that holds a ScopedBadSectorReportsByCaller.
bool BadSectorsReportedByCaller();

}  // namespace quellsy
