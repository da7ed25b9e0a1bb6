#include "RAWSearch/Formats/Document/DocumentFormats.h"

#include "RAWSearch/Formats/Document/CDWGAnalyser.h"
#include "RAWSearch/Formats/Document/CDXFAnalyser.h"
#include "RAWSearch/Formats/Document/CEPSAnalyser.h"
#include "RAWSearch/Formats/Document/CFCPEvtAnalyser.h"
#include "RAWSearch/Formats/Document/CFH11Analyser.h"
#include "RAWSearch/Formats/Document/CMDBAnalyser.h"
#include "RAWSearch/Formats/Document/DbxAnalyser.h"
#include "RAWSearch/Formats/Document/FileCHMAnalyser.h"
#include "RAWSearch/Formats/Document/FileEMLXAnalyser.h"
#include "RAWSearch/Formats/Document/FileHLPAnalyser.h"
#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileITLAnalyser.h"
#include "RAWSearch/Formats/Document/FileLowDocAnalyser.h"
#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"
#include "RAWSearch/Formats/Document/FileMNYAnalyser.h"
#include "RAWSearch/Formats/Document/FileMboxAnalyser.h"
#include "RAWSearch/Formats/Document/FileOLEAnalyser.h"
#include "RAWSearch/Formats/Document/FilePSTAnalyser.h"
#include "RAWSearch/Formats/Document/FileTTFAnalyser.h"
#include "RAWSearch/Formats/Document/FileUnicodeHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileWPDAnalyser.h"
#include "RAWSearch/Formats/Document/HTMLAnalyser.h"
#include "RAWSearch/Formats/Document/InddAnalyser.h"
#include "RAWSearch/Formats/Document/JKSAnalyser.h"
#include "RAWSearch/Formats/Document/MOBIAnalyser.h"
#include "RAWSearch/Formats/Document/NGRRAnalyser.h"
#include "RAWSearch/Formats/Document/ONEAnalyser.h"
#include "RAWSearch/Formats/Document/PSAFE3Analyser.h"
#include "RAWSearch/Formats/Document/PdfAnalyzer.h"
#include "RAWSearch/Formats/Document/RTFAnalyser.h"

namespace DocumentFormats {

IRawFileAnalyser* CreateCHM() { return new FileCHMAnalyser(); }
IRawFileAnalyser* CreateEMLX() { return new FileEMLXAnalyser(); }
IRawFileAnalyser* CreateHLP() { return new FileHLPAnalyser(); }
IRawFileAnalyser* CreateHTM() { return new FileHTMAnalyser(); }
IRawFileAnalyser* CreateLowDoc() { return new FileLowDocAnalyser(); }
IRawFileAnalyser* CreateMDB() { return new FileMDBAnalyser(); }
IRawFileAnalyser* CreateMNY() { return new FileMNYAnalyser(); }
IRawFileAnalyser* CreateOLE() { return new FileOLEAnalyser(); }
IRawFileAnalyser* CreateMbox() { return new FileMboxAnalyser(); }
IRawFileAnalyser* CreatePST() { return new FilePSTAnalyser(); }
IRawFileAnalyser* CreateTTF() { return new FileTTFAnalyser(); }
IRawFileAnalyser* CreateUnicodeHTM() { return new FileUnicodeHTMAnalyser(); }
IRawFileAnalyser* CreateWPD() { return new FileWPDAnalyser(); }
IRawFileAnalyser* CreateITL() { return new FileITLAnalyser(); }
IRawFileAnalyser* CreatePdf() { return BruteForce::PdfAnalyzer::Create(); }
IRawFileAnalyser* CreateSQLite() { return BruteForce::CFCPEvtAnalyser::Create(); }
IRawFileAnalyser* CreateEPS() { return BruteForce::CEPSAnalyser::Create(); }
IRawFileAnalyser* CreateDXF() { return BruteForce::CDXFAnalyser::Create(); }
IRawFileAnalyser* CreateDWG() { return BruteForce::CDWGAnalyser::Create(); }
IRawFileAnalyser* CreateFH11() { return BruteForce::CFH11Analyser::Create(); }
IRawFileAnalyser* CreateStreamingHTML() { return new RawSpeed::HTMLAnalyser(); }
IRawFileAnalyser* CreateStreamingMDB() { return new RawSpeed::CMDBAnalyser(); }
IRawFileAnalyser* CreateStreamingDBX() { return new RawSpeed::DbxAnalyser(); }
IRawFileAnalyser* CreateStreamingJKS() { return new RawSpeed::JKSAnalyser(); }
IRawFileAnalyser* CreateStreamingNGRR() { return new RawSpeed::NGRRAnalyser(); }
IRawFileAnalyser* CreateStreamingPSAFE3() { return new RawSpeed::PSAFE3Analyser(); }
IRawFileAnalyser* CreateStreamingRTF() { return new RawSpeed::RTFAnalyser(); }
IRawFileAnalyser* CreateStreamingONE() { return new RawSpeed::OneAnalyser(); }
IRawFileAnalyser* CreateStreamingINDD() { return new RawSpeed::InddAnalyser(); }
IRawFileAnalyser* CreateStreamingMOBI() { return new RawSpeed::MOBIAnalyser(); }

}  // namespace DocumentFormats
