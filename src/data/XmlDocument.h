#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "com/Dispatch.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"

namespace tavlora::data {

// An XML document loaded from a file or a text. Loading never reads anything but the named file:
// a DOCTYPE is skipped, no DTD is fetched, and a document that declares entities in its DOCTYPE is
// refused (its references could not be replaced without the DTD). Files in UTF-8, UTF-16 and
// UTF-32 (with a byte order mark or as the declaration says) and in the legacy encodings a
// declaration names (Shift_JIS, GBK, Big5, ISO-8859-x, windows-125x, ...) are read.
//
// Each load starts a new tree; nodes taken from an earlier load stay valid and keep that tree.
class XmlDocument final : public com::Dispatch {
public:
    XmlDocument() = default;

    // False when the file is missing or unreadable, or the text is not a well-formed document
    // (one root element, matching tags, well-formed characters of its encoding, no attribute
    // twice on an element, no entity declarations). A failed load leaves the document empty.
    bool load(const std::string& path);
    bool loadXml(std::string_view text);
    // Why the last load failed ("" after a successful one), for the caller's failure reason.
    const std::string& loadError() const { return loadError_; }

    // The root element; the null node before a successful load.
    XmlNode documentElement() const;
    // The document node itself (context for absolute queries); null before a successful load.
    XmlNode documentNode() const;
    // XPath 1.0 with the document node as context. Not loaded: error 91.
    XmlNodeListPtr selectNodes(std::string_view query) const;

    const com::DispatchTable& dispatchTable() const override;

private:
    bool parse(std::string utf8);
    bool refuseLoad(std::string reason);

    XmlTree tree_;
    std::string loadError_;
};

using XmlDocumentPtr = std::shared_ptr<XmlDocument>;

}  // namespace tavlora::data
