#pragma once
#include <oaidl.h>
#include <windows.h>

namespace tavlora::server::windows {

// A VARIANT that is cleared when it goes out of scope.
struct HeldVariant {
    VARIANT value;
    HeldVariant() { VariantInit(&value); }
    explicit HeldVariant(VARIANT v) : value(v) {}
    ~HeldVariant() { VariantClear(&value); }
    HeldVariant(const HeldVariant&) = delete;
    HeldVariant& operator=(const HeldVariant&) = delete;
};

}  // namespace tavlora::server::windows
