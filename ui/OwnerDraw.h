#pragma once
// What the owner-drawn controls share: the state of an item being drawn, the
// event that draws one, and the plain drawing an item gets without a handler.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/Canvas.h"
#include "ui/Component.h"

// The state of an item being drawn: the ODS_ bits of the request's low word.
using TOwnerDrawState = UINT;
inline constexpr TOwnerDrawState odSelected = ODS_SELECTED, odFocused = ODS_FOCUS, odComboBoxEdit = ODS_COMBOBOXEDIT;

using TDrawItemEvent = std::function<void(TObject* Sender, int Index, const RECT& Rect, TOwnerDrawState State)>;

// The item's text on the canvas's background, in the selection's colours
// when selected, with the focus frame when focused.
void DrawPlainItem(TCanvas& canvas, const RECT& rect, const std::wstring& text, TOwnerDrawState state);
