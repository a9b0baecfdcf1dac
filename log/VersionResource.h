#pragma once
#include <cstdint>
#include <string>
#include <vector>

// RT_VERSION and the number of the program's version resource.
constexpr uint16_t kVersionResourceType = 16;
constexpr uint16_t kVersionResourceId = 1;

// What the log tells of the program's own version resource.
struct ProgramVersion {
    std::wstring productName;  // "ProductName" of the string table, may be empty
    std::wstring fileVersion;  // the fixed file version, "1.0.0.1"
};

// Reads the bytes of a version resource (VS_VERSIONINFO). False when they
// hold no fixed file information.
bool ReadVersionResource(const std::vector<uint8_t>& bytes, ProgramVersion& version);
