#pragma once
// The document properties a found file's metadata reader extracts (compound-document summary information,
// office XML core properties, the PDF information dictionary). Every reader fills the same slots, so the
// analysers build names, labels and times from one record whatever the format. A reader leaves the slots it
// does not know as they were.

#include <array>
#include <cstddef>
#include <string>

struct FileProperty {
  enum Slot : std::size_t {
    kUnused = 0,
    kTitle = 1,
    kProducer = 2,      // PDF only
    kAuthor = 3,        // the creator of a PDF
    kLastAuthor = 4,    // the author of a PDF
    kCreationTime = 5,
    kModificationTime = 6,
    kSpare = 7,
  };
  static constexpr std::size_t kFieldCount = 8;

  std::array<std::string, kFieldCount> fields;

  std::string& operator[](Slot slot) { return fields[slot]; }
  const std::string& operator[](Slot slot) const { return fields[slot]; }
};
