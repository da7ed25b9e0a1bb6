#include "RAWSearch/Formats/Video/VideoFormats.h"

#include "RAWSearch/Formats/Video/C3GPAnalyser.h"
#include "RAWSearch/Formats/Video/MovAnalyzer.h"
#include "RAWSearch/Formats/Video/Mp4Analyzer.h"

namespace VideoFormats {

IRawFileAnalyser* CreateMovAnalyzer() { return BruteForce::MovAnalyzer::Create(); }
IRawFileAnalyser* CreateMp4Analyzer() { return BruteForce::Mp4Analyzer::Create(); }
IRawFileAnalyser* CreateC3GPAnalyser() { return BruteForce::C3GPAnalyser::Create(); }

}  // namespace VideoFormats
