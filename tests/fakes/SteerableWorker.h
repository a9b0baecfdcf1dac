#pragma once
// A worker that a test can stop from inside a fake, on the worker's own
// thread, without waiting for itself.
template <typename Worker>
class SteerableWorker : public Worker {
public:
    using Worker::Worker;
    void ClearRunning() { this->running.store(false); }
};
