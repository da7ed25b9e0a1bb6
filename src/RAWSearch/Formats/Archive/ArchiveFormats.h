#pragma once
// The archive analysers as the registry creates them: each call makes a new analyser, owned by the caller.

class IRawFileAnalyser;

namespace ArchiveFormats {

IRawFileAnalyser* CreateCAB();
IRawFileAnalyser* CreateGZ();
IRawFileAnalyser* CreateLZH();
IRawFileAnalyser* CreateZIP();

}  // namespace ArchiveFormats
