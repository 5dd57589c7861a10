// The small XML subset of the update list: elements with attributes and
// text, no entities, comments or sections. Built for untrusted input: the
// parse ends at the text's end, never closes past the document, and stops
// nesting at a fixed depth.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TagNode {
  std::wstring name;  // empty for the document node
  std::wstring text;  // from the first non-blank unit after ">" to the next "<"
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  TagNode* parent = nullptr;
  TagNode* firstChild = nullptr;
  TagNode* lastChild = nullptr;
  TagNode* next = nullptr;  // next sibling
};

// Elements deeper than this end the parse; what was read so far is kept.
constexpr int kMaxTagDepth = 32;

// The document node, whose children are the top-level elements; null only
// when no memory could be had. Free it with FreeTagTree.
TagNode* ParseTagTree(const wchar_t* text);
// Frees a whole tree without recursion (a deep tree cannot exhaust the stack).
void FreeTagTree(TagNode* root);

// The first child of node named name, ASCII case ignored; null when none.
const TagNode* FindChildTag(const TagNode* node, const wchar_t* name);
