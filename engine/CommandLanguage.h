// The "$zncmd(" command language: a code-table word that is a small command
// with a shown label, escapes, placeholders expanded from the clock, the last
// commits and the clipboard, and the verbs run, help, set, convert, skbd,
// config, keyboard and newkey. The engine decides (CommitAction and the
// argument in the context); the front ends carry the action out, mostly
// through RunCommandAction.
#pragma once

#include <cstdint>

#include "engine/Effects.h"

struct ImeContext;

// ImeContext::commitKind after a candidate was chosen.
enum CommitAction : uint32_t {
  kCommitActionNone = 0,
  kCommitActionShownByCode = 0x08,  // copied from candidate kind 0x10
  kCommitActionPlain = 0x40,        // copied from candidate kind 0x40
  kCommitActionText = 0x1000,       // commit the commit text
  kCommitActionTypedCode = 0x1002,  // the typed code went out as text
  kCommitActionCommand = 0x2000,    // run the command below with the argument
  kCommitActionReplaceCode = 0x4000,  // newkey(: the argument becomes the typed code
  kCommitActionRun = 0x12000,
  kCommitActionConfig = 0x22000,
  kCommitActionHelp = 0x42000,
  kCommitActionKeyboard = 0x82000,
  kCommitActionTextThenKeyboard = 0x83000,
  kCommitActionConvert = 0x102000,
  kCommitActionSet = 0x202000,
  kCommitActionSoftKeyboard = 0x402000,
};

// Buffer sizes in units, the terminator included.
inline constexpr int kMacroTextUnits = 129;      // command and label texts
inline constexpr int kCommandArgumentUnits = 512;
inline constexpr int kPlaceholderPartUnits = 20;  // name or format of a placeholder
inline constexpr wchar_t kMacroPrefix[] = L"$zncmd(";

// Splits a macro word into its command and shown label, each unescaped and
// with placeholders expanded (at most 128 units). 0 when the word is no
// macro (10 units or less, no "$zncmd(" start, no final ")"); else the length
// of the label, or 1 when shown is null. command may be null too.
int SplitCandidateMacro(ImeContext* context, const wchar_t* word, wchar_t* command,
                        wchar_t* shown, Effects& effects = DefaultEffects());
// True when word starts like a macro; cheap test before SplitCandidateMacro.
bool IsMacroWord(const wchar_t* word);

// Backslash escapes: \\ \s \t \r (CR LF); others stay. Writes at most
// capacity - 1 units and a NUL; returns the units written.
int UnescapeCandidateText(const wchar_t* text, wchar_t* out, int capacity = kMacroTextUnits);

// Expands every <name.format> placeholder of text into out (kMacroTextUnits);
// one that does not expand stays literal. Returns the units written.
int ExpandPlaceholders(ImeContext* context, const wchar_t* text, wchar_t* out,
                       Effects& effects = DefaultEffects());
// One placeholder into out (kMacroTextUnits); returns its length, 0 when the
// name is unknown.
int ExpandPlaceholder(ImeContext* context, const wchar_t* name, const wchar_t* format,
                      wchar_t* out, Effects& effects = DefaultEffects());
// Reads "<name>" or "<name.format>" at text (which starts with "<") into name
// and format (kPlaceholderPartUnits each). Returns the units up to and
// including ">", 0 when text holds no well-formed placeholder.
int ParseCommandPlaceholder(const wchar_t* text, wchar_t* name, wchar_t* format);

enum class NumeralForm {
  kDigits,    // 2013 -> 二〇一三 (years)
  kCounting,  // 45 -> 四十五, 07 -> 零七 (at most two digits)
};
// Chinese numerals of the decimal digits in digits (other characters are
// dropped) into out (at least 5 units). Returns the units written.
int ToChineseNumerals(const wchar_t* digits, NumeralForm form, wchar_t* out);

// The argument of the command's first verb: between its "(" and the last ")",
// surrounding double quotes removed, a leading "%apppath%" replaced by the
// install folder. out holds kCommandArgumentUnits. Returns its length.
int ResolveCommandArgument(ImeContext* context, const wchar_t* command, wchar_t* out);

// Sets CommitAction, the commit text and the argument for the candidate in
// page slot position (0-based) that was just chosen. Returns the action;
// kCommitActionNone, with nothing to commit, for a macro that would start a
// program, open a file or address or send keys where DataActsRefused.
uint32_t ExecuteCommandMacro(ImeContext* context, int position);

// set(: applies one settings line from the argument; the framework key and
// the debug key are refused. Starts the installer when the framework bits
// changed. 1 when a line was applied, else 0.
int ApplySetCommand(ImeContext* context, Effects& effects = DefaultEffects());
// convert(subject,state): punctuation, width, traditional or simplified
// output. 1 when something changed hands, 0 when the text was not understood.
int ApplyConvertCommand(ImeContext* context, const wchar_t* argument);
// keyboard(<vk.count+Mod>...): synthesizes the key groups. Returns the
// number of groups sent.
int SendKeyboardCommand(const wchar_t* argument, Effects& effects = DefaultEffects());
// One "<vk[.count][+Shift][+Alt][+Ctrl][+Win]>" group at text; returns the
// units consumed (through ">"), 0 when nothing was sent.
int SendKeyGroup(const wchar_t* text, Effects& effects = DefaultEffects());

// What is left to the front end after RunCommandAction.
enum CommandFollowUp : uint32_t {
  kFollowUpNone = 0,
  kFollowUpCommitText = 0x1,      // hand the commit text to the host first
  kFollowUpReloadSkin = 0x2,      // settings changed: reload the skin
  kFollowUpRefreshStatus = 0x4,   // state changed: refresh the status display
  kFollowUpSoftKeyboard = 0x8,    // run the front end's soft-keyboard switch
  kFollowUpShowCandidates = 0x10, // the code was replaced and searched again
};
// Carries out the engine's part of the context's CommitAction: launches,
// help, settings, conversion, keys, the code replacement of newkey(. Returns
// CommandFollowUp bits; the search result of newkey( goes to *searchResult
// when given.
uint32_t RunCommandAction(ImeContext* context, Effects& effects = DefaultEffects(),
                          int* searchResult = nullptr);
