#pragma once

#include "platform/Log.h"

class IHttpClient;
class IFileSystem;
class IProcessRunner;
class IFileTrust;
class ITaskEventPoster;

// The platform seams the task manager and its workers use. None is owned.
struct TaskPlatform {
    IHttpClient* http;
    IFileSystem* files;
    IProcessRunner* processes;
    ITaskEventPoster* poster;
    // Checks of the installer; needed only when the configuration pins it.
    IFileTrust* trust = nullptr;
    ILog* log = NoLog();
};
