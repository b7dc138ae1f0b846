"""Compares the members the registered type library lists (written by tavlora-com-client) with the
pinned IDL: the same interfaces, dispatch identifiers, kinds and names, in the same order.
Usage: /usr/bin/python3 check_listing.py Tavlora.idl LISTING"""
import re
import sys

INTERFACE = re.compile(r"^\s*interface\s+(\w+)\s*:\s*IDispatch")
# A member's attributes stand on the line before its declaration.
ATTRIBUTES = re.compile(r"^\s*\[id\((0x[0-9A-Fa-f]+)\)(?:,\s*(propputref|propget|propput))?")
DECLARATION = re.compile(r"^\s*HRESULT\s+(\w+)\(")


def pinned(idl_path):
    members = []
    interface = None
    attributes = None
    with open(idl_path, encoding="utf-8") as idl:
        for line in idl:
            found = INTERFACE.match(line)
            if found:
                interface = found.group(1)
                continue
            found = ATTRIBUTES.match(line)
            if found:
                attributes = found
                continue
            found = DECLARATION.match(line)
            if found and interface and attributes:
                members.append("%s 0x%08X %s %s" % (interface, int(attributes.group(1), 16),
                                                    attributes.group(2) or "method", found.group(1)))
                attributes = None
    return members


def main():
    expected = pinned(sys.argv[1])
    with open(sys.argv[2], encoding="utf-8") as listing:
        actual = [line.strip() for line in listing if line.strip()]
    if not expected:
        sys.exit("check_listing: no members found in %s" % sys.argv[1])
    for index, (want, got) in enumerate(zip(expected, actual)):
        if want != got:
            sys.exit("check_listing: member %d differs: IDL %r, type library %r" % (index, want, got))
    if len(expected) != len(actual):
        sys.exit("check_listing: IDL has %d members, the type library %d" % (len(expected), len(actual)))
    print("type library: %d members as pinned" % len(actual))


if __name__ == "__main__":
    main()
