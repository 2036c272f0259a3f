#pragma once
// A process-wide object made on first use, by whichever thread asks first, and never
// destroyed, so that it still serves during static destruction.
//
// In place of a function-local static: the installer is built without exceptions, and the
// guard the compiler puts around such a static's initialisation would link the exception
// runtime back in (cmake/InstallerCode.cmake). INIT_ONCE is as safe between threads.
#include <windows.h>

template <class T> class BuiltOnce {
public:
    static T& Get() {
        void* object = nullptr;
        InitOnceExecuteOnce(&s_once, Build, nullptr, &object);
        return *static_cast<T*>(object);
    }

private:
    static BOOL CALLBACK Build(PINIT_ONCE, PVOID, PVOID* object) {
        *object = new T();
        return TRUE;
    }
    // Zero-filled before any code runs: nothing to guard.
    static inline INIT_ONCE s_once = INIT_ONCE_STATIC_INIT;
};
