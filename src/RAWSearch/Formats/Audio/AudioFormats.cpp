#include "RAWSearch/Formats/Audio/AudioFormats.h"

#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"

namespace AudioFormats {

IRawFileAnalyser* CreateAU() { return new FileAUAnalyser(); }
IRawFileAnalyser* CreateMID() { return new FileMIDAnalyser(); }

}  // namespace AudioFormats
