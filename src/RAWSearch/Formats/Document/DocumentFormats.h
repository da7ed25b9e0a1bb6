#pragma once
// The document analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace DocumentFormats {

IRawFileAnalyser* CreateCHM();
IRawFileAnalyser* CreateEMLX();
IRawFileAnalyser* CreateHLP();
IRawFileAnalyser* CreateHTM();
IRawFileAnalyser* CreateLowDoc();
IRawFileAnalyser* CreateMDB();
IRawFileAnalyser* CreateMNY();
IRawFileAnalyser* CreateOLE();
IRawFileAnalyser* CreateMbox();
IRawFileAnalyser* CreatePST();
IRawFileAnalyser* CreateTTF();
IRawFileAnalyser* CreateUnicodeHTM();
IRawFileAnalyser* CreateWPD();
IRawFileAnalyser* CreateITL();
IRawFileAnalyser* CreatePdf();
IRawFileAnalyser* CreateSQLite();
IRawFileAnalyser* CreateEPS();
IRawFileAnalyser* CreateDXF();
IRawFileAnalyser* CreateDWG();
IRawFileAnalyser* CreateFH11();
IRawFileAnalyser* CreateStreamingHTML();  // the streaming HTML analyser, with the plain one as its fallback
IRawFileAnalyser* CreateStreamingMDB();   // the streaming Jet/ACE analyser, with the plain one as its fallback
IRawFileAnalyser* CreateStreamingDBX();    // the streaming mail-folder analyser (no fallback)
IRawFileAnalyser* CreateStreamingJKS();    // the streaming key-store analyser (no fallback)
IRawFileAnalyser* CreateStreamingNGRR();   // the streaming NGRR analyser (no fallback)
IRawFileAnalyser* CreateStreamingRTF();
IRawFileAnalyser* CreateStreamingONE();
IRawFileAnalyser* CreateStreamingINDD();  // the streaming InDesign analyser (no fallback)
IRawFileAnalyser* CreateStreamingMOBI();  // the streaming e-book analyser, with its plain fallback
IRawFileAnalyser* CreateStreamingPSAFE3(); // the streaming password-safe analyser (no fallback)

}  // namespace DocumentFormats
