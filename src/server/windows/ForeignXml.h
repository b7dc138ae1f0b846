#pragma once
#include <oaidl.h>
#include <windows.h>

#include <optional>

#include "com/Variant.h"

// An XML node or node list of the caller's own XML component, read through late binding with the
// members the fillers use (nodeType, nodeName, text, attributes, selectNodes, length, item) and
// copied into a document of the library's: the fillers then query the copy. A node's elements,
// attributes and text are copied; comments, processing instructions and the text between child
// elements are not, and a query cannot climb above the nodes that were handed in.
namespace tavlora::server::windows {

// The copy as the library's node or node list; nothing when `object` answers neither as a node
// (nodeType, nodeName, selectNodes) nor as a node list (length, item). Errors of the caller's
// objects come back as com::Error.
std::optional<com::Variant> copyForeignXml(IDispatch* object);

}  // namespace tavlora::server::windows
