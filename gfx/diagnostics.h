// Reporting of failed Direct3D and D3DX calls, and the fixed sizes of formatted message texts.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// Formatted message-box texts are built into buffers of this size (63 characters and a NUL);
// longer texts are cut.
inline constexpr std::size_t kMessageTextSize = 64;
// The caption of a shader-compilation failure, which carries the effect file's path.
inline constexpr std::size_t kCompileCaptionSize = 164;

// Shows the result code of a failed creation call as a short text naming the failure, with
// `detail` (the object or file concerned) filled in, under `caption`. Returns the box's answer.
int reportResult(HRESULT result, const char* caption, const char* detail);
