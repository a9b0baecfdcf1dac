#pragma once
#include <windows.h>

#include <cstdint>

#include "platform/win/GdiplusHandles.h"

// A GDI+ bitmap decoded from PNG resource (2020, id) of instance, through a
// stream over a movable copy of its bytes (the stream frees the copy, and
// GDI+ keeps the stream while the image lives). Empty when the resource is
// missing or cannot be decoded. GDI+ must be running.
ScopedGpImage DecodeResourceImage(HINSTANCE instance, uint16_t id);
