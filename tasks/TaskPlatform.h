#pragma once

#include "platform/Log.h"

class IHttpClient;
class IFileSystem;
class IProcessRunner;
class ITaskEventPoster;

// The platform seams the task manager and its workers use. None is owned.
struct TaskPlatform {
    IHttpClient* http;
    IFileSystem* files;
    IProcessRunner* processes;
    ITaskEventPoster* poster;
    ILog* log = NoLog();
};
