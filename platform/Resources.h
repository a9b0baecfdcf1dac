#pragma once
#include <cstdint>
#include <vector>

// The program's own resources.
class IResources {
public:
    virtual ~IResources() = default;

    // Copies the bytes of resource (type, id) of the program's own module.
    // False when the resource is missing or cannot be loaded.
    virtual bool Load(uint16_t type, uint16_t id, std::vector<uint8_t>& bytes) = 0;
};

// The program's own resource type for the configuration and the skin images.
constexpr uint16_t kResourceType = 2020;
constexpr uint16_t kConfigResourceId = 201;
