// A scanner over the update list's markup, one pass, no recursion.
#include "installer/core/TagTree.h"

#include <cwchar>
#include <new>

namespace {

constexpr size_t kMaxNameUnits = 256;

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

wchar_t LowerAscii(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
}

bool SameName(const std::wstring& a, const wchar_t* b) {
  size_t n = wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Reads up to (not including) any of stops or the end.
std::wstring ReadUntil(const wchar_t*& p, const wchar_t* stops, size_t limit) {
  const wchar_t* start = p;
  while (*p && !wcschr(stops, *p)) ++p;
  size_t n = static_cast<size_t>(p - start);
  return std::wstring(start, n < limit ? n : limit);
}

// Attributes after a blank, up to ">" or "/>": name "=" value, the value in
// double quotes or up to the next blank.
void ReadAttributes(const wchar_t*& p, TagNode* node) {
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p || *p == L'>' || (*p == L'/' && p[1] == L'>')) return;
    std::wstring name = ReadUntil(p, L"= \t\r\n/>", kMaxNameUnits);
    while (IsBlank(*p)) ++p;
    std::wstring value;
    if (*p == L'=') {
      ++p;
      while (IsBlank(*p)) ++p;
      if (*p == L'"') {
        ++p;
        value = ReadUntil(p, L"\"", std::wstring::npos);
        if (*p == L'"') ++p;
      } else {
        value = ReadUntil(p, L" \t\r\n>", std::wstring::npos);
      }
    } else if (name.empty()) {
      ++p;  // a stray unit such as a lone "/" is passed over
      continue;
    }
    node->attributes.emplace_back(std::move(name), std::move(value));
  }
}

void AppendChild(TagNode* parent, TagNode* child) {
  child->parent = parent;
  if (parent->lastChild) {
    parent->lastChild->next = child;
  } else {
    parent->firstChild = child;
  }
  parent->lastChild = child;
}

}  // namespace

TagNode* ParseTagTree(const wchar_t* text) {
  auto* document = new (std::nothrow) TagNode;
  if (!document || !text) return document;
  TagNode* open = document;
  int depth = 0;
  const wchar_t* p = text;
  while (*p) {
    if (*p != L'<') {
      ++p;
      continue;
    }
    ++p;
    if (*p == L'?') {
      const wchar_t* end = wcsstr(p, L"?>");
      if (!end) break;
      p = end + 2;
      continue;
    }
    if (*p == L'/') {
      // Closes the innermost open element whatever name it gives; the
      // document itself is never closed.
      const wchar_t* end = wcschr(p, L'>');
      p = end ? end + 1 : p + wcslen(p);
      if (open != document) {
        open = open->parent;
        --depth;
      }
      continue;
    }
    if (depth >= kMaxTagDepth) break;
    auto* node = new (std::nothrow) TagNode;
    if (!node) break;
    node->name = ReadUntil(p, L" \t\r\n/>", kMaxNameUnits);
    ReadAttributes(p, node);
    AppendChild(open, node);
    if (*p == L'/' && p[1] == L'>') {
      p += 2;  // closed at once, with no text
      continue;
    }
    if (!*p) break;
    ++p;  // ">"
    while (IsBlank(*p)) ++p;
    node->text = ReadUntil(p, L"<", std::wstring::npos);
    open = node;
    ++depth;
  }
  return document;
}

void FreeTagTree(TagNode* root) {
  // Walks down to a leaf, frees it, and goes on from its parent.
  TagNode* node = root;
  while (node) {
    if (node->firstChild) {
      TagNode* child = node->firstChild;
      node->firstChild = child->next;
      if (!node->firstChild) node->lastChild = nullptr;
      child->parent = node;
      node = child;
      continue;
    }
    TagNode* parent = node == root ? nullptr : node->parent;
    delete node;
    node = parent;
  }
}

const TagNode* FindChildTag(const TagNode* node, const wchar_t* name) {
  for (const TagNode* child = node ? node->firstChild : nullptr; child; child = child->next) {
    if (SameName(child->name, name)) return child;
  }
  return nullptr;
}
