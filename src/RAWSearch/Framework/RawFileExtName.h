#pragma once
// The extension of every RAW_FILE_TYPE, as generated names carry it and as the file-type manager
// looks it up. Three types keep lower-case extensions (pkg, icns and the "Raw" of type 0).

#include <cstddef>
#include <cstdint>

#include "RAWSearch/Framework/RawFileType.h"

constexpr std::size_t kRawFileExtNameBytes = 9;

extern const char g_s_strFileExtName[kRawFileTypeCount][kRawFileExtNameBytes];

// The type's extension, or null for a type the table does not name.
const char* RawFileExtension(std::uint32_t rawFileType);
