// AVL insertion keeps the path from the deepest unbalanced node only, so one
// insertion touches O(log n) nodes and needs no parent pointers.
#include "codetable/WordTree.h"

#include <cstdlib>

namespace {

// An AVL tree of 2^40 nodes is less than 58 levels deep.
constexpr int kMaxPath = 64;

WordTreeNode* RotateForLeftHeavy(WordTreeNode* y) {
  WordTreeNode* x = y->lesser;
  if (x->balance <= 0) {
    y->lesser = x->greater;
    x->greater = y;
    x->balance = 0;
    y->balance = 0;
    return x;
  }
  WordTreeNode* w = x->greater;
  x->greater = w->lesser;
  w->lesser = x;
  y->lesser = w->greater;
  w->greater = y;
  x->balance = (w->balance == 1) ? -1 : 0;
  y->balance = (w->balance == -1) ? 1 : 0;
  w->balance = 0;
  return w;
}

WordTreeNode* RotateForRightHeavy(WordTreeNode* y) {
  WordTreeNode* x = y->greater;
  if (x->balance >= 0) {
    y->greater = x->lesser;
    x->lesser = y;
    x->balance = 0;
    y->balance = 0;
    return x;
  }
  WordTreeNode* w = x->lesser;
  x->lesser = w->greater;
  w->greater = x;
  y->greater = w->lesser;
  w->lesser = y;
  x->balance = (w->balance == -1) ? 1 : 0;
  y->balance = (w->balance == 1) ? -1 : 0;
  w->balance = 0;
  return w;
}

}  // namespace

int CompareWideStrings(const void* a, const void* b, void* /*context*/) {
  const uint16_t* x = static_cast<const uint16_t*>(a);
  const uint16_t* y = static_cast<const uint16_t*>(b);
  while (*x && *x == *y) {
    ++x;
    ++y;
  }
  return (*x < *y) ? -1 : (*x > *y) ? 1 : 0;
}

int InsertWordTreeNode(WordTreeNode** root, void* value, WordTreeCompare compare, void* context) {
  if (!root) return 0;
  if (!compare) compare = CompareWideStrings;
  WordTreeNode** topLink = root;  // link that holds the top node
  WordTreeNode* top = *root;      // deepest node on the path with a nonzero balance
  WordTreeNode** link = root;
  uint8_t dirs[kMaxPath];
  int depth = 0;
  for (WordTreeNode* p = *root; p;) {
    int c = compare(value, p->value, context);
    if (c == 0) return 0;
    if (p->balance != 0) {
      topLink = link;
      top = p;
      depth = 0;
    }
    if (depth >= kMaxPath) return 0;
    dirs[depth++] = c > 0;
    link = (c > 0) ? &p->greater : &p->lesser;
    p = *link;
  }
  auto* node = static_cast<WordTreeNode*>(std::calloc(1, sizeof(WordTreeNode)));
  if (!node) return 0;
  node->value = value;
  *link = node;
  if (!top) return 1;  // first node
  WordTreeNode* p = top;
  for (int i = 0; p != node; ++i) {
    p->balance += dirs[i] ? 1 : -1;
    p = dirs[i] ? p->greater : p->lesser;
  }
  if (top->balance == -2) {
    *topLink = RotateForLeftHeavy(top);
  } else if (top->balance == 2) {
    *topLink = RotateForRightHeavy(top);
  }
  return 1;
}

int WalkWordTree(WordTreeNode* root, WordTreeVisit visit, void* context) {
  int counted = 0;
  WordTreeNode* stack[kMaxPath];
  int sp = 0;
  WordTreeNode* p = root;
  while (p || sp > 0) {
    while (p) {
      if (sp == kMaxPath) return counted;
      stack[sp++] = p;
      p = p->lesser;
    }
    p = stack[--sp];
    if (visit(p->value, context)) ++counted;
    p = p->greater;
  }
  return counted;
}

void FreeWordTree(WordTreeNode* root, bool freeValues) {
  // Unlinks one lesser child at a time onto the right spine: no stack needed.
  WordTreeNode* p = root;
  while (p) {
    if (p->lesser) {
      WordTreeNode* l = p->lesser;
      p->lesser = l->greater;
      l->greater = p;
      p = l;
    } else {
      WordTreeNode* next = p->greater;
      if (freeValues) std::free(p->value);
      std::free(p);
      p = next;
    }
  }
}

DWORD WINAPI FreeWordTreeThread(LPVOID args) {
  auto* a = static_cast<FreeWordTreeArgs*>(args);
  if (!a) return 0;
  FreeWordTree(a->root, a->freeValues != 0);
  std::free(a);
  return 0;
}

void ReleaseWordTree(WordTreeNode* root, bool freeValues) {
  if (!root) return;
  auto* args = static_cast<FreeWordTreeArgs*>(std::calloc(1, sizeof(FreeWordTreeArgs)));
  if (args) {
    args->root = root;
    args->freeValues = freeValues ? 1 : 0;
    HANDLE thread = CreateThread(nullptr, 0, FreeWordTreeThread, args, 0, nullptr);
    if (thread) {
      CloseHandle(thread);
      return;
    }
    std::free(args);
  }
  FreeWordTree(root, freeValues);
}
