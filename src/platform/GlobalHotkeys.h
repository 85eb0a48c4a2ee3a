#pragma once
// System-wide hotkeys of the main window. A press arrives on the main thread, through its
// message loop, as the id it was registered under.
#include <functional>

#include "platform/Hotkey.h"

namespace lumivane {

class IGlobalHotkeys {
 public:
  enum class Result {
    Registered,
    Taken,  // another program holds the combination
    Failed, // refused for any other reason
  };
  using Handler = std::function<void(int id)>;

  virtual ~IGlobalHotkeys() = default;
  // Called for each press of a hotkey registered here; held keys repeat. nullptr: none.
  virtual void SetHandler(Handler handler) = 0;
  // id: 1 to 0xBFFF. A hotkey already under id is replaced (released first).
  virtual Result Register(int id, const Hotkey& hotkey) = 0;
  // Releasing an id that holds nothing does nothing.
  virtual void Unregister(int id) = 0;
};

} // namespace lumivane
