#pragma once

#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/MessageQueue.h"

// An application object without a window system: the message loop runs the posted jobs until
// Terminate, message boxes and errors go to the standard error stream. For tests and console runs.
class THeadlessApplication : public IApplication {
 public:
  void Initialize() override {}
  void SetTitle(const std::string& title) override { title_ = title; }
  const std::string& Title() const override { return title_; }
  void Run() override;
  void Terminate() override;
  bool Terminated() const override { return terminated_; }
  IMainThread& MainThread() override { return queue_; }
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  void ProcessWindowEvents() override {}
  void ShowException(const std::exception& error) override;

  // What the last message box showed (tests look at it).
  const std::string& LastMessageText() const { return lastText_; }
  const std::string& LastMessageCaption() const { return lastCaption_; }
  uint32_t LastMessageFlags() const { return lastFlags_; }
  int MessageBoxCount() const { return messageBoxes_; }
  // The errors shown through ShowException, in order.
  const std::vector<std::string>& ShownErrors() const { return shownErrors_; }

 private:
  TMessageQueue queue_;
  std::string title_;
  bool terminated_ = false;
  std::string lastText_;
  std::string lastCaption_;
  uint32_t lastFlags_ = 0;
  int messageBoxes_ = 0;
  std::vector<std::string> shownErrors_;
};
