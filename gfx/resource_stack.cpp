#include "gfx/resource_stack.h"

#include <cstring>

#include "platform/win32.h"

int findEntry(const std::vector<const char*>& names, const char* name) {
    if (name) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] && std::strcmp(names[i], name) == 0)
                return (int)i;
    }
    MessageBoxA(nullptr, name ? name : "(null)", "No Match", MB_OK);
    return -1;
}
