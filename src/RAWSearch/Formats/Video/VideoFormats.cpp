#include "RAWSearch/Formats/Video/VideoFormats.h"

#include "RAWSearch/Formats/Video/AEPAnalyser.h"
#include "RAWSearch/Formats/Video/C3GPAnalyser.h"
#include "RAWSearch/Formats/Video/CAsfAnalyser.h"
#include "RAWSearch/Formats/Video/CM2TSAnalyser.h"
#include "RAWSearch/Formats/Video/FLVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMKVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Formats/Video/FileSWFAnalyser.h"
#include "RAWSearch/Formats/Video/MLvAnalyser.h"
#include "RAWSearch/Formats/Video/MPGAnalyser.h"
#include "RAWSearch/Formats/Video/MovAnalyzer.h"
#include "RAWSearch/Formats/Video/Mp4Analyzer.h"
#include "RAWSearch/Formats/Video/MxfAnalyser.h"
#include "RAWSearch/Formats/Video/RM_RMVBAnalyser.h"

namespace VideoFormats {

IRawFileAnalyser* CreateSWF() { return new FileSWFAnalyser(); }
IRawFileAnalyser* CreateMKV() { return new FileMKVAnalyser(); }
IRawFileAnalyser* CreateMovAnalyzer() { return BruteForce::MovAnalyzer::Create(); }
IRawFileAnalyser* CreateMp4Analyzer() { return BruteForce::Mp4Analyzer::Create(); }
IRawFileAnalyser* CreateC3GPAnalyser() { return BruteForce::C3GPAnalyser::Create(); }
IRawFileAnalyser* CreateAsf() { return BruteForce::CAsfAnalyser::Create(); }
IRawFileAnalyser* CreateM2TS() { return BruteForce::CM2TSAnalyser::Create(); }
IRawFileAnalyser* CreateMP4() { return new FileMP4Analyser(); }
IRawFileAnalyser* CreateStreamingAEP() { return new RawSpeed::AEPAnalyser(); }
IRawFileAnalyser* CreateBranchMPG() { return new Brance::MPGAnalyser(); }
IRawFileAnalyser* CreateBranchFLV() { return new Brance::FLVAnalyser(); }
IRawFileAnalyser* CreateBranchRM_RMVB() { return new Brance::RM_RMVBAnalyser(); }
IRawFileAnalyser* CreateStreamingMXF() { return new RawSpeed::MxfAnalyser(); }
IRawFileAnalyser* CreateStreamingMLV() { return new RawSpeed::MLvAnalyser(); }

}  // namespace VideoFormats
