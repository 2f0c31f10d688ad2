#pragma once
// The one selected text of an axis set, as the text commands find it.

#include "model/boxframe.h"

// Where a selected text stands: the text, the list that owns it (an axis's label
// texts or the axis set's free texts), its 1-based number there, and the
// selection list that names it.
struct SelectedTextRef {
    TText* Text = nullptr;
    TIArrayAsVector<TText>* Home = nullptr;
    int Number = 0;
    SelectedFlags::IndexList* Selection = nullptr;

    explicit operator bool() const { return Text != nullptr; }
};

// The selection lists of the bottom, left, top and right axis labels and of the
// free texts are tried in this order; the first that holds exactly one number
// naming a text of its list gives the selected text. A list with no entry, with
// several, or whose one number names no text (the list changed without the
// selection being cleared) is passed over. None: an empty reference.
SelectedTextRef SelectedTextOf(BoxFrame& set);
