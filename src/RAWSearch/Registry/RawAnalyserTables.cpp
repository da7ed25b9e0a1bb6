#include "RAWSearch/Registry/RawAnalyserTables.h"

#include <algorithm>
#include <utility>

#include "RAWSearch/Formats/Archive/ArchiveFormats.h"
#include "RAWSearch/Formats/Audio/AudioFormats.h"
#include "RAWSearch/Formats/Document/DocumentFormats.h"
#include "RAWSearch/Formats/Image/ImageFormats.h"
#include "RAWSearch/Formats/Video/VideoFormats.h"
#include "RAWSearch/Registry/CPlaceholderRawFileAnalyser.h"
#include "Utility/ByteReader.h"

namespace {

// Keyed by the sector's first four bytes; every key appears once.
constexpr RawAnalyserRow kMapRows[] = {
    {{0xFF, 0xD8, 0xFF, 0xE0}, "BruteForce::JpegAnalyzer", RAW_FILE_TYPE_JPG, &ImageFormats::CreateJpeg},
    {{0xFF, 0xD8, 0xFF, 0xE1}, "BruteForce::JpegAnalyzer", RAW_FILE_TYPE_JPG, &ImageFormats::CreateJpeg},
    {{0xFF, 0xD8, 0xFF, 0xDB}, "BruteForce::JpegAnalyzer", RAW_FILE_TYPE_JPG, &ImageFormats::CreateJpeg},
    {{0xFF, 0xD8, 0xFF, 0xEE}, "BruteForce::JpegAnalyzer", RAW_FILE_TYPE_JPG, &ImageFormats::CreateJpeg},
    {{0x25, 0x50, 0x44, 0x46}, "BruteForce::PdfAnalyzer", RAW_FILE_TYPE_PDF, &DocumentFormats::CreatePdf},
    {{0x4D, 0x4D, 0x00, 0x2A}, "BruteForce::TiffAnalyzer", RAW_FILE_TYPE_TIF, &ImageFormats::CreateTiff},
    {{0x49, 0x49, 0x2A, 0x00}, "BruteForce::TiffAnalyzer", RAW_FILE_TYPE_TIF, &ImageFormats::CreateTiff},
    {{0x49, 0x49, 0x55, 0x00}, "BruteForce::TiffAnalyzer", RAW_FILE_TYPE_TIF, &ImageFormats::CreateTiff},
    {{0x49, 0x49, 0x52, 0x4F}, "BruteForce::TiffAnalyzer", RAW_FILE_TYPE_TIF, &ImageFormats::CreateTiff},
    {{0x49, 0x49, 0x52, 0x53}, "BruteForce::TiffAnalyzer", RAW_FILE_TYPE_TIF, &ImageFormats::CreateTiff},
    {{0x46, 0x55, 0x4A, 0x49}, "BruteForce::TiffAnalyzer", RAW_FILE_TYPE_TIF, &ImageFormats::CreateTiff},
    {{0x4D, 0x4D, 0x4F, 0x52}, "BruteForce::TiffAnalyzer", RAW_FILE_TYPE_TIF, &ImageFormats::CreateTiff},
    {{0x49, 0x49, 0x1A, 0x00}, "Brance::CRWAnalyser", RAW_FILE_TYPE_CRW, &ImageFormats::CreateBranchCRW},
    {{0x4D, 0x4D, 0x1A, 0x00}, "Brance::CRWAnalyser", RAW_FILE_TYPE_CRW, &ImageFormats::CreateBranchCRW},
    {{0x42, 0x5A, 0x68, 0x31}, "Brance::DMGAnalyser", RAW_FILE_TYPE_DMG, &ArchiveFormats::CreateBranchDMG},
    {{0x46, 0x4F, 0x56, 0x62}, "Brance::X3FAnalyser", RAW_FILE_TYPE_X3F, &ImageFormats::CreateBranchX3F},
    {{0x00, 0x00, 0x01, 0xB3}, "Brance::MPGAnalyser", RAW_FILE_TYPE_MPG, &VideoFormats::CreateBranchMPG},
    {{0x00, 0x00, 0x01, 0xBA}, "Brance::MPGAnalyser", RAW_FILE_TYPE_MPG, &VideoFormats::CreateBranchMPG},
    {{0x4F, 0x67, 0x67, 0x53}, "Brance::OGGAnalyser", RAW_FILE_TYPE_OGG, &AudioFormats::CreateBranchOGG},
    {{0x2E, 0x52, 0x4D, 0x46}, "Brance::RM_RMVBAnalyser", RAW_FILE_TYPE_RM, &VideoFormats::CreateBranchRM_RMVB},
    {{0x3C, 0x3F, 0x78, 0x6D}, "Brance::SVGAnalyser", RAW_FILE_TYPE_SVG, &ImageFormats::CreateBranchSVG},
    {{0xEF, 0xBB, 0xBF, 0x3C}, "Brance::SVGAnalyser", RAW_FILE_TYPE_SVG, &ImageFormats::CreateBranchSVG},
    {{0xCD, 0x01, 0x00, 0x00}, "Brance::SVGAnalyser", RAW_FILE_TYPE_SVG, &ImageFormats::CreateBranchSVG},
    {{0x7C, 0x73, 0x76, 0x67}, "Brance::SVGAnalyser", RAW_FILE_TYPE_SVG, &ImageFormats::CreateBranchSVG},
    {{0x42, 0x43, 0x46, 0x5A}, "Brance::SVGAnalyser", RAW_FILE_TYPE_SVG, &ImageFormats::CreateBranchSVG},
    {{0x30, 0x26, 0xB2, 0x75}, "BruteForce::CAsfAnalyser", kRawFileTypePerHit, &VideoFormats::CreateAsf},
    {{0x20, 0x20, 0x30, 0x0D}, "BruteForce::CDXFAnalyser", kRawFileTypePerHit, &DocumentFormats::CreateDXF},
    {{0x4D, 0x41, 0x43, 0x20}, "BruteForce::CAPEAnalyser", kRawFileTypePerHit, &AudioFormats::CreateAPE},
    {{0x1C, 0x01, 0x00, 0x00}, "BruteForce::CFH11Analyser", kRawFileTypePerHit, &DocumentFormats::CreateFH11},
    {{0xC5, 0xD0, 0xD3, 0xC6}, "BruteForce::CEPSAnalyser", kRawFileTypePerHit, &DocumentFormats::CreateEPS},
    {{0x41, 0x43, 0x31, 0x30}, "BruteForce::CDWGAnalyser", kRawFileTypePerHit, &DocumentFormats::CreateDWG},
    {{0x47, 0x49, 0x46, 0x38}, "BruteForce::CGifAnalyser", kRawFileTypePerHit, &ImageFormats::CreateGif},
    {{0x4D, 0x54, 0x68, 0x64}, "RawSpeed::MIDAnalyser", RAW_FILE_TYPE_MID, &AudioFormats::CreateStreamingMID},
    {{0x89, 0x50, 0x4E, 0x47}, "RawSpeed::PNGAnalyser", RAW_FILE_TYPE_PNG, &ImageFormats::CreateStreamingPNG},
    {{0x38, 0x42, 0x50, 0x53}, "RawSpeed::PSDAnalyser", RAW_FILE_TYPE_PSD, &ImageFormats::CreateStreamingPSD},
    {{0x7B, 0x5C, 0x72, 0x74}, "RawSpeed::RTFAnalyser", RAW_FILE_TYPE_RTF, &DocumentFormats::CreateStreamingRTF},
    {{0x50, 0x61, 0x69, 0x6E}, "RawSpeed::PSPAnalyser", RAW_FILE_TYPE_PSP, &ImageFormats::CreateStreamingPSP},
    {{0x52, 0x61, 0x72, 0x21}, "RawSpeed::RARAnalyser", RAW_FILE_TYPE_RAR, &ArchiveFormats::CreateStreamingRAR},
    {{0xE4, 0x52, 0x5C, 0x7B}, "RawSpeed::OneAnalyser", RAW_FILE_TYPE_ONE, &DocumentFormats::CreateStreamingONE},
    {{0x77, 0x70, 0x67, 0x00}, "RawSpeed::WpgAnalyser", RAW_FILE_TYPE_WPG, &ImageFormats::CreateStreamingWPG},
    {{0x4A, 0x4D, 0x46, 0x36}, "RawSpeed::DbxAnalyser", RAW_FILE_TYPE_DBX, &DocumentFormats::CreateStreamingDBX},
    {{0xCF, 0xAD, 0x12, 0xFE}, "RawSpeed::DbxAnalyser", RAW_FILE_TYPE_DBX, &DocumentFormats::CreateStreamingDBX},
    {{0xF7, 0x89, 0x34, 0x2C}, "RawSpeed::DbxAnalyser", RAW_FILE_TYPE_DBX, &DocumentFormats::CreateStreamingDBX},
    {{0x0F, 0x53, 0x49, 0x42}, "RawSpeed::SIBAnalyser", RAW_FILE_TYPE_SIB, &AudioFormats::CreateStreamingSIB},
    {{0x57, 0x45, 0x42, 0x42}, "RawSpeed::SITAnalyser", RAW_FILE_TYPE_SIT, &ArchiveFormats::CreateStreamingSIT},
    {{0x53, 0x74, 0x75, 0x66}, "RawSpeed::SITAnalyser", RAW_FILE_TYPE_SIT, &ArchiveFormats::CreateStreamingSIT},
    {{0xFE, 0xED, 0xFE, 0xED}, "RawSpeed::JKSAnalyser", RAW_FILE_TYPE_JKS, &DocumentFormats::CreateStreamingJKS},
    {{0x50, 0x57, 0x53, 0x33}, "RawSpeed::PSAFE3Analyser", RAW_FILE_TYPE_PSAFE3, &DocumentFormats::CreateStreamingPSAFE3},
    {{0x2D, 0x69, 0x6E, 0x2D}, "RawSpeed::NGRRAnalyser", RAW_FILE_TYPE_NGRR, &DocumentFormats::CreateStreamingNGRR},
    {{0x06, 0x0E, 0x2B, 0x34}, "RawSpeed::MxfAnalyser", RAW_FILE_TYPE_MXF, &VideoFormats::CreateStreamingMXF},
    {{0x52, 0x49, 0x46, 0x58}, "RawSpeed::AEPAnalyser", RAW_FILE_TYPE_AEP, &VideoFormats::CreateStreamingAEP},
    {{0x4D, 0x4C, 0x56, 0x49}, "RawSpeed::MLvAnalyser", RAW_FILE_TYPE_MLV, &VideoFormats::CreateStreamingMLV},
    {{0x46, 0x4F, 0x52, 0x4D}, "CFileAIFAnalyzer", RAW_FILE_TYPE_AIFF, &AudioFormats::CreateAIF},
    {{0x50, 0x4B, 0x03, 0x04}, "FileZIPAnalyser", RAW_FILE_TYPE_ZIP, &ArchiveFormats::CreateZIP},
    {{0xFF, 0x57, 0x50, 0x43}, "FileWPDAnalyser", RAW_FILE_TYPE_WPD, &DocumentFormats::CreateWPD},
    {{0x01, 0x00, 0x09, 0x00}, "FileWMFAnalyser", RAW_FILE_TYPE_WMF, &ImageFormats::CreateWMF},
    {{0xD7, 0xCD, 0xC6, 0x9A}, "FileWMFAnalyser", RAW_FILE_TYPE_WMF, &ImageFormats::CreateWMF},
    {{0x00, 0x01, 0x00, 0x00}, "FileTTFAnalyser", RAW_FILE_TYPE_TTF, &DocumentFormats::CreateTTF},
    {{0x52, 0x49, 0x46, 0x46}, "FileRIFFAnalyser", RAW_FILE_TYPE_RIFF, &AudioFormats::CreateRIFF},
    {{0x21, 0x42, 0x44, 0x4E}, "FilePSTAnalyser", RAW_FILE_TYPE_PST, &DocumentFormats::CreatePST},
    {{0xD0, 0xCF, 0x11, 0xE0}, "FileOLEAnalyser", RAW_FILE_TYPE_OLE, &DocumentFormats::CreateOLE},
    {{0xDB, 0xA5, 0x2D, 0x00}, "FileLowDocAnalyser", RAW_FILE_TYPE_DOC, &DocumentFormats::CreateLowDoc},
    {{0x94, 0xA6, 0x2E, 0x00}, "FileLowDocAnalyser", RAW_FILE_TYPE_DOC, &DocumentFormats::CreateLowDoc},
    {{0x00, 0x00, 0x01, 0x00}, "FileICOAnalyser", RAW_FILE_TYPE_ICO, &ImageFormats::CreateICO},
    {{0x00, 0x00, 0x02, 0x00}, "FileICOAnalyser", RAW_FILE_TYPE_ICO, &ImageFormats::CreateICO},
    {{0x3F, 0x5F, 0x03, 0x00}, "FileHLPAnalyser", RAW_FILE_TYPE_HLP, &DocumentFormats::CreateHLP},
    {{0x43, 0x50, 0x54, 0x37}, "FileCPTAnalyser", RAW_FILE_TYPE_CPT, &ImageFormats::CreateCPT},
    {{0x43, 0x50, 0x54, 0x38}, "FileCPTAnalyser", RAW_FILE_TYPE_CPT, &ImageFormats::CreateCPT},
    {{0x43, 0x50, 0x54, 0x39}, "FileCPTAnalyser", RAW_FILE_TYPE_CPT, &ImageFormats::CreateCPT},
    {{0x4D, 0x53, 0x43, 0x46}, "FileCABAnalyser", RAW_FILE_TYPE_CAB, &ArchiveFormats::CreateCAB},
    {{0x6D, 0x73, 0x63, 0x66}, "FileCABAnalyser", RAW_FILE_TYPE_CAB, &ArchiveFormats::CreateCAB},
    {{0x2E, 0x73, 0x6E, 0x64}, "FileAUAnalyser", RAW_FILE_TYPE_AU, &AudioFormats::CreateAU},
    {{0x1A, 0x45, 0xDF, 0xA3}, "FileMKVAnalyser", RAW_FILE_TYPE_MKV, &VideoFormats::CreateMKV},
    {{0x49, 0x54, 0x53, 0x46}, "FileCHMAnalyser", RAW_FILE_TYPE_CHM, &DocumentFormats::CreateCHM},
    {{0x00, 0x4D, 0x52, 0x4D}, "FileMRWAnalyser", RAW_FILE_TYPE_MRW, &ImageFormats::CreateMRW},
    {{0x53, 0x51, 0x4C, 0x69}, "BruteForce::CFCPEvtAnalyser", kRawFileTypePerHit, &DocumentFormats::CreateSQLite},
    {{0x68, 0x64, 0x66, 0x6D}, "FileITLAnalyser", RAW_FILE_TYPE_ITL, &DocumentFormats::CreateITL},
    {{0x78, 0x61, 0x72, 0x21}, "FilePKGAnalyser", RAW_FILE_TYPE_PKG, &ArchiveFormats::CreatePKG},
    {{0x7F, 0x50, 0x4B, 0x47}, "FilePKGAnalyser", RAW_FILE_TYPE_PKG, &ArchiveFormats::CreatePKG},
    {{0x69, 0x63, 0x6E, 0x73}, "FileICNSAnalyser", RAW_FILE_TYPE_ICNS, &ImageFormats::CreateICNS},
    {{0x46, 0x72, 0x6F, 0x6D}, "FileMboxAnalyser", RAW_FILE_TYPE_MBOX, &DocumentFormats::CreateMbox},
};
// Keyed by the first two bytes; rows with equal keys are tried in this order and the first that accepts
// wins. The 00 00 rows only ever see sectors whose first 32-bit word is not zero (atom-structured files
// with a small leading size field).
constexpr RawAnalyserRow kMultimapRows[] = {
    {{0x25, 0x21}, "BruteForce::PdfAnalyzer", RAW_FILE_TYPE_PDF, &DocumentFormats::CreatePdf},
    {{0x25, 0x21}, "BruteForce::CEPSAnalyser", kRawFileTypePerHit, &DocumentFormats::CreateEPS},
    {{0x49, 0x44}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xF2}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xF3}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xF4}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xF5}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xF6}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xF7}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xFA}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xFB}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xFC}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xFD}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xFE}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xFF}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xE2}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xE3}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xE4}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xE5}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xE6}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0xFF, 0xE7}, "BruteForce::MP3Analyzer", RAW_FILE_TYPE_MP3, &AudioFormats::CreateMP3},
    {{0x39, 0x39}, "BruteForce::CDXFAnalyser", kRawFileTypePerHit, &DocumentFormats::CreateDXF},
    {{0x00, 0x00}, "BruteForce::MovAnalyzer", RAW_FILE_TYPE_MOV, &VideoFormats::CreateMovAnalyzer},
    {{0x00, 0x00}, "BruteForce::Mp4Analyzer", RAW_FILE_TYPE_MP4, &VideoFormats::CreateMp4Analyzer},
    {{0x00, 0x00}, "BruteForce::C3GPAnalyser", RAW_FILE_TYPE_3GP, &VideoFormats::CreateC3GPAnalyser},
    {{0xFF, 0xF1}, "BruteForce::CADTSAnalyser", kRawFileTypePerHit, &AudioFormats::CreateADTS},
    {{0xFF, 0xF9}, "BruteForce::CADTSAnalyser", kRawFileTypePerHit, &AudioFormats::CreateADTS},
    {{0x1F, 0x8B}, "RawSpeed::GZAnalyzer", RAW_FILE_TYPE_GZ, &ArchiveFormats::CreateStreamingGZ},
    {{0x00, 0x01}, "RawSpeed::CMDBAnalyser", RAW_FILE_TYPE_MDB, &DocumentFormats::CreateStreamingMDB},
    {{0x46, 0x4C}, "Brance::FLVAnalyser", RAW_FILE_TYPE_FLV, &VideoFormats::CreateBranchFLV},
    {{0x3C, 0x68}, "RawSpeed::HTMLAnalyser", RAW_FILE_TYPE_HTM, &DocumentFormats::CreateStreamingHTML},
    {{0x3C, 0x48}, "RawSpeed::HTMLAnalyser", RAW_FILE_TYPE_HTM, &DocumentFormats::CreateStreamingHTML},
    {{0x3C, 0x21}, "RawSpeed::HTMLAnalyser", RAW_FILE_TYPE_HTM, &DocumentFormats::CreateStreamingHTML},
    {{0xFF, 0xFE}, "RawSpeed::HTMLAnalyser", RAW_FILE_TYPE_HTM, &DocumentFormats::CreateStreamingHTML},
    {{0x4D, 0x4D}, "RawSpeed::New3DSAnalyser", RAW_FILE_TYPE_3DS, &ImageFormats::CreateStreaming3DS},
    {{0x00, 0x01}, "RawSpeed::CMDBAnalyser", RAW_FILE_TYPE_MDB, &DocumentFormats::CreateStreamingMDB},
    {{0x42, 0x4D}, "FileBMPAnalyser", RAW_FILE_TYPE_BMP, &ImageFormats::CreateBMP},
    {{0xFF, 0xFE}, "FileUnicodeHTMAnalyser", RAW_FILE_TYPE_HTM, &DocumentFormats::CreateUnicodeHTM},
    {{0x4D, 0x53}, "FileMNYAnalyser", RAW_FILE_TYPE_MNY, &DocumentFormats::CreateMNY},
    {{0x46, 0x57}, "FileSWFAnalyser", RAW_FILE_TYPE_SWF, &VideoFormats::CreateSWF},
    {{0x43, 0x57}, "FileSWFAnalyser", RAW_FILE_TYPE_SWF, &VideoFormats::CreateSWF},
    {{0x75, 0x73}, "RawSpeed::TARAnalyser", RAW_FILE_TYPE_TAR, &ArchiveFormats::CreateStreamingTAR},
};
// No fixed leading bytes: tried in this order for every sector the keys did not place.
constexpr RawAnalyserRow kListRows[] = {
    {{}, "Brance::LZHAnalyser", RAW_FILE_TYPE_LZH, &ArchiveFormats::CreateBranchLZH},
    {{}, "FileEMFAnalyser", RAW_FILE_TYPE_EMF, &ImageFormats::CreateEMF},
    {{}, "BruteForce::MovAnalyzer", RAW_FILE_TYPE_MOV, &VideoFormats::CreateMovAnalyzer},
    {{}, "RawSpeed::InddAnalyser", RAW_FILE_TYPE_INDD, &DocumentFormats::CreateStreamingINDD},
    {{}, "RawSpeed::New3DSAnalyser", RAW_FILE_TYPE_3DS, &ImageFormats::CreateStreaming3DS},
    {{}, "RawSpeed::TARAnalyser", RAW_FILE_TYPE_TAR, &ArchiveFormats::CreateStreamingTAR},
    {{}, "BruteForce::CM2TSAnalyser", kRawFileTypePerHit, &VideoFormats::CreateM2TS},
    {{}, "RawSpeed::MOBIAnalyser", RAW_FILE_TYPE_MOBI, &DocumentFormats::CreateStreamingMOBI},
    {{}, "RawSpeed::PSAFE3Analyser", RAW_FILE_TYPE_PSAFE3, &DocumentFormats::CreateStreamingPSAFE3},
};

// The analysers offered by file type (no caller in the search itself).
constexpr RawAnalyserRow kPartRows[] = {
    {{}, "FileEMFAnalyser", RAW_FILE_TYPE_EMF, &ImageFormats::CreateEMF},
    {{}, "FileLZHAnalyser", RAW_FILE_TYPE_LZH, &ArchiveFormats::CreateLZH},
    {{}, "FileEMLXAnalyser", RAW_FILE_TYPE_EMLX, &DocumentFormats::CreateEMLX},
};

}  // namespace

std::span<const RawAnalyserRow> RawAnalyserMapRows() { return kMapRows; }
std::span<const RawAnalyserRow> RawAnalyserMultimapRows() { return kMultimapRows; }
std::span<const RawAnalyserRow> RawAnalyserListRows() { return kListRows; }

unsigned int RawAnalyserMapKey(const RawAnalyserRow& row) { return *quellsy::le32(row.lead, 0); }

unsigned short RawAnalyserMultimapKey(const RawAnalyserRow& row) { return *quellsy::le16(row.lead, 0); }

IRawFileAnalyser* CreateRawAnalyser(const RawAnalyserRow& row) {
  if (row.create) return row.create();
  return new CPlaceholderRawFileAnalyser(row.className, row.type);
}

std::vector<std::string> PlaceholderAnalyserClasses() {
  std::vector<std::string> names;
  for (auto rows : {RawAnalyserMapRows(), RawAnalyserMultimapRows(), RawAnalyserListRows(),
                    std::span<const RawAnalyserRow>(kPartRows)}) {
    for (const RawAnalyserRow& row : rows)
      if (!row.create && std::find(names.begin(), names.end(), row.className) == names.end())
        names.emplace_back(row.className);
  }
  return names;
}

void BuildRawFileAnalyserMap(std::map<unsigned int, IRawFileAnalyser*>& map) {
  for (const RawAnalyserRow& row : RawAnalyserMapRows()) {
    IRawFileAnalyser*& slot = map[RawAnalyserMapKey(row)];
    // A later row with the same key replaces the earlier one; the replaced analyser is not leaked.
    delete std::exchange(slot, CreateRawAnalyser(row));
  }
}

void BuildRawFileListMultimap(std::multimap<unsigned short, IRawFileAnalyser*>& multimap) {
  for (const RawAnalyserRow& row : RawAnalyserMultimapRows())
    multimap.emplace(RawAnalyserMultimapKey(row), CreateRawAnalyser(row));
}

void BuildRawFileAnalyserList(std::list<IRawFileAnalyser*>& list) {
  for (const RawAnalyserRow& row : RawAnalyserListRows()) list.push_back(CreateRawAnalyser(row));
}

void BuildRawFileAnalyserListByFileType(std::list<IRawFileAnalyser*>& list, std::vector<RAW_FILE_TYPE>* types) {
  if (types && !types->empty()) {
    for (RAW_FILE_TYPE type : *types) CraetePartRawFileAnalyser(type, list);
    return;
  }
  for (std::uint32_t type = 1; type <= kRawFileTypeCount; ++type)
    CraetePartRawFileAnalyser(static_cast<RAW_FILE_TYPE>(type), list);
}

void CraetePartRawFileAnalyser(RAW_FILE_TYPE type, std::list<IRawFileAnalyser*>& list) {
  for (const RawAnalyserRow& row : kPartRows)
    if (row.type == type) list.push_back(CreateRawAnalyser(row));
}
