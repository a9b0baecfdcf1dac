#pragma once

#include "platform/Log.h"

class IEnvironment;
class IResources;
class IRegistry;
class IWindowSystem;
class IShell;
class IHttpClient;
class IFileSystem;
class IProcessRunner;
class IFileTrust;
class ITaskbarButton;
class ISignatureVerifier;
class IRandom;
class ILauncherHandoff;

// The platform seams the application uses, filled once by the entry point
// with the real implementations and by tests with fakes. None is owned here.
struct Platform {
    IEnvironment* environment = nullptr;
    IResources* resources = nullptr;
    IRegistry* registry = nullptr;
    IWindowSystem* windows = nullptr;
    IShell* shell = nullptr;
    IHttpClient* http = nullptr;
    IFileSystem* files = nullptr;
    IProcessRunner* processes = nullptr;
    IFileTrust* trust = nullptr;
    ISignatureVerifier* verifier = nullptr;
    IRandom* random = nullptr;  // the system's when null
    ILog* log = NoLog();
    ITaskbarButton* taskbar = nullptr;  // null where there is none
    ILauncherHandoff* handoff = nullptr;  // null: the launcher never replaces itself
};
