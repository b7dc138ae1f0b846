#pragma once
#include <cstdint>
#include <memory>

#include "com/Dispatch.h"
#include "data/XmlNode.h"

namespace tavlora::data {

// The nodes a query selected, in document order, with a cursor for reset/nextNode. It keeps its
// document alive.
class XmlNodeList final : public com::Dispatch {
public:
    XmlNodeList(XmlTree tree, pugi::xpath_node_set nodes);

    int32_t length() const { return static_cast<int32_t>(nodes_.size()); }
    // Position from 0; the null node when out of range.
    XmlNode item(int32_t index) const;
    void reset() { cursor_ = 0; }
    // The next node, or the null node (== nullptr) after the last one.
    XmlNode nextNode();

    const com::DispatchTable& dispatchTable() const override;
    // This list as an automation object; it must be owned by a shared_ptr.
    com::Variant toVariant() const;

private:
    XmlTree tree_;
    pugi::xpath_node_set nodes_;
    size_t cursor_ = 0;
};

using XmlNodeListPtr = std::shared_ptr<XmlNodeList>;

// The node list an automation client passed in a Variant. Empty, Nothing and a missing argument
// give nullptr; anything else is a type mismatch.
XmlNodeListPtr xmlNodeListFromVariant(const com::Variant& value);

}  // namespace tavlora::data
