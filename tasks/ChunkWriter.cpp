#include "tasks/ChunkWriter.h"

ChunkWriter::ChunkWriter(IChunkTaker& t) : taker(t) {}

ChunkWriter::~ChunkWriter()
{
    if (thread == nullptr)
        return;
    uint32_t error = 0;
    Settle(error);
    quit = true;
    work->Wake();
    thread->WaitForEnd();
}

bool ChunkWriter::StartThread()
{
    if (thread != nullptr)
        return true;
    work = SystemThreads().NewWakeUp();
    done = SystemThreads().NewWakeUp();
    if (work && done)
        thread = SystemThreads().Start(&ChunkWriter::Routine, this);
    return thread != nullptr;
}

uint32_t ChunkWriter::Routine(void* parameter)
{
    auto* self = static_cast<ChunkWriter*>(parameter);
    for (;;) {
        self->work->Wait();
        if (self->quit)
            return 0;
        self->Take();
        self->done->Wake();
    }
}

void ChunkWriter::Take()
{
    if (!failed && !taker.TakeChunk(bytes, count, failure))
        failed = true;
}

bool ChunkWriter::Put(const uint8_t* chunk, uint32_t size, uint32_t& error)
{
    if (!Settle(error))
        return false;
    bytes = chunk;
    count = size;
    if (thread == nullptr) {
        Take();
        return Settle(error);
    }
    busy = true;
    work->Wake();
    return true;
}

bool ChunkWriter::Settle(uint32_t& error)
{
    if (busy) {
        done->Wait();
        busy = false;
    }
    error = failure;
    return !failed;
}
