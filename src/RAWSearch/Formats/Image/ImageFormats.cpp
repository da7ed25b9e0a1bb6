#include "RAWSearch/Formats/Image/ImageFormats.h"

#include "RAWSearch/Formats/Image/CGifAnalyser.h"
#include "RAWSearch/Formats/Image/CRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileBMPAnalyser.h"
#include "RAWSearch/Formats/Image/FileCPTAnalyser.h"
#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileEMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileICNSAnalyser.h"
#include "RAWSearch/Formats/Image/FileICOAnalyser.h"
#include "RAWSearch/Formats/Image/FileMRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileWMFAnalyser.h"
#include "RAWSearch/Formats/Image/JpegAnalyzer.h"
#include "RAWSearch/Formats/Image/New3DSAnalyser.h"
#include "RAWSearch/Formats/Image/PNGAnalyser.h"
#include "RAWSearch/Formats/Image/PSDAnalyser.h"
#include "RAWSearch/Formats/Image/PSPAnalyser.h"
#include "RAWSearch/Formats/Image/SVGAnalyser.h"
#include "RAWSearch/Formats/Image/TiffAnalyzer.h"
#include "RAWSearch/Formats/Image/WpgAnalyser.h"
#include "RAWSearch/Formats/Image/X3FAnalyser.h"

namespace ImageFormats {

IRawFileAnalyser* CreateJpeg() { return BruteForce::JpegAnalyzer::Create(); }
IRawFileAnalyser* CreateTiff() { return BruteForce::TiffAnalyzer::Create(); }
IRawFileAnalyser* CreateBMP() { return new FileBMPAnalyser(); }
IRawFileAnalyser* CreateCPT() { return new FileCPTAnalyser(); }
IRawFileAnalyser* CreateCRW() { return new FileCRWAnalyser(); }
IRawFileAnalyser* CreateEMF() { return new FileEMFAnalyser(); }
IRawFileAnalyser* CreateICNS() { return new FileICNSAnalyser(); }
IRawFileAnalyser* CreateICO() { return new FileICOAnalyser(); }
IRawFileAnalyser* CreateWMF() { return new FileWMFAnalyser(); }
IRawFileAnalyser* CreateMRW() { return new FileMRWAnalyser(); }
IRawFileAnalyser* CreateGif() { return BruteForce::CGifAnalyser::Create(); }
IRawFileAnalyser* CreateBranchCRW() { return new Brance::CRWAnalyser(); }
IRawFileAnalyser* CreateStreamingPNG() { return new RawSpeed::PNGAnalyser(); }
IRawFileAnalyser* CreateStreamingPSD() { return new RawSpeed::PSDAnalyser(); }
IRawFileAnalyser* CreateStreamingPSP() { return new RawSpeed::PSPAnalyser(); }
IRawFileAnalyser* CreateBranchSVG() { return new Brance::SVGAnalyser(); }
IRawFileAnalyser* CreateBranchX3F() { return new Brance::X3FAnalyser(); }
IRawFileAnalyser* CreateStreaming3DS() { return new RawSpeed::New3DSAnalyser(); }
IRawFileAnalyser* CreateStreamingWPG() { return new RawSpeed::WpgAnalyser(); }

}  // namespace ImageFormats
