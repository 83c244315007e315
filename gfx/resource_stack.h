// The named list under the effect, texture and mesh libraries: entries in registration order,
// looked up by exact name, the first registration winning.
#pragma once

#include <cstddef>
#include <vector>

// Index of the first name equal to `name` (byte for byte, with case), or -1 after showing the
// "No Match" box with the searched name.
int findEntry(const std::vector<const char*>& names, const char* name);

template <class T>
struct ResourceStack {
    // Names and paths point at strings the registering code keeps alive for the whole run.
    std::vector<const char*> names;
    std::vector<const char*> paths;  // only the texture library fills it
    std::vector<T*> objects;         // owned by the library

    // The object of the first entry named `name`; null when none matches (after the "No Match"
    // box) or when the entry currently holds no object.
    T* find(const char* name) const {
        const int index = findEntry(names, name);
        if (index < 0 || (std::size_t)index >= objects.size())
            return nullptr;
        return objects[(std::size_t)index];
    }
};
