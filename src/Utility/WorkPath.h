#pragma once

// The folder of the running executable (UTF-8), where the log and UIConfig.ini live; null when unknown.
const char* GetAppWorkPath();
