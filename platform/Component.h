#pragma once

// The base of the non-visual components that a window owns: it remembers its owner. The owner holds
// its components (for instance in a std::unique_ptr) and destroys them before it goes away itself.
class TComponent {
 public:
  explicit TComponent(TComponent* owner) : owner_(owner) {}
  virtual ~TComponent() = default;

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // The component that owns this one; null for a component that stands alone.
  TComponent* Owner() const { return owner_; }

 private:
  TComponent* owner_;
};
