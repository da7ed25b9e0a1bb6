#pragma once
// The archive analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace ArchiveFormats {

IRawFileAnalyser* CreateCAB();
IRawFileAnalyser* CreateGZ();
IRawFileAnalyser* CreateLZH();
IRawFileAnalyser* CreateZIP();
IRawFileAnalyser* CreatePKG();
IRawFileAnalyser* CreateStreamingGZ();  // the streaming gzip analyser, with the plain one as its fallback
IRawFileAnalyser* CreateBranchLZH();    // the branch LHA analyser, with the plain one as its fallback
IRawFileAnalyser* CreateStreamingTAR();
IRawFileAnalyser* CreateStreamingRAR();
IRawFileAnalyser* CreateBranchDMG();
IRawFileAnalyser* CreateStreamingSIT();

}  // namespace ArchiveFormats
