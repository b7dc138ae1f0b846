#pragma once
#include <cstddef>

#include <pugixml.hpp>

// pugixml parses documents of any depth without recursion, but frees a removed subtree
// (remove_child) recursively, and so does our own code that walks a tree: a small hostile part
// nested a few hundred thousand levels deep overflows the stack. Every document read from outside
// is measured once after parsing and refused when it nests deeper than any real one does.
namespace tavlora::base {

// No part of a workbook, nor a data document, comes near this; a thousand levels leave ample stack
// for recursion over the tree even under the sanitizers.
constexpr size_t kMaxXmlDepth = 1000;

// True when some node below `root` lies more than `limit` levels beneath it. Iterative, so it is
// safe for documents of any depth.
bool nestsDeeperThan(pugi::xml_node root, size_t limit = kMaxXmlDepth);

}  // namespace tavlora::base
