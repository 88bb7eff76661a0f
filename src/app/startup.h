// CQobApp: starting the program. In order: the start-up values, the
// language table, the single-instance check, adapting to Windows PE or an
// installed Windows, then the main window as a modal dialog.
#pragma once

namespace app {

class CQobApp {
 public:
  // Runs the program; returns false as the application object does when
  // its initialisation ends (the main window closed, or a second copy).
  bool InitInstance();
  // The steps before the main window, for tests and the console: false
  // when the program must end at once (another copy runs).
  bool Prepare();
};

}  // namespace app
