#pragma once
// The audio analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace AudioFormats {

IRawFileAnalyser* CreateAU();
IRawFileAnalyser* CreateMID();
IRawFileAnalyser* CreateMP3();
IRawFileAnalyser* CreateAIF();
IRawFileAnalyser* CreateRIFF();
IRawFileAnalyser* CreateADTS();
IRawFileAnalyser* CreateAPE();
IRawFileAnalyser* CreateStreamingMID();  // the streaming MIDI analyser, with the plain one as its fallback
IRawFileAnalyser* CreateBranchOGG();
IRawFileAnalyser* CreateStreamingSIB();  // the streaming score analyser (no fallback)

}  // namespace AudioFormats
