#pragma once
// The system's error codes (winerror.h) that the program tells apart, named
// once for the core libraries, which include no Windows header. The
// Internet codes are beside their seam in platform/HttpRequest.h.
#include <cstdint>

constexpr uint32_t kErrorFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
constexpr uint32_t kErrorAccessDenied = 5;      // ERROR_ACCESS_DENIED
constexpr uint32_t kErrorSharingViolation = 32; // ERROR_SHARING_VIOLATION
constexpr uint32_t kErrorDiskFull = 112;        // ERROR_DISK_FULL
constexpr uint32_t kErrorAlreadyExists = 183;   // ERROR_ALREADY_EXISTS
// ERROR_FILENAME_EXCED_RANGE: a name, or a command line, that does not fit.
constexpr uint32_t kErrorCommandLineTooLong = 206;
// ERROR_ELEVATION_REQUIRED: a program that asks for administrator rights
// cannot be started without the shell's prompt.
constexpr uint32_t kErrorElevationRequired = 740;
// ERROR_CANCELLED: the player said no to the administrator prompt.
constexpr uint32_t kErrorCancelled = 1223;
