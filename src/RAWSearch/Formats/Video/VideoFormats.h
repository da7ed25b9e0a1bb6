#pragma once
// The video analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace VideoFormats {

IRawFileAnalyser* CreateMP4();
IRawFileAnalyser* CreateAsf();
IRawFileAnalyser* CreateM2TS();

}  // namespace VideoFormats
