#pragma once
#include <objbase.h>
#include <windows.h>

#include <atomic>

// The reference counting every object this module hands out shares, and the module's count of
// those objects: the object runtime unloads the DLL only when nothing it handed out is alive.
namespace tavlora::server::windows {

// The objects and class factories alive, and the locks the callers hold: the module may unload
// when this is zero.
long liveServerObjects();
void addServerObject();
void releaseServerObject();

// IUnknown's AddRef and Release for a class implementing Interfaces, with one count behind all of
// them. It starts with the creator's reference, is part of the module's count while it lives and
// deletes itself as Derived when the last reference goes, so it must be made with new.
template <class Derived, class... Interfaces>
class CountedObject : public Interfaces... {
public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    CountedObject() { addServerObject(); }
    ~CountedObject() { releaseServerObject(); }

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace tavlora::server::windows
