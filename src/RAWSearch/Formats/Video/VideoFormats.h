#pragma once
// The video analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace VideoFormats {

IRawFileAnalyser* CreateSWF();
IRawFileAnalyser* CreateMKV();
IRawFileAnalyser* CreateMovAnalyzer();
IRawFileAnalyser* CreateMp4Analyzer();
IRawFileAnalyser* CreateC3GPAnalyser();
IRawFileAnalyser* CreateAsf();
IRawFileAnalyser* CreateM2TS();
IRawFileAnalyser* CreateMP4();
IRawFileAnalyser* CreateBranchMPG();
IRawFileAnalyser* CreateBranchFLV();
IRawFileAnalyser* CreateBranchRM_RMVB();
IRawFileAnalyser* CreateStreamingMLV();  // the streaming Magic Lantern analyser (no fallback)
IRawFileAnalyser* CreateStreamingMXF();  // the streaming MXF analyser (no fallback)
IRawFileAnalyser* CreateStreamingAEP();  // the streaming after-effects project analyser (no fallback)

}  // namespace VideoFormats
