#include "base/XmlDepth.h"

namespace tavlora::base {

bool nestsDeeperThan(pugi::xml_node root, size_t limit) {
    size_t depth = 0;
    pugi::xml_node node = root.first_child();
    if (node) depth = 1;
    while (node) {
        if (depth > limit) return true;
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            ++depth;
            continue;
        }
        while (node && node != root && !node.next_sibling()) {
            node = node.parent();
            --depth;
        }
        if (!node || node == root) break;
        node = node.next_sibling();
    }
    return false;
}

}  // namespace tavlora::base
