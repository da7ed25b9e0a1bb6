#pragma once
// The plain analyser of JPEG images. It is not in the registry: the growing JPEG analyser owns one
// and hands it the hits it could not finish, which are then measured from the device: the file's
// structure is walked to the end-of-image marker behind its last scan. A file whose walk cannot finish
// is measured by the zero-tail rules and marked incomplete: the marker segments are walked to the
// entropy-coded data, and the end-of-image marker is looked for sector by sector where a sector ends in
// zeros. JFIF and Exif files are also named after the camera in their Exif block and labelled "Camera".

#include <cstdint>
#include <optional>
#include <string>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileJPGAnalyser : public CPlainRawFileAnalyser {
 public:
  // How far the marker walk of a JFIF file, and of any other, may reach; the larger is the cap.
  static constexpr std::uint64_t kJfifWalkCap = 0x1A000000;
  static constexpr std::uint64_t kWalkCap = 0xD000000;
  static constexpr std::uint64_t kSizeCap = kJfifWalkCap;

  FileJPGAnalyser();

  std::string GetRawFileName() override { return m_strName; }
  std::string GetRawFileTime() override { return m_strTime; }
  // The label of the last measurement: RAW_FILE_TAG_CAMERA with the camera text, or none.
  void GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const;

 protected:
  // JFIF or Exif at offset 6 (without regard to case), or FF D8 FF DB / FF D8 FF EE.
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  enum class WalkKind { kJfif, kExif, kPlain };

  void InitMemValue();
  // Reads the Exif block of the APP1 segment whose length field lies at `lengthOffset` (its "Exif"
  // header follows the field) and names and labels the hit after the camera.
  void ReadCameraText(CRawFileInfo& hit, PlainFileWindow& window, std::uint64_t lengthOffset);
  int MarkerWalk(CRawFileInfo& hit, PlainFileWindow& window, WalkKind kind);
  // The file's end by its structure (JpegMarkerWalk), when the walk finishes within `cap`.
  static std::optional<std::uint64_t> WalkToEnd(PlainFileWindow& window, std::uint64_t cap);
  // Sets the size of a file whose header was walked to its scan at `p`: by its structure, or else by the
  // zero-tail rules no further than `limit`, marked incomplete.
  int EndFile(CRawFileInfo& hit, PlainFileWindow& window, std::uint64_t p, std::uint64_t limit, std::uint64_t cap);
  // Moves p to the file's end, looking no further than `limit`; sets the hit's size there.
  int AddFileSizeByPerSecSize(CRawFileInfo& hit, PlainFileWindow& window, std::uint64_t& p, std::uint64_t limit);

  std::string m_strName;
  std::string m_strTime;
  long long m_llSectorSize = 0;
  RAW_FILE_TAG m_uTag = RAW_FILE_TAG_NONE;
  std::string m_strLabelValue;
};
