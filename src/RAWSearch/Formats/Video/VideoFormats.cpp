#include "RAWSearch/Formats/Video/VideoFormats.h"

#include "RAWSearch/Formats/Video/FileMP4Analyser.h"

namespace VideoFormats {

IRawFileAnalyser* CreateMP4() { return new FileMP4Analyser(); }

}  // namespace VideoFormats
