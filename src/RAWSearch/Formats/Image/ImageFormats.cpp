#include "RAWSearch/Formats/Image/ImageFormats.h"

#include "RAWSearch/Formats/Image/CGifAnalyser.h"
#include "RAWSearch/Formats/Image/CRWAnalyser.h"
#include "RAWSearch/Formats/Image/File3DSAnalyser.h"
#include "RAWSearch/Formats/Image/FileBMPAnalyser.h"
#include "RAWSearch/Formats/Image/FileCPTAnalyser.h"
#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileEMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileICNSAnalyser.h"
#include "RAWSearch/Formats/Image/FileICOAnalyser.h"
#include "RAWSearch/Formats/Image/FileMRWAnalyser.h"
#include "RAWSearch/Formats/Image/FilePNGAnalyser.h"
#include "RAWSearch/Formats/Image/FilePSDAnalyser.h"
#include "RAWSearch/Formats/Image/FilePSPAnalyser.h"
#include "RAWSearch/Formats/Image/FileSVGAnalyser.h"
#include "RAWSearch/Formats/Image/FileWMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileX3FAnalyser.h"
#include "RAWSearch/Formats/Image/JpegAnalyzer.h"
#include "RAWSearch/Formats/Image/TiffAnalyzer.h"

namespace ImageFormats {

IRawFileAnalyser* CreateJpeg() { return BruteForce::JpegAnalyzer::Create(); }
IRawFileAnalyser* CreateTiff() { return BruteForce::TiffAnalyzer::Create(); }
IRawFileAnalyser* CreateBMP() { return new FileBMPAnalyser(); }
IRawFileAnalyser* CreateCPT() { return new FileCPTAnalyser(); }
IRawFileAnalyser* CreateCRW() { return new FileCRWAnalyser(); }
IRawFileAnalyser* CreateEMF() { return new FileEMFAnalyser(); }
IRawFileAnalyser* CreateICNS() { return new FileICNSAnalyser(); }
IRawFileAnalyser* CreateICO() { return new FileICOAnalyser(); }
IRawFileAnalyser* CreatePNG() { return new FilePNGAnalyser(); }
IRawFileAnalyser* CreatePSD() { return new FilePSDAnalyser(); }
IRawFileAnalyser* CreatePSP() { return new FilePSPAnalyser(); }
IRawFileAnalyser* CreateWMF() { return new FileWMFAnalyser(); }
IRawFileAnalyser* Create3DS() { return new File3DSAnalyser(); }
IRawFileAnalyser* CreateMRW() { return new FileMRWAnalyser(); }
IRawFileAnalyser* CreateX3F() { return new FileX3FAnalyser(); }
IRawFileAnalyser* CreateSVG() { return new FileSVGAnalyser(); }
IRawFileAnalyser* CreateGif() { return BruteForce::CGifAnalyser::Create(); }
IRawFileAnalyser* CreateBranchCRW() { return new Brance::CRWAnalyser(); }

}  // namespace ImageFormats
