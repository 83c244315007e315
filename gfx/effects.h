// The effect library: compiled D3DX effects registered under short names, with a current
// effect that drawing code selects by name and brackets with begin/end around its draws.
#pragma once

#include "gfx/resource_stack.h"
#include "platform/d3dx9effect.h"

struct Effects : ResourceStack<ID3DXEffect> {
    // Name of the current effect; null until first set.
    const char* currentRef = nullptr;

    Effects() = default;
    Effects(const Effects&) = delete;
    Effects& operator=(const Effects&) = delete;
    ~Effects();

    // Compiles and registers each (path, name) pair of a null-terminated list. A failed
    // compile shows the compiler's messages and waits for Y (clear and compile the whole list
    // again) or N (give up the rest of the list).
    void compile(const char* const list[]);
    void setCurrentRef(const char* name) { currentRef = name; }
    // The current effect, or null (without a lookup) while no current name is set.
    ID3DXEffect* current() const;
    // Starts the effect named `ref` (the current one when null) at pass index `pass`.
    void begin(unsigned pass, const char* ref);
    // Ends the pass and the effect named `ref` (the current one when null).
    void end(const char* ref);
    // Removes and releases every effect.
    void clear();
    int size() const { return (int)objects.size(); }
    // Development build: rebuilds this library from kMainEffectList and prints its size.
    void recompileAllEffects();
};

// The main effect files: "general", "backgroundfx", "part1", as a registration list.
extern const char* const kMainEffectList[];

extern Effects mainEffects;  // the screen quad's "general" and the scenes' effects
extern Effects headEffects;  // the head scene's "pig"
