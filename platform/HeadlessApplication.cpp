#include "platform/HeadlessApplication.h"

#include <chrono>
#include <iostream>

void THeadlessApplication::Run() {
  while (!terminated_) {
    queue_.ProcessMessages();
    if (terminated_) break;
    queue_.WaitForMessages(std::chrono::milliseconds(100));
  }
}

void THeadlessApplication::Terminate() {
  terminated_ = true;
  // Wake a loop that sleeps in Run.
  queue_.Post([] {});
}

int THeadlessApplication::MessageBox(const std::string& text, const std::string& caption,
                                     uint32_t flags) {
  lastText_ = text;
  lastCaption_ = caption;
  lastFlags_ = flags;
  ++messageBoxes_;
  std::cerr << caption << ": " << text << '\n';
  return 1;  // OK
}

void THeadlessApplication::ShowException(const std::exception& error) {
  shownErrors_.push_back(error.what());
  std::cerr << title_ << ": " << error.what() << '\n';
}
