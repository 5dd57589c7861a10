// The candidate window's content and geometry: which texts it shows, their
// colours and sizes, their arrangement in one of the skin's layouts and the
// buttons placed against the stretch ranges. Text sizes come from a
// measuring interface, so all of it runs without a device context in tests.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/windows/EffectiveSkin.h"
#include "ui/windows/WindowArea.h"

struct ImeContext;

enum class TextFont { kCode, kCandidate };

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual SIZE Measure(TextFont font, const wchar_t* text, int units) = 0;
};

// Fills the code, label, word and hint items of the current page.
void MeasureCandidateTexts(const ImeContext* context, const EffectiveSkin& skin,
                           TextMeasurer& measurer, CandidateWindowState* state);

// Arranges the measured items for the layout and returns the window size
// (at least the background's and the layout's minimum size).
SIZE ArrangeCandidateItems(CandidateWindowState* state, const CandidateLayout& layout,
                           SIZE background);

// Places the page, width, punctuation and extension buttons of the layout
// for a window of the given size; buttons without a picture or with a
// negative configured position stay hidden.
void PlaceCandidateButtons(CandidateWindowState* state, const CandidateLayout& layout,
                           const SkinImageSet& images, SIZE background, SIZE window,
                           uint32_t stateFlags);

// The whole layout of the context's candidate window: decides whether it
// shows at all (0 x 0 when not), measures, arranges, places the buttons,
// disables the page buttons at the ends of the list and builds the stretched
// background. Stores the size in the context and returns it.
SIZE LayoutCandidateWindow(ImeContext* context, TextMeasurer& measurer);

// Frees the stretched background's buffer.
void ReleaseCandidateBackground(CandidateWindowState* state);

// Cuts text for display to at most maxUnits units, never inside a surrogate
// pair; returns the units kept.
int CutAtCodePoint(const wchar_t* text, int units, int maxUnits);
// The first unit to show of the last maxUnits units of text (never the low
// half of a pair).
int TailStart(const wchar_t* text, int units, int maxUnits);
