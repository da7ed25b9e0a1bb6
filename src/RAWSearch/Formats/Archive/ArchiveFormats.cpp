#include "RAWSearch/Formats/Archive/ArchiveFormats.h"

#include "RAWSearch/Formats/Archive/DMGAnalyser.h"
#include "RAWSearch/Formats/Archive/FileCABAnalyser.h"
#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "RAWSearch/Formats/Archive/FilePKGAnalyser.h"
#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"
#include "RAWSearch/Formats/Archive/GZAnalyzer.h"
#include "RAWSearch/Formats/Archive/LZHAnalyser.h"
#include "RAWSearch/Formats/Archive/RARAnalyser.h"
#include "RAWSearch/Formats/Archive/SITAnalyser.h"
#include "RAWSearch/Formats/Archive/TARAnalyser.h"

namespace ArchiveFormats {

IRawFileAnalyser* CreateCAB() { return new FileCABAnalyser(); }
IRawFileAnalyser* CreateGZ() { return new FileGZAnalyser(); }
IRawFileAnalyser* CreateLZH() { return new FileLZHAnalyser(); }
IRawFileAnalyser* CreateZIP() { return new FileZIPAnalyser(); }
IRawFileAnalyser* CreatePKG() { return new FilePKGAnalyser(); }
IRawFileAnalyser* CreateStreamingGZ() { return new RawSpeed::GZAnalyzer(); }
IRawFileAnalyser* CreateBranchLZH() { return new Brance::LZHAnalyser(); }
IRawFileAnalyser* CreateStreamingTAR() { return new RawSpeed::TARAnalyser(); }
IRawFileAnalyser* CreateStreamingRAR() { return new RawSpeed::RARAnalyser(); }
IRawFileAnalyser* CreateBranchDMG() { return new Brance::DMGAnalyser(); }
IRawFileAnalyser* CreateStreamingSIT() { return new RawSpeed::SITAnalyser(); }

}  // namespace ArchiveFormats
