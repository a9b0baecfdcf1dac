#pragma once

class IEnvironment;
class IResources;
class IRegistry;

// The platform seams the application uses, filled once by the entry point
// with the real implementations and by tests with fakes. None is owned here.
struct Platform {
    IEnvironment* environment = nullptr;
    IResources* resources = nullptr;
    IRegistry* registry = nullptr;
};
