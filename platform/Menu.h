#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One item of the window's menu: a caption ("&" marks the accelerator, "-" is a separator line), a
// check mark, an enabled state, a click handler and sub-items. The desktop backend renders the tree
// and keeps its widgets in step through OnChange.
class TMenuItem {
 public:
  TMenuItem(std::string name, std::string caption, std::function<void()> onClick = {})
      : name_(std::move(name)), caption_(std::move(caption)), onClick_(std::move(onClick)) {}

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  bool IsSeparator() const { return caption_ == "-"; }

  bool Checked() const { return checked_; }
  void SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Changed();
  }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Changed();
  }

  // Runs the click handler, if any.
  void Click() {
    if (onClick_) onClick_();
  }

  TMenuItem& Add(std::unique_ptr<TMenuItem> item) {
    items_.push_back(std::move(item));
    return *items_.back();
  }
  const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return items_; }

  // Set by the backend; called after the check mark or the enabled state changed.
  std::function<void(const TMenuItem&)> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(*this);
  }

  std::string name_;
  std::string caption_;
  std::function<void()> onClick_;
  bool checked_ = false;
  bool enabled_ = true;
  std::vector<std::unique_ptr<TMenuItem>> items_;
};
