#pragma once
// The image analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace ImageFormats {

IRawFileAnalyser* CreateJpeg();  // the growing JPEG analyser, with the plain one as its fallback
IRawFileAnalyser* CreateTiff();  // the growing TIFF analyser, with the plain one as its fallback
IRawFileAnalyser* CreateBMP();
IRawFileAnalyser* CreateCPT();
IRawFileAnalyser* CreateCRW();
IRawFileAnalyser* CreateEMF();
IRawFileAnalyser* CreateICNS();
IRawFileAnalyser* CreateICO();
IRawFileAnalyser* CreateWMF();
IRawFileAnalyser* CreateMRW();
IRawFileAnalyser* CreateGif();
IRawFileAnalyser* CreateStreamingPNG();
IRawFileAnalyser* CreateStreamingPSD();
IRawFileAnalyser* CreateStreamingPSP();
IRawFileAnalyser* CreateBranchSVG();
IRawFileAnalyser* CreateBranchX3F();
IRawFileAnalyser* CreateStreaming3DS();
IRawFileAnalyser* CreateStreamingWPG();  // the streaming WordPerfect graphics analyser (no fallback)
IRawFileAnalyser* CreateBranchCRW();  // the branch CRW analyser, with the plain one as its fallback

}  // namespace ImageFormats
