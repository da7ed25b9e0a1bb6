#include "RAWSearch/Formats/Audio/AudioFormats.h"

#include "RAWSearch/Formats/Audio/CADTSAnalyser.h"
#include "RAWSearch/Formats/Audio/CAPEAnalyser.h"
#include "RAWSearch/Formats/Audio/CFileAIFAnalyzer.h"
#include "RAWSearch/Formats/Audio/CFileOggAnalyser.h"
#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "RAWSearch/Formats/Audio/FileRIFFAnalyser.h"
#include "RAWSearch/Formats/Audio/MIDAnalyser.h"
#include "RAWSearch/Formats/Audio/MP3Analyzer.h"

namespace AudioFormats {

IRawFileAnalyser* CreateAU() { return new FileAUAnalyser(); }
IRawFileAnalyser* CreateMID() { return new FileMIDAnalyser(); }
IRawFileAnalyser* CreateMP3() { return BruteForce::MP3Analyzer::Create(); }
IRawFileAnalyser* CreateAIF() { return new CFileAIFAnalyzer(); }
IRawFileAnalyser* CreateOGG() { return new CFileOggAnalyser(); }
IRawFileAnalyser* CreateRIFF() { return new FileRIFFAnalyser(); }
IRawFileAnalyser* CreateADTS() { return BruteForce::CADTSAnalyser::Create(); }
IRawFileAnalyser* CreateAPE() { return BruteForce::CAPEAnalyser::Create(); }
IRawFileAnalyser* CreateStreamingMID() { return new RawSpeed::MIDAnalyser(); }

}  // namespace AudioFormats
