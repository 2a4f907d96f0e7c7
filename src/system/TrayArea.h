// Windows only: makes the taskbar drop notification icons of processes that have ended.
#pragma once

namespace sys {

void RefreshTrayArea();

}  // namespace sys
