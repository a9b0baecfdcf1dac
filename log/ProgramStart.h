#pragma once

class ILog;
class IResources;
class ISystemInfo;

// The first line of a run: the program's name and version from its version
// resource, and the system's version, for example
// "start: quillmerex 1.0.0.1 on Windows 10.0.19045".
void LogProgramStart(ILog& log, IResources& resources, ISystemInfo& system);
