#include "RAWSearch/Formats/Image/ImageFormats.h"

#include "RAWSearch/Formats/Image/FileBMPAnalyser.h"
#include "RAWSearch/Formats/Image/FileCPTAnalyser.h"
#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileEMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileICNSAnalyser.h"
#include "RAWSearch/Formats/Image/FileICOAnalyser.h"
#include "RAWSearch/Formats/Image/JpegAnalyzer.h"
#include "RAWSearch/Formats/Image/TiffAnalyzer.h"
#include "RAWSearch/Formats/Image/CGifAnalyser.h"

namespace ImageFormats {

IRawFileAnalyser* CreateJpeg() { return BruteForce::JpegAnalyzer::Create(); }
IRawFileAnalyser* CreateTiff() { return BruteForce::TiffAnalyzer::Create(); }
IRawFileAnalyser* CreateBMP() { return new FileBMPAnalyser(); }
IRawFileAnalyser* CreateCPT() { return new FileCPTAnalyser(); }
IRawFileAnalyser* CreateCRW() { return new FileCRWAnalyser(); }
IRawFileAnalyser* CreateEMF() { return new FileEMFAnalyser(); }
IRawFileAnalyser* CreateICNS() { return new FileICNSAnalyser(); }
IRawFileAnalyser* CreateICO() { return new FileICOAnalyser(); }
IRawFileAnalyser* CreateGif() { return BruteForce::CGifAnalyser::Create(); }

}  // namespace ImageFormats
