// The acting side of the command language: a chosen macro candidate becomes
// a CommitAction with its argument, and the engine's share of each action
// (settings, conversion switches, synthetic keys, launches, code
// replacement) is carried out here for both front ends.
#include <windows.h>

#include <cstdint>

#include "engine/Candidates.h"
#include "engine/CommandLanguage.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "engine/ItfObject.h"
#include "engine/Launchers.h"
#include "engine/Registry.h"
#include "engine/Search.h"
#include "engine/SettingsCodec.h"
#include "engine/UrlEncode.h"
#include "engine/WideString.h"

namespace {

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix) {
  for (; *prefix; ++text, ++prefix) {
    if (!*text || LowerAscii(*text) != LowerAscii(*prefix)) return false;
  }
  return true;
}

int FindNoCase(const wchar_t* text, const wchar_t* needle) {
  for (int i = 0; text[i]; ++i) {
    if (StartsWithNoCase(text + i, needle)) return i;
  }
  return -1;
}

bool SameText(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    if (*a != *b) return false;
    if (!*a) return true;
  }
}

// Decimal digits at text; stops growing past limit so it cannot overflow.
int ReadDecimal(const wchar_t* text, int* used, int limit) {
  int value = 0;
  int i = 0;
  for (; text[i] >= L'0' && text[i] <= L'9'; ++i) {
    if (value <= limit) value = value * 10 + (text[i] - L'0');
  }
  if (used) *used = i;
  return value;
}

void SetCommitText(ImeContext* context, const wchar_t* text, int units) {
  constexpr int kMax = kMacroTextUnits - 1;
  if (units > kMax) units = kMax;
  for (int i = 0; i < units; ++i) context->commitText[i] = text[i];
  context->commitText[units] = 0;
  context->commitLength = units;
}

// The command stored for page slot p while the page was filled, or false when
// the slot's candidate is no macro.
bool SlotCommand(ImeContext* context, int p, wchar_t* command) {
  command[0] = 0;
  if (p < 0 || p >= kPageSlots || p >= context->slotsFilled) return false;
  const int i = context->slotListIndex[p];
  if (i < 0 || i >= context->candidateCount) return false;
  const CandidateItem& item = context->candidates[i];
  if (!(item.kind & kKindShownByWord) || !item.entry) return false;
  wchar_t word[kSlotTextUnits + 1];
  CandidateText(item, word, kSlotTextUnits + 1);
  if (!IsMacroWord(word)) return false;
  // A command equal to its label is kept as the display text only.
  const PageSlot& stored = context->slotCommitTexts[p].length > 0 ? context->slotCommitTexts[p]
                                                                  : context->pageSlots[p];
  int n = stored.length;
  if (n < 0) n = 0;
  if (n > kMacroTextUnits - 1) n = kMacroTextUnits - 1;
  for (int k = 0; k < n; ++k) command[k] = stored.text[k];
  command[n] = 0;
  return n > 0;
}

uint32_t OrdinaryAction(const ImeContext* context, int p) {
  uint32_t action = kCommitActionText;
  if (p >= 0 && p < kPageSlots && p < context->slotsFilled) {
    const int i = context->slotListIndex[p];
    if (i >= 0 && i < context->candidateCount) {
      const uint8_t kind = context->candidates[i].kind;
      if (kind & kKindShownByText) action |= kCommitActionShownByCode;
      else action |= kind & kCommitActionPlain;
    }
  }
  return action;
}

void SendKey(Effects& effects, uint8_t vk, bool up) {
  effects.SendKeyEvent(vk, 0, KEYEVENTF_EXTENDEDKEY | (up ? KEYEVENTF_KEYUP : 0));
}

bool ContainsInRange(const wchar_t* text, int from, int to, const wchar_t* needle) {
  const int n = static_cast<int>(BoundedLength(needle, 32));
  for (int i = from; i + n <= to; ++i) {
    if (CompareWideChars(text + i, needle, n) == 0) return true;
  }
  return false;
}

void StartInstaller(ImeContext* context, bool tsf, Effects& effects) {
  wchar_t program[kLaunchPathUnits];
  if (!ReadInstallLocation(context->productKey, program, kLaunchPathUnits, ContextOs(context))) return;
  if (AppendStringBounded(program, kLaunchPathUnits, L"installer.exe") != S_OK) return;
  wchar_t parameters[128];
  if (FormatString(parameters, 128, L"/EMMODE=%d /GUID=%s", tsf ? 1 : 0, context->productKey) != S_OK) {
    return;
  }
  OpenProgramFor(context, effects, program, parameters, SW_HIDE);
}

// run(, help(, config( and keyboard( start programs, open files or
// addresses or send keys.
bool ActsOutside(uint32_t action) {
  return (action & kCommitActionCommand) && (action & (0x10000 | 0x20000 | 0x40000 | 0x80000));
}

// Such a macro is refused as a whole where data acts are: nothing is
// committed either.
uint32_t RefuseMacro(ImeContext* context) {
  context->commitKind = kCommitActionNone;
  context->commandArgument[0] = 0;
  SetCommitText(context, L"", 0);
  return kCommitActionNone;
}

void RunHelpAction(ImeContext* context, const wchar_t* argument, Effects& effects) {
  wchar_t topic[kCommandArgumentUnits];
  int n = 0;
  while (argument[n] && argument[n] != L',') {
    topic[n] = argument[n];
    ++n;
  }
  topic[n] = 0;
  int size[2] = {0, 0};
  const wchar_t* rest = argument + n;
  for (int k = 0; k < 2 && *rest == L','; ++k) {
    ++rest;
    int used = 0;
    size[k] = ReadDecimal(rest, &used, 100000);
    rest += used;
    while (*rest && *rest != L',') ++rest;
  }
  ShowHelpTopic(context, topic, size[0], size[1], effects);
}

}  // namespace

uint32_t ExecuteCommandMacro(ImeContext* context, int position) {
  if (!context) return kCommitActionNone;
  wchar_t command[kMacroTextUnits];
  const ImeConfigBlock* ime = context->imeBlock;
  if (!ime || !(ime->spaceWord & ImeBits::kMacros) || position > 10 ||
      !SlotCommand(context, position, command)) {
    context->commitKind = OrdinaryAction(context, position);
    return context->commitKind;
  }
  static constexpr struct {
    const wchar_t* verb;
    uint32_t action;
  } kLeadingVerbs[] = {
      {L"run(", kCommitActionRun},         {L"help(", kCommitActionHelp},
      {L"set(", kCommitActionSet},         {L"convert(", kCommitActionConvert},
      {L"skbd(", kCommitActionSoftKeyboard}, {L"config(", kCommitActionConfig},
  };
  wchar_t* argument = context->commandArgument;
  argument[0] = 0;
  for (const auto& verb : kLeadingVerbs) {
    if (!StartsWithNoCase(command, verb.verb)) continue;
    if (ActsOutside(verb.action) && DataActsRefused(context, ContextEffects(context))) {
      return RefuseMacro(context);
    }
    context->commitKind = verb.action;
    SetCommitText(context, L"", 0);
    if (verb.action == kCommitActionSet) {
      CopyStringBounded(argument, kCommandArgumentUnits, command);
    } else {
      ResolveCommandArgument(context, command, argument);
    }
    if (verb.action == kCommitActionRun &&
        (StartsWithNoCase(argument, L"http://") || StartsWithNoCase(argument, L"https://"))) {
      wchar_t url[kCommandArgumentUnits];
      UrlPercentEncode(argument, url, kCommandArgumentUnits, UrlEncodeForm::kWholeUrl);
      CopyStringBounded(argument, kCommandArgumentUnits, url);
    }
    return context->commitKind;
  }
  static constexpr struct {
    const wchar_t* verb;
    uint32_t atStart;
    uint32_t afterText;
  } kInnerVerbs[] = {
      {L"keyboard(", kCommitActionKeyboard, kCommitActionTextThenKeyboard},
      {L"newkey(", kCommitActionReplaceCode, kCommitActionReplaceCode},
  };
  for (const auto& verb : kInnerVerbs) {
    const int at = FindNoCase(command, verb.verb);
    if (at < 0) continue;
    if (ActsOutside(verb.atStart) && DataActsRefused(context, ContextEffects(context))) {
      return RefuseMacro(context);
    }
    context->commitKind = at > 0 ? verb.afterText : verb.atStart;
    SetCommitText(context, command, at);
    // The argument belongs to this verb, whatever brackets the text before it holds.
    ResolveCommandArgument(context, command + at, argument);
    return context->commitKind;
  }
  SetCommitText(context, command, static_cast<int>(BoundedLength(command, kMacroTextUnits - 1)));
  context->commitKind = OrdinaryAction(context, position);
  return context->commitKind;
}

int ApplySetCommand(ImeContext* context, Effects& effects) {
  if (!context || !context->imeBlock) return 0;
  wchar_t text[kCommandArgumentUnits];
  CopyStringBounded(text, kCommandArgumentUnits, context->commandArgument);
  wchar_t* section = nullptr;
  wchar_t* key = nullptr;
  wchar_t* value = nullptr;
  const int id = ParseSetCommand(text, &section, &key, &value);
  if (id == kSectionNone || !key || !value) return 0;
  // The framework is switched by the installer and debugging by config only.
  if (SameText(key, L"输入法框架") || SameText(key, L"使用调试模式")) return 0;
  ImeConfigBlock* ime = context->imeBlock;
  uint32_t before = 0;
  uint32_t after = 0;
  {
    // config.dsc is shared: a line half applied by two processes at once
    // could mix their values.
    DataWriteLock lock(context);
    if (!lock.Held()) return 0;
    before = ime->optionFlags & ImeBits::kTsfStyles;
    ItfObject* itf = nullptr;
    ZNITFGetObject(kItfSettingsText, &itf);
    ApplySettingsLine(id, key, value, ime, context->dmeBlock, context->skinBlock, itf);
    if (itf && itf->release) itf->release(itf);
    after = ime->optionFlags & ImeBits::kTsfStyles;
    if (after != before && DataActsRefused(context, effects)) {
      // The switch needs the installer, which a word may not start here.
      ime->optionFlags = (ime->optionFlags & ~ImeBits::kTsfStyles) | before;
      after = before;
    }
  }
  if (after != before) StartInstaller(context, after != 0, effects);
  return 1;
}

int ApplyConvertCommand(ImeContext* context, const wchar_t* argument) {
  if (!context || !argument) return 0;
  wchar_t subject[kCommandArgumentUnits];
  int n = 0;
  while (argument[n] && argument[n] != L',' && n < kCommandArgumentUnits - 1) {
    subject[n] = argument[n];
    ++n;
  }
  subject[n] = 0;
  if (argument[n] != L',') return 0;
  const wchar_t* state = argument + n + 1;
  auto apply = [state](uint32_t* word, uint32_t bit, const wchar_t* on, const wchar_t* off) {
    if (SameText(state, on)) *word |= bit;
    else if (SameText(state, off)) *word &= ~bit;
    else *word ^= bit;
  };
  if (SameText(subject, L"中英文标点")) {
    // The state bit means English punctuation: "中文" clears it. Only this
    // context changes: no lock.
    apply(&context->stateFlags, kStateEnglishPunct, L"英文", L"中文");
    return 1;
  }
  ImeConfigBlock* ime = context->imeBlock;
  // The output options live in config.dsc, shared with every process.
  DataWriteLock lock(context);
  if (!lock.Held()) ime = nullptr;
  if (SameText(subject, L"全半角")) {
    apply(&context->stateFlags, kStateFullWidth, L"全角", L"半角");
    if ((context->stateFlags & kStateFullWidth) && ime) ime->optionFlags &= ~kImeOptTraditional;
    return 1;
  }
  if (!ime) return 0;
  if (SameText(subject, L"繁体输出")) {
    apply(&ime->optionFlags, kImeOptTraditional, L"打开", L"关闭");
    return 1;
  }
  if (SameText(subject, L"简体输出")) {
    apply(&ime->optionFlags, kImeOptSimplified, L"打开", L"关闭");
    return 1;
  }
  return 0;
}

int SendKeyGroup(const wchar_t* text, Effects& effects) {
  if (!text || text[0] != L'<') return 0;
  int close = 1;
  while (text[close] && text[close] != L'>') {
    if (text[close] == L'<' || text[close] == L')' || text[close] == L',') return 0;
    ++close;
  }
  if (text[close] != L'>') return 0;
  int used = 0;
  const int vk = ReadDecimal(text + 1, &used, 1000);
  int count = 1;
  if (text[1 + used] == L'.') {
    const int n = ReadDecimal(text + 2 + used, nullptr, 1000);
    if (n >= 1 && n <= 256) count = n;
  }
  const bool win = ContainsInRange(text, 1, close, L"+Win");
  const bool ctrl = ContainsInRange(text, 1, close, L"+Ctrl");
  const bool shift = ContainsInRange(text, 1, close, L"+Shift");
  const bool alt = ContainsInRange(text, 1, close, L"+Alt");
  if (used > 0 && vk >= 1 && vk <= 254) {
    if (win) SendKey(effects, VK_LWIN, false);
    if (ctrl) SendKey(effects, VK_CONTROL, false);
    if (shift) SendKey(effects, VK_SHIFT, false);
    if (alt) SendKey(effects, VK_MENU, false);
    for (int i = 0; i < count; ++i) {
      SendKey(effects, static_cast<uint8_t>(vk), false);
      SendKey(effects, static_cast<uint8_t>(vk), true);
    }
    if (ctrl) SendKey(effects, VK_CONTROL, true);
    if (shift) SendKey(effects, VK_SHIFT, true);
    if (alt) SendKey(effects, VK_MENU, true);
    if (win) SendKey(effects, VK_LWIN, true);
  }
  return close + 1;
}

int SendKeyboardCommand(const wchar_t* argument, Effects& effects) {
  int groups = 0;
  for (int i = 0; argument && argument[i] && argument[i] != L')' && argument[i] != L',';) {
    if (argument[i] == L'<') {
      const int used = SendKeyGroup(argument + i, effects);
      if (used > 0) {
        ++groups;
        i += used;
        continue;
      }
    }
    ++i;
  }
  return groups;
}

uint32_t RunCommandAction(ImeContext* context, Effects& effects, int* searchResult) {
  if (searchResult) *searchResult = kSearchNothing;
  if (!context) return kFollowUpNone;
  const uint32_t action = context->commitKind;
  const wchar_t* argument = context->commandArgument;
  if (action == kCommitActionReplaceCode) {
    int n = static_cast<int>(BoundedLength(argument, kMaxCodeUnits - 1));
    for (int i = 0; i < n; ++i) context->code[i] = argument[i];
    context->code[n] = 0;
    context->codeLength = n;
    context->cursor = n;
    const int result = RebuildCandidates(context);
    if (searchResult) *searchResult = result;
    return kFollowUpShowCandidates;
  }
  if (ActsOutside(action) && DataActsRefused(context, effects)) return kFollowUpNone;
  uint32_t followUp = (action & kCommitActionText) ? kFollowUpCommitText : kFollowUpNone;
  if (!(action & kCommitActionCommand)) return followUp;
  // The first action bit set decides, in the order the front ends test them.
  if (action & 0x20000) {
    LaunchConfigTool(context, nullptr, argument, effects);
  } else if (action & 0x200000) {
    if (ApplySetCommand(context, effects)) followUp |= kFollowUpReloadSkin | kFollowUpRefreshStatus;
  } else if (action & 0x400000) {
    followUp |= kFollowUpSoftKeyboard;
  } else if (action & 0x40000) {
    RunHelpAction(context, argument, effects);
  } else if (action & 0x10000) {
    OpenLink(context, argument, effects);
  } else if (action & 0x80000) {
    SendKeyboardCommand(argument, effects);
  } else if (action & 0x100000) {
    if (ApplyConvertCommand(context, argument)) followUp |= kFollowUpRefreshStatus;
  }
  return followUp;
}
