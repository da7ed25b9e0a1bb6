#include "RAWSearch/Formats/Video/VideoFormats.h"

#include "RAWSearch/Formats/Video/FileFLVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMKVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Formats/Video/FileMPGAnalyser.h"
#include "RAWSearch/Formats/Video/FileRM_RMVBAnalyser.h"
#include "RAWSearch/Formats/Video/FileSWFAnalyser.h"

namespace VideoFormats {

IRawFileAnalyser* CreateMP4() { return new FileMP4Analyser(); }
IRawFileAnalyser* CreateSWF() { return new FileSWFAnalyser(); }
IRawFileAnalyser* CreateFLV() { return new FileFLVAnalyser(); }
IRawFileAnalyser* CreateMKV() { return new FileMKVAnalyser(); }
IRawFileAnalyser* CreateMPG() { return new FileMPGAnalyser(); }
IRawFileAnalyser* CreateRM_RMVB() { return new FileRM_RMVBAnalyser(); }

}  // namespace VideoFormats
