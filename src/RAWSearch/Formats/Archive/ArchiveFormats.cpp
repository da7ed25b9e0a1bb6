#include "RAWSearch/Formats/Archive/ArchiveFormats.h"

#include "RAWSearch/Formats/Archive/FileCABAnalyser.h"
#include "RAWSearch/Formats/Archive/FileDMGAnalyser.h"
#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "RAWSearch/Formats/Archive/FilePKGAnalyser.h"
#include "RAWSearch/Formats/Archive/FileRARAnalyser.h"
#include "RAWSearch/Formats/Archive/FileSITAnalyser.h"
#include "RAWSearch/Formats/Archive/FileTARAnalyser.h"
#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"
#include "RAWSearch/Formats/Archive/GZAnalyzer.h"
#include "RAWSearch/Formats/Archive/LZHAnalyser.h"

namespace ArchiveFormats {

IRawFileAnalyser* CreateCAB() { return new FileCABAnalyser(); }
IRawFileAnalyser* CreateDMG() { return new FileDMGAnalyser(); }
IRawFileAnalyser* CreateGZ() { return new FileGZAnalyser(); }
IRawFileAnalyser* CreateLZH() { return new FileLZHAnalyser(); }
IRawFileAnalyser* CreateZIP() { return new FileZIPAnalyser(); }
IRawFileAnalyser* CreatePKG() { return new FilePKGAnalyser(); }
IRawFileAnalyser* CreateRAR() { return new FileRARAnalyser(); }
IRawFileAnalyser* CreateSIT() { return new FileSITAnalyser(); }
IRawFileAnalyser* CreateTAR() { return new FileTARAnalyser(); }
IRawFileAnalyser* CreateStreamingGZ() { return new RawSpeed::GZAnalyzer(); }
IRawFileAnalyser* CreateBranchLZH() { return new Brance::LZHAnalyser(); }

}  // namespace ArchiveFormats
