#pragma once

#include "platform/Log.h"

class IHttpClient;
class IFileSystem;
class IProcessRunner;
class IFileTrust;
class ITaskEventPoster;
class IRegistry;
class ISignatureVerifier;
class IRandom;
class ILauncherHandoff;

// The platform seams the task manager and its workers use. None is owned.
struct TaskPlatform {
    IHttpClient* http;
    IFileSystem* files;
    IProcessRunner* processes;
    ITaskEventPoster* poster;
    // Checks of the installer; needed only when the configuration pins it.
    IFileTrust* trust = nullptr;
    // The download manifest's signature check, and where its serial and
    // the last good address are kept; needed only with a manifest.
    ISignatureVerifier* verifier = nullptr;
    IRegistry* registry = nullptr;
    ILog* log = NoLog();
    // The random source of the download folder's name and of the pauses
    // before retries; the system's when null.
    IRandom* random = nullptr;
    // Starting a newer launcher in this one's place; none: no update.
    ILauncherHandoff* handoff = nullptr;
};
