#include "RAWSearch/Formats/Document/DocumentFormats.h"

#include "RAWSearch/Formats/Document/FileCHMAnalyser.h"
#include "RAWSearch/Formats/Document/FileEMLXAnalyser.h"
#include "RAWSearch/Formats/Document/FileHLPAnalyser.h"
#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileLowDocAnalyser.h"
#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"
#include "RAWSearch/Formats/Document/FileMNYAnalyser.h"
#include "RAWSearch/Formats/Document/PdfAnalyzer.h"
#include "RAWSearch/Formats/Document/CFCPEvtAnalyser.h"
#include "RAWSearch/Formats/Document/CEPSAnalyser.h"
#include "RAWSearch/Formats/Document/CDXFAnalyser.h"
#include "RAWSearch/Formats/Document/CDWGAnalyser.h"
#include "RAWSearch/Formats/Document/CFH11Analyser.h"

namespace DocumentFormats {

IRawFileAnalyser* CreateCHM() { return new FileCHMAnalyser(); }
IRawFileAnalyser* CreateEMLX() { return new FileEMLXAnalyser(); }
IRawFileAnalyser* CreateHLP() { return new FileHLPAnalyser(); }
IRawFileAnalyser* CreateHTM() { return new FileHTMAnalyser(); }
IRawFileAnalyser* CreateLowDoc() { return new FileLowDocAnalyser(); }
IRawFileAnalyser* CreateMDB() { return new FileMDBAnalyser(); }
IRawFileAnalyser* CreateMNY() { return new FileMNYAnalyser(); }
IRawFileAnalyser* CreatePdf() { return BruteForce::PdfAnalyzer::Create(); }
IRawFileAnalyser* CreateSQLite() { return BruteForce::CFCPEvtAnalyser::Create(); }
IRawFileAnalyser* CreateEPS() { return BruteForce::CEPSAnalyser::Create(); }
IRawFileAnalyser* CreateDXF() { return BruteForce::CDXFAnalyser::Create(); }
IRawFileAnalyser* CreateDWG() { return BruteForce::CDWGAnalyser::Create(); }
IRawFileAnalyser* CreateFH11() { return BruteForce::CFH11Analyser::Create(); }

}  // namespace DocumentFormats
