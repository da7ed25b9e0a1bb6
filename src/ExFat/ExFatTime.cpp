#include "ExFat/ExFatTime.h"

#include "Utility/DosDateTime.h"

std::uint64_t DosTime2FileTime(const _tagDOSTime& time) { return quellsy::DosDateTimeToFileTime(time.date, time.time); }
