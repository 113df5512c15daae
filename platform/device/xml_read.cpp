#include "xml_read.h"

#include <expat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace watch {
namespace xml {

namespace {

struct Reader {
    XML_Parser parser;
    Node* root;
    int depth = 0;
    bool textOpen = false; // the root's last child is text that more data extends

    int Line() const { return static_cast<int>(XML_GetCurrentLineNumber(parser)); }
};

void OnStart(void* data, const XML_Char* name, const XML_Char** attrs) {
    Reader* r = static_cast<Reader*>(data);
    const int depth = r->depth++;
    if (depth > 1)
        return;
    Node* node = r->root;
    if (depth == 1) {
        r->root->children.emplace_back();
        node = &r->root->children.back();
        r->textOpen = false;
    }
    node->name = name;
    node->line = r->Line();
    for (int i = 0; attrs[i] && attrs[i + 1]; i += 2)
        node->attrs[attrs[i]] = attrs[i + 1];
}

void OnEnd(void* data, const XML_Char*) {
    Reader* r = static_cast<Reader*>(data);
    --r->depth;
    r->textOpen = false;
}

void OnText(void* data, const XML_Char* s, int len) {
    Reader* r = static_cast<Reader*>(data);
    if (r->depth != 1)
        return;
    if (!r->textOpen) {
        r->root->children.emplace_back();
        Node& node = r->root->children.back();
        node.text = true;
        node.blank = true;
        node.line = r->Line();
        r->textOpen = true;
    }
    Node& node = r->root->children.back();
    for (int i = 0; i < len && node.blank; ++i)
        node.blank = strchr(" \t\r\n", s[i]) != nullptr && s[i] != '\0';
}

void OnComment(void* data, const XML_Char*) {
    static_cast<Reader*>(data)->textOpen = false;
}

void OnInstruction(void* data, const XML_Char* target, const XML_Char*) {
    Reader* r = static_cast<Reader*>(data);
    if (r->depth != 1)
        return;
    r->root->children.emplace_back();
    r->root->children.back().name = std::string("?") + target;
    r->root->children.back().line = r->Line();
    r->textOpen = false;
}

} // namespace

bool ReadFile(const std::string& path, Node* root, std::string* fault) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *fault = std::string(" ") + strerror(errno);
        return false;
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) {
        close(fd);
        *fault = " out of memory";
        return false;
    }
    Node node;
    Reader reader{parser, &node};
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    XML_SetCommentHandler(parser, OnComment);
    XML_SetProcessingInstructionHandler(parser, OnInstruction);
    bool ok = true;
    for (;;) {
        char buffer[16384];
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *fault = std::string(" ") + strerror(errno);
            ok = false;
            break;
        }
        if (XML_Parse(parser, buffer, static_cast<int>(n), n == 0) != XML_STATUS_OK) {
            *fault = std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
                     XML_ErrorString(XML_GetErrorCode(parser));
            ok = false;
            break;
        }
        if (n == 0)
            break;
    }
    XML_ParserFree(parser);
    close(fd);
    if (ok)
        *root = std::move(node);
    return ok;
}

} // namespace xml
} // namespace watch
