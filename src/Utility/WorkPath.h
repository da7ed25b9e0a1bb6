#pragma once

#include <string>

// The folder of the running executable (UTF-8), where UIConfig.ini lives; null when unknown.
const char* GetAppWorkPath();

// The program's data folder: "share/quellsy" beside the executable's "bin" folder when there is one (an
// installed tree that was moved), else the folder the install rules put the data in.
std::string GetAppDataPath();
