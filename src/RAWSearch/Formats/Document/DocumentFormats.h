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
IRawFileAnalyser* CreateONE();
IRawFileAnalyser* CreateMbox();
IRawFileAnalyser* CreatePST();
IRawFileAnalyser* CreateRTF();
IRawFileAnalyser* CreateTTF();
IRawFileAnalyser* CreateUnicodeHTM();
IRawFileAnalyser* CreateWPD();
IRawFileAnalyser* CreateITL();

}  // namespace DocumentFormats
