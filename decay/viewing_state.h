// Whether anyone can see the saver: a locked session, a session no console or remote desktop
// is connected to, and a display that is off all hide it. The window feeds in what the system
// reports; the decay ticks only while the answer is yes. Pure logic.
#pragma once

namespace zarnik {

class ViewingState {
 public:
  // The session events the system reports (WM_WTSSESSION_CHANGE), by their numbers.
  static constexpr int kConsoleConnect = 1;
  static constexpr int kConsoleDisconnect = 2;
  static constexpr int kRemoteConnect = 3;
  static constexpr int kRemoteDisconnect = 4;
  static constexpr int kSessionLock = 7;
  static constexpr int kSessionUnlock = 8;
  // The display's states (the power setting's value): off, on, dimmed.
  static constexpr int kDisplayOff = 0;
  static constexpr int kDisplayOn = 1;
  static constexpr int kDisplayDimmed = 2;

  // An event of any other number changes nothing.
  void OnSessionEvent(int event);
  // A dimmed display is still seen; a state of any other number changes nothing.
  void OnDisplayState(int state);

  // Whether the decay should tick: the session unlocked and connected, the display not off.
  bool Ticks() const { return !locked_ && !disconnected_ && !display_off_; }

 private:
  bool locked_ = false;
  bool disconnected_ = false;
  bool display_off_ = false;
};

}  // namespace zarnik
