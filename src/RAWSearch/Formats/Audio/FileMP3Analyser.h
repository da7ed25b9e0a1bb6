#pragma once
// The plain analyser of MPEG audio files. A file that starts with an ID3v2 tag is measured by
// following the frame chain after the tag (resynchronising over a few stray bytes) to an ID3v1 or APE
// tag or the last frame; a file whose first frame holds a Xing or Info header ends where that header
// says; a bare frame stream is followed from its first frame. Hits are named "artist_title" from the
// tags and labelled "Artists".

#include <atomic>
#include <cstdint>
#include <string>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

class FileMP3Analyser : public CPlainRawFileAnalyser {
 public:
  // How far the frame chain after a tag and the walk of a bare stream may reach.
  static constexpr std::uint64_t kChainCap = 0x104000000;
  static constexpr std::uint64_t kStreamCap = 0x82000000;
  static constexpr std::uint64_t kMaxFrameSize = 352800;
  // Past the chain's cap come at most a resync, the last frame and an APE tag's end search.
  static constexpr std::uint64_t kSizeCap = kChainCap + 0x100000;
  // Shorter bare streams are taken for stray frame-like bytes.
  static constexpr std::uint64_t kMinStreamSize = 10240;

  FileMP3Analyser();
  ~FileMP3Analyser() override;

  std::string GetRawFileName() override { return m_strTitle; }
  std::string GetRawFileTime() override { return m_strYear; }
  // The label of the last measurement: RAW_FILE_TAG_ARTISTS with the artist, or none.
  void GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const;

  // The frame length of a valid frame header at the start of `bytes` (FF, then at least E0; the third
  // byte below F0, or at most EF when strict), else 0.
  static std::uint32_t FrameSize(quellsy::ByteSpan bytes, bool strictThirdByte);
  // "ID3" with major version 3 or 4.
  static bool IsId3v2Start(quellsy::ByteSpan bytes);

  // Forgets, in every analyser, the bare stream measured last (a new search starts).
  static void ForgetLastStreams() { s_bForgetLastStream = true; }

 protected:
  // "ID3" with major version 3 or 4, or a valid frame header.
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;

 private:
  void InitMemValue();
  int MeasureTagged(CRawFileInfo& hit, PlainFileWindow& window);
  int MeasureXing(CRawFileInfo& hit, PlainFileWindow& window);
  int MeasureFromFrames(CRawFileInfo& hit, PlainFileWindow& window);
  // Moves b, the start of the next expected frame after a tag, to the file's end.
  void FollowFrameChain(PlainFileWindow& window, std::uint64_t& b);
  // The end of a file with an APE tag: at a sector ending in zeros or 128 bytes past an ID3v1 tag.
  std::uint64_t FindEndAfterApeTag(PlainFileWindow& window, std::uint64_t b);
  // Names and labels the hit after the ID3v1 tag at `tag`.
  void NameFromId3v1(CRawFileInfo& hit, quellsy::ByteSpan tag);
  void NameHit(CRawFileInfo& hit);

  std::string m_strTitle;
  std::string m_strYear;
  RAW_FILE_TAG m_uTag = RAW_FILE_TAG_NONE;
  std::string m_strArtist;
  // The set guessed for the last title; it serves later tags until another title replaces it.
  std::string m_strCharset;
  std::uint64_t m_ullLastStart = 0;
  std::uint64_t m_ullLastLength = 0;

  static std::atomic<bool> s_bForgetLastStream;
};
