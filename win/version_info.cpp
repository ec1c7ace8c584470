#include "win/version_info.h"

#include "win/module_resource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace win {
namespace {

// One node of the version tree: a length, a value length, a type, a UTF-16
// key, the value and the child nodes, each part aligned to 4 bytes from the
// start of the block.
struct Node {
    std::wstring key;
    size_t value = 0;        // offset of the value
    size_t valueBytes = 0;   // bytes of the value that lie inside the node
    size_t children = 0;     // offset of the first child
    size_t end = 0;          // offset just past the node
};

size_t Align4(size_t offset) {
    return (offset + 3) & ~static_cast<size_t>(3);
}

uint16_t ReadWord(const uint8_t* data, size_t offset) {
    uint16_t word;
    std::memcpy(&word, data + offset, sizeof word);
    return word;
}

// Reads the node at OFFSET, which must lie within [OFFSET, LIMIT).
bool ReadNode(const uint8_t* data, size_t offset, size_t limit, Node& node) {
    if (offset + 6 > limit) {
        return false;
    }
    const size_t length = ReadWord(data, offset);
    const size_t valueLength = ReadWord(data, offset + 2);
    const bool text = ReadWord(data, offset + 4) == 1;
    if (length < 6 || offset + length > limit) {
        return false;
    }
    node.end = offset + length;
    node.key.clear();
    size_t at = offset + 6;
    for (;; at += 2) {
        if (at + 2 > node.end) {
            return false;
        }
        const wchar_t c = static_cast<wchar_t>(ReadWord(data, at));
        if (c == L'\0') {
            break;
        }
        node.key.push_back(c);
    }
    node.value = Align4(at + 2);
    const size_t wanted = text ? valueLength * 2 : valueLength;
    node.valueBytes = node.value >= node.end ? 0 : std::min(wanted, node.end - node.value);
    node.children = Align4(node.value + node.valueBytes);
    return true;
}

// The child of PARENT called KEY (an empty KEY takes the first child).
bool FindChild(const uint8_t* data, const Node& parent, const std::wstring& key, Node& child) {
    for (size_t at = parent.children; at < parent.end; at = Align4(child.end)) {
        if (!ReadNode(data, at, parent.end, child)) {
            return false;
        }
        if (key.empty() || child.key == key) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::wstring ParseVersionString(const void* data, size_t size, const wchar_t* name) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    Node root, strings, table, entry;
    if (bytes == nullptr || !ReadNode(bytes, 0, size, root) || root.key != L"VS_VERSION_INFO" ||
        !FindChild(bytes, root, L"StringFileInfo", strings) || !FindChild(bytes, strings, L"", table) ||
        !FindChild(bytes, table, name, entry)) {
        return {};
    }
    std::wstring value;
    for (size_t at = entry.value; at + 2 <= entry.value + entry.valueBytes; at += 2) {
        const wchar_t c = static_cast<wchar_t>(ReadWord(bytes, at));
        if (c == L'\0') {
            break;
        }
        value.push_back(c);
    }
    return value;
}

std::wstring ReadVersionString(HMODULE module, const wchar_t* name) {
    const ModuleResource info = ReadModuleResource(module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1));  // RT_VERSION
    if (!info) {
        return {};
    }
    return ParseVersionString(info.data, info.size, name);
}

}  // namespace win
