#include "decay/viewing_state.h"

namespace zarnik {

void ViewingState::OnSessionEvent(int event) {
  switch (event) {
    case kSessionLock: locked_ = true; break;
    case kSessionUnlock: locked_ = false; break;
    // The session is shown wherever it is connected: at the console or on a remote desktop.
    case kConsoleDisconnect:
    case kRemoteDisconnect: disconnected_ = true; break;
    case kConsoleConnect:
    case kRemoteConnect: disconnected_ = false; break;
    default: break;
  }
}

void ViewingState::OnDisplayState(int state) {
  if (state == kDisplayOff) display_off_ = true;
  else if (state == kDisplayOn || state == kDisplayDimmed) display_off_ = false;
}

}  // namespace zarnik
