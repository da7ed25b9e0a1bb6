#include "RAWSearch/Formats/Audio/AudioFormats.h"

#include "RAWSearch/Formats/Audio/CADTSAnalyser.h"
#include "RAWSearch/Formats/Audio/CAPEAnalyser.h"
#include "RAWSearch/Formats/Audio/CFileAIFAnalyzer.h"
#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "RAWSearch/Formats/Audio/FileRIFFAnalyser.h"
#include "RAWSearch/Formats/Audio/MIDAnalyser.h"
#include "RAWSearch/Formats/Audio/MP3Analyzer.h"
#include "RAWSearch/Formats/Audio/OGGAnalyser.h"
#include "RAWSearch/Formats/Audio/SIBAnalyser.h"

namespace AudioFormats {

IRawFileAnalyser* CreateAU() { return new FileAUAnalyser(); }
IRawFileAnalyser* CreateMID() { return new FileMIDAnalyser(); }
IRawFileAnalyser* CreateMP3() { return BruteForce::MP3Analyzer::Create(); }
IRawFileAnalyser* CreateAIF() { return new CFileAIFAnalyzer(); }
IRawFileAnalyser* CreateRIFF() { return new FileRIFFAnalyser(); }
IRawFileAnalyser* CreateADTS() { return BruteForce::CADTSAnalyser::Create(); }
IRawFileAnalyser* CreateAPE() { return BruteForce::CAPEAnalyser::Create(); }
IRawFileAnalyser* CreateStreamingMID() { return new RawSpeed::MIDAnalyser(); }
IRawFileAnalyser* CreateBranchOGG() { return new Brance::OGGAnalyser(); }
IRawFileAnalyser* CreateStreamingSIB() { return new RawSpeed::SIBAnalyser(); }

}  // namespace AudioFormats
