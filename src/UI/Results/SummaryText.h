#pragma once
// The results window's summary line: a size and a file count in the words of key ("RVT_FOUR_ALL_FILES_SIZE"
// for what was found, "RVT_FOUR_SELECT_FILES" for what is checked), the files in their singular or plural form
// for the count, and a size under a kilobyte as so many bytes, likewise.

#include <QString>
#include <cstdint>

namespace quellsy::ui {

QString SummaryText(const char* key, std::uint64_t size, std::uint64_t count);

}  // namespace quellsy::ui
