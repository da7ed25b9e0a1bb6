#include "RAWSearch/Formats/Video/VideoFormats.h"

#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Formats/Video/CAsfAnalyser.h"
#include "RAWSearch/Formats/Video/CM2TSAnalyser.h"

namespace VideoFormats {

IRawFileAnalyser* CreateMP4() { return new FileMP4Analyser(); }
IRawFileAnalyser* CreateAsf() { return BruteForce::CAsfAnalyser::Create(); }
IRawFileAnalyser* CreateM2TS() { return BruteForce::CM2TSAnalyser::Create(); }

}  // namespace VideoFormats
