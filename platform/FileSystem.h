#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/OutputFile.h"

// FILE_ATTRIBUTE_DIRECTORY.
constexpr uint32_t kFileAttributeDirectory = 0x10;
// FILE_ATTRIBUTE_REPARSE_POINT: a junction, a symbolic link or another
// entry that the system may send somewhere else when it is opened.
constexpr uint32_t kFileAttributeReparsePoint = 0x400;

// What a search by name tells about one entry.
struct FoundFile {
    std::wstring name;  // the entry's own name, without its folder
    uint32_t attributes = 0;
    uint64_t size = 0;
    int64_t lastWriteSeconds = 0;  // last written, UTC seconds since 1970
};

// Files and folders by path.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // Looks the path up (FindFirstFileW): false when nothing of that name
    // exists, else its attributes and 64-bit size.
    virtual bool Find(const std::wstring& path, FoundFile& found) = 0;

    // The path's attributes (GetFileAttributesW); false when it cannot be
    // read (no such file, bad path).
    virtual bool GetAttributes(const std::wstring& path, uint32_t& attributes) = 0;

    // The file's first bytes, at most maxBytes of them (fewer when it is
    // shorter); false when it cannot be opened for reading or read.
    virtual bool ReadStart(const std::wstring& path, uint32_t maxBytes, std::vector<uint8_t>& bytes) = 0;

    // The entries that match a pattern such as folder\name-* (FindFirstFileW
    // and FindNextFileW; "." and ".." left out). False when nothing
    // matches or the folder cannot be read.
    virtual bool List(const std::wstring& pattern, std::vector<FoundFile>& found) = 0;

    // Creates the file or empties an existing one, for writing; others may
    // read it but not write it while it is open. Null and the platform's
    // code on failure.
    virtual std::unique_ptr<IOutputFile> CreateAlways(const std::wstring& path, uint32_t& error) = 0;

    // Opens an existing file for writing at its end, shared as CreateAlways;
    // size is its length. Null and the platform's code on failure.
    virtual std::unique_ptr<IOutputFile> OpenToAppend(const std::wstring& path, uint64_t& size, uint32_t& error) = 0;

    // Creates a folder that only the user this program runs as, SYSTEM and
    // the Administrators may open: that user its owner, their full control
    // inherited by everything made inside, nothing inherited from the
    // folder above. False and the platform's code on failure (183 when
    // something of that name exists).
    virtual bool CreatePrivateFolder(const std::wstring& path, uint32_t& error) = 0;

    // Gives an existing folder, and the files in it, the permissions of
    // CreatePrivateFolder (its owner stays). False and the platform's code
    // when they cannot be set.
    virtual bool MakePrivate(const std::wstring& folder, uint32_t& error) = 0;

    // Whether the file or folder at path belongs to the user this program
    // runs as: looked at as itself (a junction or symbolic link is never
    // followed), it is no reparse point and its owner is that user. False
    // when that cannot be told.
    virtual bool IsOwnedByUser(const std::wstring& path) = 0;

    // Removes an empty folder (RemoveDirectoryW); false when it cannot.
    virtual bool RemoveFolder(const std::wstring& path) = 0;

    // Deletes a file; false when it could not be deleted.
    virtual bool Delete(const std::wstring& path) = 0;

    // Renames from to to, replacing a file of that name (MoveFileExW with
    // MOVEFILE_REPLACE_EXISTING); false and the platform's code on failure
    // (5 or 32 while another program holds the file open).
    virtual bool Move(const std::wstring& from, const std::wstring& to, uint32_t& error) = 0;

    // Bytes free for this user on the volume that holds the folder; false
    // and the platform's code when that cannot be told.
    virtual bool FreeSpace(const std::wstring& folder, uint64_t& bytes, uint32_t& error) = 0;
};
