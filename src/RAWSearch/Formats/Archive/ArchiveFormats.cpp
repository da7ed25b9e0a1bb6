#include "RAWSearch/Formats/Archive/ArchiveFormats.h"

#include "RAWSearch/Formats/Archive/FileCABAnalyser.h"
#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"

namespace ArchiveFormats {

IRawFileAnalyser* CreateCAB() { return new FileCABAnalyser(); }
IRawFileAnalyser* CreateGZ() { return new FileGZAnalyser(); }
IRawFileAnalyser* CreateLZH() { return new FileLZHAnalyser(); }
IRawFileAnalyser* CreateZIP() { return new FileZIPAnalyser(); }

}  // namespace ArchiveFormats
