#pragma once
// Small helpers shared by the reports of this layer.

#include "Format.h"  // CutToChars, used by the reports of this layer

namespace dedodiz {

// Tells whether the computation within its lifetime raised a floating-point fault, so that a
// calculation can store nothing and write nothing after a fault. It does not disturb the guard
// around the command: faults raised before it are raised again when it ends, and a fault raised
// within it stays raised, so the command's RunGuarded still reports it as "ERROR".
class FaultScope {
  public:
    FaultScope();
    ~FaultScope();
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;

    [[nodiscard]] bool Faulted() const;

  private:
    int raisedBefore_;
};

}  // namespace dedodiz
