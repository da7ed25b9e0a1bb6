#include "RAWSearch/Formats/Video/VideoFormats.h"

#include "RAWSearch/Formats/Video/AEPAnalyser.h"
#include "RAWSearch/Formats/Video/C3GPAnalyser.h"
#include "RAWSearch/Formats/Video/CAsfAnalyser.h"
#include "RAWSearch/Formats/Video/CM2TSAnalyser.h"
#include "RAWSearch/Formats/Video/FileFLVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMKVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Formats/Video/FileMPGAnalyser.h"
#include "RAWSearch/Formats/Video/FileRM_RMVBAnalyser.h"
#include "RAWSearch/Formats/Video/FileSWFAnalyser.h"
#include "RAWSearch/Formats/Video/MovAnalyzer.h"
#include "RAWSearch/Formats/Video/Mp4Analyzer.h"

namespace VideoFormats {

IRawFileAnalyser* CreateSWF() { return new FileSWFAnalyser(); }
IRawFileAnalyser* CreateFLV() { return new FileFLVAnalyser(); }
IRawFileAnalyser* CreateMKV() { return new FileMKVAnalyser(); }
IRawFileAnalyser* CreateMPG() { return new FileMPGAnalyser(); }
IRawFileAnalyser* CreateRM_RMVB() { return new FileRM_RMVBAnalyser(); }
IRawFileAnalyser* CreateMovAnalyzer() { return BruteForce::MovAnalyzer::Create(); }
IRawFileAnalyser* CreateMp4Analyzer() { return BruteForce::Mp4Analyzer::Create(); }
IRawFileAnalyser* CreateC3GPAnalyser() { return BruteForce::C3GPAnalyser::Create(); }
IRawFileAnalyser* CreateAsf() { return BruteForce::CAsfAnalyser::Create(); }
IRawFileAnalyser* CreateM2TS() { return BruteForce::CM2TSAnalyser::Create(); }
IRawFileAnalyser* CreateMP4() { return new FileMP4Analyser(); }
IRawFileAnalyser* CreateStreamingAEP() { return new RawSpeed::AEPAnalyser(); }

}  // namespace VideoFormats
