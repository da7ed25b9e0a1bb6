#include "RAWSearch/Formats/Document/DocumentFormats.h"

#include "RAWSearch/Formats/Document/FileCHMAnalyser.h"
#include "RAWSearch/Formats/Document/FileEMLXAnalyser.h"
#include "RAWSearch/Formats/Document/FileHLPAnalyser.h"
#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileLowDocAnalyser.h"
#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"
#include "RAWSearch/Formats/Document/FileMNYAnalyser.h"
#include "RAWSearch/Formats/Document/FileOLEAnalyser.h"

namespace DocumentFormats {

IRawFileAnalyser* CreateCHM() { return new FileCHMAnalyser(); }
IRawFileAnalyser* CreateEMLX() { return new FileEMLXAnalyser(); }
IRawFileAnalyser* CreateHLP() { return new FileHLPAnalyser(); }
IRawFileAnalyser* CreateHTM() { return new FileHTMAnalyser(); }
IRawFileAnalyser* CreateLowDoc() { return new FileLowDocAnalyser(); }
IRawFileAnalyser* CreateMDB() { return new FileMDBAnalyser(); }
IRawFileAnalyser* CreateMNY() { return new FileMNYAnalyser(); }
IRawFileAnalyser* CreateOLE() { return new FileOLEAnalyser(); }

}  // namespace DocumentFormats
