#include "RAWSearch/Formats/Audio/AudioFormats.h"

#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "RAWSearch/Formats/Audio/MP3Analyzer.h"
#include "RAWSearch/Formats/Audio/CADTSAnalyser.h"
#include "RAWSearch/Formats/Audio/CAPEAnalyser.h"

namespace AudioFormats {

IRawFileAnalyser* CreateAU() { return new FileAUAnalyser(); }
IRawFileAnalyser* CreateMID() { return new FileMIDAnalyser(); }
IRawFileAnalyser* CreateMP3() { return BruteForce::MP3Analyzer::Create(); }
IRawFileAnalyser* CreateADTS() { return BruteForce::CADTSAnalyser::Create(); }
IRawFileAnalyser* CreateAPE() { return BruteForce::CAPEAnalyser::Create(); }

}  // namespace AudioFormats
