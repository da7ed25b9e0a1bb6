#pragma once
// The video analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace VideoFormats {

IRawFileAnalyser* CreateSWF();
IRawFileAnalyser* CreateFLV();
IRawFileAnalyser* CreateMKV();
IRawFileAnalyser* CreateMPG();
IRawFileAnalyser* CreateRM_RMVB();
IRawFileAnalyser* CreateMovAnalyzer();
IRawFileAnalyser* CreateMp4Analyzer();
IRawFileAnalyser* CreateC3GPAnalyser();
IRawFileAnalyser* CreateAsf();
IRawFileAnalyser* CreateM2TS();
IRawFileAnalyser* CreateMP4();
IRawFileAnalyser* CreateStreamingAEP();  // the streaming after-effects project analyser (no fallback)

}  // namespace VideoFormats
