#pragma once
// Maps an extension to its kind of file, from the six extension lists the application sets.

#include <map>
#include <string>

#include "include/IRecoveryFilter.h"
#include "include/KeHashTable.h"

class CFileTypeManager {
 public:
  static constexpr std::size_t kSlots = 2048;

  // Copies the catalogue's entries under the filter bits 1, 2, 4, 8, 16 and 32 into the process-wide lists of
  // documents, pictures, movies, music, archives and e-mail (each ";"-separated, without dots). A missing key
  // leaves that list empty. Call before the first CreateFilter: the filter reads the lists once.
  static void Initialze(std::map<int, std::string>& catalogue);
  // Empties the six lists (tests).
  static void ResetExtensionLists();

  // Refills the table from the six lists as they stand now.
  void Initialize();
  // FILE_TYPE_OTHER for null or an unknown extension; case does not matter.
  FILE_TYPE_ID GetFileTypeID(const char* extension) const;
  std::size_t UsedSlots() const { return m_table.UsedSlots(); }

 private:
  void Insert2Table(const std::string& list, FILE_TYPE_ID id);

  CKeHashTable<FILE_TYPE_ID, kSlots> m_table;
};
