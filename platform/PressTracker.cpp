#include "platform/PressTracker.h"

#include <algorithm>
#include <exception>

namespace {

struct TButtonFlags {
  uint32_t down;
  uint32_t up;
};

// In the order a single call carries them out.
constexpr TButtonFlags kButtons[] = {
    {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
    {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
};

uint32_t UpFlagOf(uint32_t downFlag) {
  for (const auto& button : kButtons) {
    if (button.down == downFlag) return button.up;
  }
  return 0;
}

}  // namespace

void TPressTracker::mouse_event(uint32_t flags, int32_t dx, int32_t dy) {
  inner_.mouse_event(flags, dx, dy);
  for (const auto& button : kButtons) {
    if (flags & button.down) Pressed({true, button.down});
    if (flags & button.up) Released({true, button.down});
  }
}

void TPressTracker::keybd_event(uint8_t vk, uint32_t flags) {
  inner_.keybd_event(vk, flags);
  if (flags & KEYEVENTF_KEYUP) {
    Released({false, vk});
  } else {
    Pressed({false, vk});
  }
}

void TPressTracker::ReleaseAll() {
  std::vector<TPress> pressed;
  pressed.swap(down_);
  std::exception_ptr firstError;
  for (auto it = pressed.rbegin(); it != pressed.rend(); ++it) {
    try {
      SendRelease(*it);
    } catch (...) {
      if (!firstError) firstError = std::current_exception();
    }
  }
  if (firstError) std::rethrow_exception(firstError);
}

bool TPressTracker::KeyDown(uint8_t vk) const {
  return IsDown({false, vk});
}

bool TPressTracker::ButtonDown(uint32_t button) const {
  return IsDown({true, button});
}

void TPressTracker::Pressed(TPress press) {
  if (!IsDown(press)) down_.push_back(press);  // a repeated press is still one press
}

void TPressTracker::Released(TPress press) {
  std::erase(down_, press);
}

bool TPressTracker::IsDown(TPress press) const {
  return std::find(down_.begin(), down_.end(), press) != down_.end();
}

void TPressTracker::SendRelease(TPress press) {
  if (press.isButton) {
    inner_.mouse_event(UpFlagOf(press.code), 0, 0);
  } else {
    inner_.keybd_event(static_cast<uint8_t>(press.code), KEYEVENTF_KEYUP);
  }
}
