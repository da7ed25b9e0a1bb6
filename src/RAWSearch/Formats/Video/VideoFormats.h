#pragma once
// The video analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace VideoFormats {

IRawFileAnalyser* CreateMP4();
IRawFileAnalyser* CreateSWF();
IRawFileAnalyser* CreateFLV();
IRawFileAnalyser* CreateMKV();
IRawFileAnalyser* CreateMPG();
IRawFileAnalyser* CreateRM_RMVB();

}  // namespace VideoFormats
