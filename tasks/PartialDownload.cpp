#include "tasks/PartialDownload.h"

#include "platform/FileSystem.h"

PartialDownload::PartialDownload(IFileSystem& fileSystem) : files(fileSystem) {}

PartialDownload::~PartialDownload() = default;

PartialDownload::Fill PartialDownload::Filled() const
{
    if (written < length)
        return Fill::Short;
    return written == length ? Fill::Whole : Fill::Over;
}

bool PartialDownload::CanContinue(bool pinnedWhole) const
{
    return file && written > 0 && (pinnedWhole || !validator.empty());
}

bool PartialDownload::StartOver(uint64_t announced, const std::wstring& answerValidator, const std::wstring& from,
                                uint32_t& error)
{
    length = announced;
    validator = answerValidator;
    source = from;
    written = 0;
    if (file)
        return file->Restart(error);
    file = files.CreateAlways(path, error);
    onDisk = file != nullptr;
    return onDisk;
}

bool PartialDownload::Append(const uint8_t* data, uint32_t size, uint32_t& error)
{
    uint32_t count = 0;
    const bool ok = file->Write(data, size, count, error);
    written += count;
    return ok && count == size;
}

void PartialDownload::Close()
{
    file.reset();
}

void PartialDownload::Discard()
{
    file.reset();
    if (onDisk)
        files.Delete(path);
    onDisk = false;
    written = 0;
    length = 0;
    validator.clear();
    source.clear();
}
