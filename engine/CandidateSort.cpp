// The keyed candidate sort: the order of CompareCandidates from packed
// integer keys and a radix sort, without allocation.
#include <atomic>
#include <cstring>

#include "engine/CandidateText.h"
#include "engine/Candidates.h"
#include "engine/DmgTable.h"
#include "engine/KeyTables.h"

using namespace candidate_text;

namespace {

// Scratch of the keyed sort. One per process rather than per context: it is
// 156 KB, the context layout is fixed, and two threads sorting at the same
// moment is rare enough that the loser can take the in-place Shell sort,
// which gives the same order.
struct SortScratch {
  uint64_t packed[2][kMaxCandidates];  // the rule key above the list index
  uint64_t low[kMaxCandidates];        // kind, entry address
  uint16_t order[2][kMaxCandidates];
  CandidateItem items[kMaxCandidates];  // the list gathered in its new order
};
SortScratch sortScratch;
std::atomic_flag sortScratchBusy = ATOMIC_FLAG_INIT;

constexpr int kIndexBits = 12;
static_assert(kMaxCandidates <= (1 << kIndexBits));
constexpr uint64_t kIndexMask = (1u << kIndexBits) - 1;

enum class Secondary { kNone, kCharacters, kCode };

Secondary SecondaryRule(const ImeContext* context) {
  const ImeConfigBlock* ime = context->imeBlock;
  if (!ime || (context->stateFlags & kStateAssociations)) return Secondary::kNone;
  if (ImeSingleCharsFirst(ime)) return Secondary::kCharacters;
  if (ImeSortByCode(ime)) return Secondary::kCode;
  return Secondary::kNone;
}

int BitWidth(uint64_t v) {
  int n = 0;
  for (; v; v >>= 1) ++n;
  return n;
}

// The rules of CompareCandidates as ascending numbers: value (descending),
// character count, pinned + order value (descending) in `high`, and the last
// resort, kind then entry address, in `low`. Each rule field of high is then
// shifted down to its smallest value and the fields packed as tightly as their
// ranges allow into packed[0] = key << kIndexBits | list index, so a short
// radix sort orders by all rules but the last. False when a key cannot
// express the comparison.
bool BuildSortKeys(const ImeContext* context, Secondary rule, SortScratch* s, int* keyBits) {
  const int n = context->candidateCount;
  uint32_t lo[3] = {~0u, ~0u, ~0u}, hi[3] = {0, 0, 0};
  for (int i = 0; i < n; ++i) {
    const CandidateItem& item = context->candidates[i];
    const uintptr_t address = reinterpret_cast<uintptr_t>(item.entry);
    if (static_cast<uint64_t>(address) >> 56) return false;
    // The code rule applies only between two code records; with anything else
    // in the list the comparison is not a total order.
    if (rule == Secondary::kCode && (!item.entry || !(item.kind & kKindShownByWord))) return false;
    const uint32_t attr = AttributeOf(item);
    uint32_t f[3];
    f[0] = ~(static_cast<uint32_t>(item.value) ^ 0x80000000u);
    f[1] = 0;
    if (rule == Secondary::kCharacters) {
      // Words hold at most 255 units, so the count fits its 8 bits.
      const int chars = CharacterCount(ShownText(item));
      f[1] = chars > 255 ? 255 : static_cast<uint32_t>(chars);
    }
    f[2] = 0x1FFFFu - (((attr >> 14) & 0x10000u) | (attr & 0xFFFFu));
    for (int k = 0; k < 3; ++k) {
      if (f[k] < lo[k]) lo[k] = f[k];
      if (f[k] > hi[k]) hi[k] = f[k];
    }
    s->packed[0][i] = (static_cast<uint64_t>(f[0]) << 32) | (f[1] << 24) | f[2];
    s->low[i] = (static_cast<uint64_t>(item.kind) << 56) | address;
  }
  if (rule == Secondary::kCode) return true;  // compared unpacked
  int width[3];
  for (int k = 0; k < 3; ++k) width[k] = n > 0 ? BitWidth(hi[k] - lo[k]) : 0;
  const int bits = width[0] + width[1] + width[2];
  if (bits > 64 - kIndexBits) return false;
  for (int i = 0; i < n; ++i) {
    const uint64_t h = s->packed[0][i];
    const uint64_t key = ((((h >> 32) - lo[0]) << (width[1] + width[2])) |
                          ((((h >> 24) & 0xFF) - lo[1]) << width[2]) | ((h & 0x1FFFF) - lo[2]));
    s->packed[0][i] = (key << kIndexBits) | static_cast<uint64_t>(i);
  }
  *keyBits = bits;
  return true;
}

// Stable LSD radix sort of packed[0] on its key bits, in passes of at most
// 11 bits; returns the buffer holding the result. A short list takes narrower
// passes: clearing and summing 2,048 buckets cost more than its items.
uint64_t* RadixSortPacked(SortScratch* s, int n, int keyBits) {
  uint64_t* src = s->packed[0];
  uint64_t* dst = s->packed[1];
  if (keyBits == 0) return src;
  int widest = 11;
  while (widest > 6 && (1 << (widest - 1)) >= 2 * n) --widest;
  const int passes = (keyBits + widest - 1) / widest;
  const int digit = (keyBits + passes - 1) / passes;
  const uint64_t mask = (1u << digit) - 1;
  uint32_t start[1 << 11];
  for (int p = 0; p < passes; ++p) {
    const int shift = kIndexBits + p * digit;
    const uint32_t buckets = 1u << digit;
    for (uint32_t b = 0; b < buckets; ++b) start[b] = 0;
    for (int i = 0; i < n; ++i) ++start[(src[i] >> shift) & mask];
    uint32_t sum = 0;
    for (uint32_t b = 0; b < buckets; ++b) {
      const uint32_t c = start[b];
      start[b] = sum;
      sum += c;
    }
    for (int i = 0; i < n; ++i) dst[start[(src[i] >> shift) & mask]++] = src[i];
    uint64_t* t = src;
    src = dst;
    dst = t;
  }
  return src;
}

// Orders a group of indexes with equal rule keys by their low keys, using tmp
// (as long as the group) as a second buffer.
void SortGroupByLow(const uint64_t* low, uint16_t* group, uint16_t* tmp, int n) {
  if (n < 2) return;
  bool ascending = true, descending = true;
  for (int i = 1; i < n; ++i) {
    if (low[group[i]] < low[group[i - 1]]) ascending = false;
    if (low[group[i]] > low[group[i - 1]]) descending = false;
  }
  if (ascending) return;
  if (descending) {
    for (int i = 0, j = n - 1; i < j; ++i, --j) {
      const uint16_t t = group[i];
      group[i] = group[j];
      group[j] = t;
    }
    return;
  }
  if (n <= 16) {
    for (int i = 1; i < n; ++i) {
      const uint16_t k = group[i];
      int j = i;
      for (; j > 0 && low[group[j - 1]] > low[k]; --j) group[j] = group[j - 1];
      group[j] = k;
    }
    return;
  }
  uint64_t all = 0, any = ~0ull;
  for (int i = 0; i < n; ++i) {
    all |= low[group[i]];
    any &= low[group[i]];
  }
  const uint64_t varying = all ^ any;
  uint16_t* src = group;
  uint16_t* dst = tmp;
  for (int shift = 0; shift < 64; shift += 8) {
    if (!((varying >> shift) & 0xFF)) continue;
    uint32_t start[256] = {};
    for (int i = 0; i < n; ++i) ++start[(low[src[i]] >> shift) & 0xFF];
    uint32_t sum = 0;
    for (uint32_t& c : start) {
      const uint32_t k = c;
      c = sum;
      sum += k;
    }
    for (int i = 0; i < n; ++i) dst[start[(low[src[i]] >> shift) & 0xFF]++] = src[i];
    uint16_t* t = src;
    src = dst;
    dst = t;
  }
  if (src != group) {
    for (int i = 0; i < n; ++i) group[i] = src[i];
  }
}

// CompareCandidates on the unpacked keys, with the code rule between value
// and order.
int CompareByCodeKeys(const ImeContext* context, const SortScratch* s, int a, int b) {
  const uint64_t ha = s->packed[0][a], hb = s->packed[0][b];
  if ((ha >> 32) != (hb >> 32)) return (ha >> 32) < (hb >> 32) ? -1 : 1;
  const int c = CompareCodeCallback(EntryCode(context->candidates[a].entry),
                                    EntryCode(context->candidates[b].entry));
  if (c != 0) return c;
  if (ha != hb) return ha < hb ? -1 : 1;
  if (s->low[a] != s->low[b]) return s->low[a] < s->low[b] ? -1 : 1;
  return 0;
}

// Stable bottom-up merge sort of the indexes for the code rule, which no
// fixed-width key holds. Returns the buffer holding the result.
uint16_t* MergeSortByCode(const ImeContext* context, SortScratch* s, int n) {
  uint16_t* src = s->order[0];
  uint16_t* dst = s->order[1];
  for (int i = 0; i < n; ++i) src[i] = static_cast<uint16_t>(i);
  constexpr int kRun = 8;
  for (int lo = 0; lo < n; lo += kRun) {
    const int hi = lo + kRun < n ? lo + kRun : n;
    for (int i = lo + 1; i < hi; ++i) {
      const uint16_t k = src[i];
      int j = i;
      for (; j > lo && CompareByCodeKeys(context, s, src[j - 1], k) > 0; --j) src[j] = src[j - 1];
      src[j] = k;
    }
  }
  for (int width = kRun; width < n; width *= 2) {
    for (int lo = 0; lo < n; lo += 2 * width) {
      const int mid = lo + width < n ? lo + width : n;
      const int hi = lo + 2 * width < n ? lo + 2 * width : n;
      int i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        dst[k++] = CompareByCodeKeys(context, s, src[j], src[i]) < 0 ? src[j++] : src[i++];
      }
      while (i < mid) dst[k++] = src[i++];
      while (j < hi) dst[k++] = src[j++];
    }
    uint16_t* t = src;
    src = dst;
    dst = t;
  }
  return src;
}

bool SameItem(const CandidateItem& a, const CandidateItem& b) {
  return a.entry == b.entry && a.kind == b.kind && a.value == b.value && a.hint[0] == b.hint[0] &&
         a.hint[1] == b.hint[1] && a.hint[2] == b.hint[2];
}

// Neighbours with the same kind and address (and value) are one record listed
// twice, equal under every rule: unless the two items are alike, where they
// end up depends on the sort.
bool HasUnorderedTwins(const ImeContext* context, const uint64_t* low, const uint16_t* group,
                       int n) {
  for (int i = 1; i < n; ++i) {
    if (low[group[i - 1]] != low[group[i]]) continue;
    const CandidateItem& a = context->candidates[group[i - 1]];
    const CandidateItem& b = context->candidates[group[i]];
    if (a.value == b.value && !SameItem(a, b)) return true;
  }
  return false;
}

// The rule keys sorted; then each run of equal rule keys by kind and address.
// Null when the order would depend on the sort.
uint16_t* SortByRulesThenLow(const ImeContext* context, SortScratch* s, int n, int keyBits) {
  const uint64_t* sorted = RadixSortPacked(s, n, keyBits);
  uint16_t* order = s->order[0];
  for (int i = 0; i < n;) {
    const uint64_t key = sorted[i] >> kIndexBits;
    order[i] = static_cast<uint16_t>(sorted[i] & kIndexMask);
    int j = i + 1;
    for (; j < n && (sorted[j] >> kIndexBits) == key; ++j) {
      order[j] = static_cast<uint16_t>(sorted[j] & kIndexMask);
    }
    if (j - i > 1) {
      SortGroupByLow(s->low, order + i, s->order[1], j - i);
      if (HasUnorderedTwins(context, s->low, order + i, j - i)) return nullptr;
    }
    i = j;
  }
  return order;
}

bool SortWithScratch(ImeContext* context, SortScratch* s) {
  const int n = context->candidateCount;
  const Secondary rule = SecondaryRule(context);
  int keyBits = 0;
  if (!BuildSortKeys(context, rule, s, &keyBits)) return false;
  uint16_t* order = nullptr;
  if (rule == Secondary::kCode) {
    order = MergeSortByCode(context, s, n);
    if (HasUnorderedTwins(context, s->low, order, n)) return false;
  } else {
    order = SortByRulesThenLow(context, s, n, keyBits);
    if (!order) return false;
  }
  for (int i = 0; i < n; ++i) s->items[i] = context->candidates[order[i]];
  std::memcpy(context->candidates, s->items, sizeof(CandidateItem) * n);
  return true;
}

}  // namespace

bool SortCandidatesByKey(ImeContext* context) {
  if (!context || context->candidateCount < 0 || context->candidateCount > kMaxCandidates) {
    return false;
  }
  if (sortScratchBusy.test_and_set(std::memory_order_acquire)) return false;
  const bool sorted = SortWithScratch(context, &sortScratch);
  sortScratchBusy.clear(std::memory_order_release);
  return sorted;
}
