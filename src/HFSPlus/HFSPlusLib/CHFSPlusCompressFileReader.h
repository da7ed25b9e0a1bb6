#pragma once
// Copies out a compressed HFS+ file: its "com.apple.decmpfs" attribute names the compression, and its
// content is inline there or in the resource fork, whose runs the node carries. Each call decodes only the
// blocks that cover the range asked for; nothing is kept between calls.

#include "include/IFileReader.h"

class CFileNode;
class CHFSPlusVolume;

class CHFSPlusCompressFileReader : public IFileReader {
 public:
  // Both are borrowed: they must outlive the reader.
  CHFSPlusCompressFileReader(CHFSPlusVolume* volume, CFileNode* node);
  CHFSPlusCompressFileReader(const CHFSPlusCompressFileReader& other) = default;
  CHFSPlusCompressFileReader& operator=(const CHFSPlusCompressFileReader&) = delete;
  ~CHFSPlusCompressFileReader() override = default;

  // The uncompressed bytes at offset; 0 at or past the end and on any failure, which goes to the engine log
  // (*error becomes -1 then).
  unsigned int ReadData(long long offset, char* buffer, unsigned int length, int* error) override;
  IFileReader* Clone() override;
  long long GetDataSize() const override;
  int IsCompressFile() override;
  void Release() override { delete this; }

 private:
  CHFSPlusVolume* volume_;
  CFileNode* node_;
};
