#include "data/XmlNodeList.h"

namespace tavlora::data {

XmlNodeList::XmlNodeList(XmlTree tree, pugi::xpath_node_set nodes) : tree_(std::move(tree)), nodes_(std::move(nodes)) {}

XmlNode XmlNodeList::item(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= nodes_.size()) return {};
    return XmlNode(tree_, nodes_[static_cast<size_t>(index)]);
}

XmlNode XmlNodeList::nextNode() {
    if (cursor_ >= nodes_.size()) return {};
    return XmlNode(tree_, nodes_[cursor_++]);
}

}  // namespace tavlora::data
