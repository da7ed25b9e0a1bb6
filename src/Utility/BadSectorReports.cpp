#include "Utility/BadSectorReports.h"

namespace quellsy {
namespace {
thread_local int reportingCallers = 0;
}

ScopedBadSectorReportsByCaller::ScopedBadSectorReportsByCaller() { ++reportingCallers; }

ScopedBadSectorReportsByCaller::~ScopedBadSectorReportsByCaller() { --reportingCallers; }

bool BadSectorsReportedByCaller() { return reportingCallers > 0; }

}  // namespace quellsy
