#include "gfx/diagnostics.h"

#include <cstdio>

namespace {

// The text for a result code, with %s standing for the detail. Compared as exact 32-bit values.
const char* resultFormat(HRESULT result) {
    switch ((uint32_t)result) {
    case 0x8876086Cu:
        return "InvalidCall With %s";
    case 0x8007000Eu:
        return "OutOfMemory With %s";
    case 0x8876017Cu:
        return "OutOfVideoMemory With %s";
    case 0x88760B59u:
        return "InvalidData With %s";
    default:
        return "No Case With %s - Everything Should Be Fine";
    }
}

}  // namespace

int reportResult(HRESULT result, const char* caption, const char* detail) {
    char text[kMessageTextSize];
    std::snprintf(text, sizeof text, resultFormat(result), detail ? detail : "");
    return MessageBoxA(nullptr, text, caption, MB_OK);
}
