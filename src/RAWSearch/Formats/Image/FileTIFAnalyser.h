#pragma once
// The plain analyser of TIFF files and of the camera raw formats built on TIFF (and of the container
// that wraps one 160 bytes in). It is not in the registry: the growing TIFF analyser owns one and
// hands it the hits it could not finish. The file's length is the furthest byte any directory entry
// points at (strips, tiles, thumbnails, sub-directories, maker notes); the camera maker decides the
// raw type, and maker and model name the file.

#include <cstdint>
#include <string>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileTIFAnalyser : public CPlainRawFileAnalyser {
 public:
  // Directories, values and sizes are followed no further than this.
  static constexpr std::uint64_t kSizeCap = 0x4E000000;
  // Below this a measured length is not believed either.
  static constexpr std::uint64_t kMinSize = 10240;
  // What a file gets whose directories give no believable length.
  static constexpr std::uint64_t kUnknownSize = 0x7CCCCCC;
  // The wrapping container's header, in front of the TIFF structure.
  static constexpr std::uint64_t kContainerHeader = 160;

  FileTIFAnalyser();

  std::string GetRawFileName() override { return m_strName; }
  std::string GetRawFileTime() override { return m_strTime; }
  // The label of the last measurement: RAW_FILE_TAG_CAMERA with the maker, or none.
  void GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const;
  // The embedded JPEG picture the last measurement found (0, 0: none).
  void GetThumbStartAndSize(std::uint64_t& start, std::uint64_t& size) const;

 protected:
  // A TIFF byte-order header (or the container's "FUJIFILMCCD-RAW ").
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  // One measurement's reading state (see the .cpp).
  class Walker;

  std::string m_strName;
  std::string m_strTime;
  RAW_FILE_TAG m_uTag = RAW_FILE_TAG_NONE;
  std::string m_strLabelValue;
  std::uint64_t m_ullThumbStart = 0;
  std::uint64_t m_ullThumbSize = 0;
};
