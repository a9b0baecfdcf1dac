#pragma once

struct Task;
class CThread;

// Where a worker reports. Called on the worker's thread, after the task's
// fields have been written.
class CTaskEventHandler {
public:
    virtual ~CTaskEventHandler() = default;
    virtual void OnTaskStart(Task* task, CThread* worker) = 0;
    virtual void OnTaskFinish(Task* task, CThread* worker) = 0;
    virtual void OnTaskProgress(Task* task, CThread* worker) = 0;
    virtual void OnTaskError(Task* task, CThread* worker) = 0;
};
