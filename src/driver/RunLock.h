// One installer run at a time in a session. A second installer started while one runs would
// recreate the working folder under the first one's feet; it brings the running one's window to
// the front instead and ends.
#pragma once

#include "system/Win32Handles.h"

class CRunLock {
public:
    // Takes the session's installer lock (again a no-op while held); false when another process
    // holds it. A lock left by a process that ended without releasing it is taken over.
    bool Acquire();
    void Release();
    bool Held() const { return m_held; }

    // Brings a visible top-level window of the process that holds the lock to the front; false
    // when the holder shows none (yet).
    static bool ShowHolder();

private:
    sys::UniqueHandle m_mutex;
    sys::UniqueHandle m_owner;  // the holder's process id, for ShowHolder
    bool m_held = false;
};
