#pragma once
// Reads a found file's contents. Data recovery and the previews use readers only through this interface, so
// a file system's own reader (compressed HFS+ data) works like the core's run-list readers.

#include <cstddef>

#include "Utility/RawRead.h"

class IFileReader {
 public:
  virtual ~IFileReader() = default;
  // Copies up to length bytes of the file from offset into buffer; the number delivered, 0 on failure or past
  // the end. Nothing beyond buffer[length - 1] is written. *error (when given) becomes -1 on a device failure.
  virtual unsigned int ReadData(long long offset, char* buffer, unsigned int length, int* error) = 0;
  // As ReadData, into storage the caller lends, from `at` bytes into it (0 when length bytes do not fit there).
  // Readers of the device's own bytes read them in place with no copy; a read that times out may give the
  // storage new memory (see RawReadBuffer). Others decode through ReadData.
  virtual unsigned int ReadDataInto(long long offset, quellsy::RawReadBuffer& buffer, std::size_t at,
                                    unsigned int length, int* error) {
    if (!buffer.data() || !buffer.Holds(length, 1, at)) return 0;
    return ReadData(offset, reinterpret_cast<char*>(buffer.data() + at), length, error);
  }
  // A new reader on the same node, owned by the caller.
  virtual IFileReader* Clone() = 0;
  // The node's file size in bytes; 0 without a node.
  virtual long long GetDataSize() const = 0;
  // The node's IsCompressed().
  virtual int IsCompressFile() = 0;
  // Destroys the reader.
  virtual void Release() = 0;
};
