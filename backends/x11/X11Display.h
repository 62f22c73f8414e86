#pragma once

#include <cstdint>
#include <string>

// Xlib's types, declared here so that this header does not pull in Xlib's macros (None, Bool,
// Status, ...) which clash with other libraries.
typedef struct _XDisplay Display;
using TXWindow = unsigned long;

// One connection to the X server, opened once and owned for the program's lifetime. Errors the
// server reports on it are recorded (see TX11ErrorTrap) instead of ending the process, which is
// what Xlib does by default.
class TX11Display {
 public:
  // Opens the display named by $DISPLAY. Raises Exception when it cannot be opened.
  TX11Display();
  // Opens the named display (":57", "host:0"). Raises Exception when it cannot be opened.
  explicit TX11Display(const std::string& name);
  ~TX11Display();

  TX11Display(const TX11Display&) = delete;
  TX11Display& operator=(const TX11Display&) = delete;

  Display* Handle() const { return display_; }
  int Screen() const;
  TXWindow Root() const;

  // Reads the events the server has sent to this connection (keyboard mapping and screen
  // configuration changes, which the users of the connection asked for) and answers a number that
  // grows whenever any arrived. Each user keeps the number it last saw, and refreshes what it
  // derived from the server when the number has changed. Costs no round trip.
  uint64_t ChangeCount();

  // Number of errors the server has reported on this connection so far (those already read).
  uint64_t ErrorCount() const;
  // A readable description of the most recent error, or "" when there was none.
  std::string LastErrorText() const;

 private:
  void Open(const char* name);

  Display* display_ = nullptr;
  uint64_t changes_ = 0;
};

// Tells whether requests made on a connection since the trap was set have failed:
//   TX11ErrorTrap trap(display);
//   XDoSomething(...);
//   if (trap.SyncFailed()) ...
class TX11ErrorTrap {
 public:
  explicit TX11ErrorTrap(TX11Display& display);

  // Waits until the server has handled every request made so far, then tells whether any error
  // arrived since the trap was set.
  bool SyncFailed();
  // Tells whether an error has arrived since the trap was set, without waiting for the server.
  // Right for requests with a reply, whose error has been read by the time the call returns.
  bool Failed() const;
  // The most recent error's text, for messages.
  std::string ErrorText() const;

 private:
  TX11Display& display_;
  uint64_t errorsAtStart_;
};
