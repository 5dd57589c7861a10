// Balanced (AVL) word tree used to drop duplicates and to order the export
// and the word lists; nodes hold caller-owned values.
#pragma once

#include <windows.h>
#include <cstdint>

struct WordTreeNode {
  void* value;
  WordTreeNode* greater;
  WordTreeNode* lesser;
  int32_t balance;  // height(greater) - height(lesser), -1..1
};

// (new value, node value, context) -> negative, 0 or positive.
using WordTreeCompare = int (*)(const void* newValue, const void* nodeValue, void* context);
// Returns nonzero to count the value.
using WordTreeVisit = int (*)(void* value, void* context);

// UTF-16 strings unit by unit as unsigned numbers: -1, 0 or 1.
int CompareWideStrings(const void* a, const void* b, void* context);

// 1 inserted, 0 an equal value is already there (or out of memory). A null
// comparison means CompareWideStrings.
int InsertWordTreeNode(WordTreeNode** root, void* value, WordTreeCompare compare, void* context);
// In-order walk; returns the number of visits that returned nonzero.
int WalkWordTree(WordTreeNode* root, WordTreeVisit visit, void* context);
// Frees every node, and the values too (with free) when freeValues is set.
void FreeWordTree(WordTreeNode* root, bool freeValues);

struct FreeWordTreeArgs {
  WordTreeNode* root;
  int freeValues;
};
// Thread routine: frees the tree of a heap-allocated FreeWordTreeArgs, then
// the arguments themselves.
DWORD WINAPI FreeWordTreeThread(LPVOID args);
// Hands a finished tree to a worker so the caller does not wait for the
// frees; falls back to freeing here when no thread can be started.
void ReleaseWordTree(WordTreeNode* root, bool freeValues);
