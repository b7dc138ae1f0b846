#pragma once
#include <oaidl.h>
#include <windows.h>

#include "com/Dispatch.h"

// One of the library's objects as the object runtime sees it: IDispatch over its dispatch table,
// with the type information of the registered type library and rich errors (ISupportErrorInfo).
namespace tavlora::server::windows {

// A new reference (count 1) to an IDispatch over `object`; never nullptr for an object.
IDispatch* wrapObject(const com::ObjectPtr& object);
// The library's object behind an IDispatch this module made; nullptr for any other object.
com::ObjectPtr unwrapObject(IDispatch* object);

}  // namespace tavlora::server::windows
