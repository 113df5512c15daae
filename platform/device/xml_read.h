// A small XML reader for the platform's own files (package manifests, theme tables): the
// root element and its direct children, the rest of the tree skipped. Built on expat,
// which never fetches anything from outside the file.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace watch {
namespace xml {

struct Node {
    std::string name; // element name, or the target of a processing instruction
    int line = 0;
    std::map<std::string, std::string> attrs;
    bool text = false;          // character data between the root's children
    bool blank = false;         // text of white space only
    std::vector<Node> children; // the root's only
};

// Reads path into root. False on a file that cannot be read or is not well-formed XML,
// with "LINE: reason" (or ": reason" when no line applies) in fault.
bool ReadFile(const std::string& path, Node* root, std::string* fault);

} // namespace xml
} // namespace watch
