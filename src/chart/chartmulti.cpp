// The commands of a multiple selection (label texts, free texts and figures that a
// rubber band picked): delete them all after one question, and give them the
// chosen attributes of a font, a text style or a figure style at once.
//
// Each style command first asks which attributes to apply (the choice lasts for
// the run), then for their values in a dialog that starts from the default style,
// and copies only the chosen attributes into every selected object.
//
// Selection numbers are checked against their lists: a number that names nothing
// is passed over, and the deletion removes each object once, the highest number
// first, whatever order and repeats the lists hold.

#include "chart/chartwindow.h"
#include "dialogs/styleitems.h"
#include "dialogs/textdialog.h"
#include "dialogs/zukeidialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "render/textlayout.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kDeleteQuestion = 36;  // delete the selected data?

// The selection lists of an axis set that name texts, with the lists they name
// into: the labels of axes 1 to 4, then the free texts.
struct TextListRef {
    const SelectedFlags::IndexList* selection;
    TIArrayAsVector<TText>* texts;
};

std::vector<TextListRef> TextLists(BoxFrame& set) {
    const SelectedFlags& sel = set.Selected;
    return {{&sel.AxisTexts1, &set.BottomAxis.LabelTexts},
            {&sel.AxisTexts2, &set.LeftAxis.LabelTexts},
            {&sel.AxisTexts3, &set.TopAxis.LabelTexts},
            {&sel.AxisTexts4, &set.RightAxis.LabelTexts},
            {&sel.Texts, &set.TextList}};
}

// The distinct numbers of a selection list that name an item of a list of
// `count` items, highest first.
std::vector<int> ValidNumbersDescending(const SelectedFlags::IndexList& list, int count) {
    std::vector<int> numbers;
    for (int i = list.LowerBound(); i <= list.UpperBound(); ++i)
        if (list[i] >= 1 && list[i] <= count) numbers.push_back(list[i]);
    std::sort(numbers.begin(), numbers.end(), std::greater<int>());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

template <class T>
void DestroySelected(const SelectedFlags::IndexList& list, TIArrayAsVector<T>& items) {
    // The highest number first: removing it moves none of the lower ones.
    for (int k : ValidNumbersDescending(list, items.GetItemsInContainer())) items.Destroy(k);
}

// Every selected text of the set, each list from its last entry to its first.
template <class F>
void ForEachSelectedText(BoxFrame& set, F f) {
    for (const TextListRef& ref : TextLists(set)) {
        const SelectedFlags::IndexList& list = *ref.selection;
        for (int i = list.UpperBound(); i >= list.LowerBound(); --i)
            if (TText* text = ref.texts->At(list[i])) f(*text);
    }
}

template <class F>
void ForEachSelectedFigure(BoxFrame& set, F f) {
    const SelectedFlags::IndexList& list = set.Selected.Zukeis;
    for (int i = list.UpperBound(); i >= list.LowerBound(); --i)
        if (TZukei* figure = set.ZukeiList.At(list[i])) f(*figure);
}

}  // namespace

void TChartWindow::CeMultiSelected(kv::win::TCommandEnabler& ce) { ce.Enable(MultiSelected == 1); }

void TChartWindow::CmSelectionDelete() {
    if (MultiSelected != 1) return;
    if (kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(kDeleteQuestion), "CAUTION",
                       MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    for (BoxFrame* set : Document.AxisSets) {
        for (const TextListRef& ref : TextLists(*set)) DestroySelected(*ref.selection, *ref.texts);
        DestroySelected(set->Selected.Zukeis, set->ZukeiList);
    }
    // The dotted frame is erased at FeedbackRect, which keeps its value for the
    // repaint.
    ClearFeedback();
    Document.Modified = 1;
    InvalidatePageRect(FeedbackRect);
}

void TChartWindow::FinishSelectionStyle() {
    InvalidatePageRect(FeedbackRect);
    const TRect now = GetSelectionRect(Document.Current);
    // A selection whose objects have all gone keeps its frame where it was.
    if (!(now.left == NoSelectionRect.left && now.top == NoSelectionRect.top &&
          now.right == NoSelectionRect.right && now.bottom == NoSelectionRect.bottom))
        FeedbackRect = now;
    InvalidatePageRect(FeedbackRect);
    Document.Modified = 1;
    UpdateWindow();
}

void TChartWindow::CmSelectionFont() {
    if (MultiSelected != 1 || !Document.Current) return;
    // The chooser opens on the default text's font in black, whatever the
    // selected texts look like.
    TChooseFontData data = TChooseFontData::ForDocumentFont(Defaults.DefaultText.Font, 0);
    {
        TFontItemSelectdialog items(this, FontItems);
        if (items.Execute() != IDOK) return;
    }
    {
        TFontDialog dialog(this, data, FontItems);
        if (dialog.Execute() != IDOK) return;
    }
    ForEachSelectedText(*Document.Current, [&](TText& text) {
        CopyFontItems(text, data, FontItems);
        ::LayoutText(&text, Document.Current);
    });
    FinishSelectionStyle();
}

void TChartWindow::CmSelectionTextStyle() {
    if (MultiSelected != 1 || !Document.Current) return;
    TText templ;
    Defaults.ApplyDefaultText(&templ);
    TText second;
    {
        TTextStyleItemDialog items(this, TextStyleItems);
        if (items.Execute() != IDOK) return;
    }
    {
        TTextDialog dialog(this, &templ, &second, TextStyleItems);
        if (dialog.Execute() != IDOK) return;
    }
    ForEachSelectedText(*Document.Current, [&](TText& text) {
        CopyTextStyleItems(text, templ, TextStyleItems);
        ::LayoutText(&text, Document.Current);
    });
    FinishSelectionStyle();
}

void TChartWindow::CmSelectionZukeiStyle() {
    if (MultiSelected != 1 || !Document.Current) return;
    TZukei templ;
    Defaults.ApplyDefaultParts(&templ);
    TZukei second;
    {
        TZukeiStyleItemDialog items(this, ZukeiStyleItems);
        if (items.Execute() != IDOK) return;
    }
    {
        TZukeiDialog dialog(this, &templ, &second, ZukeiStyleItems);
        if (dialog.Execute() != IDOK) return;
    }
    ForEachSelectedFigure(*Document.Current, [&](TZukei& figure) {
        CopyZukeiStyleItems(figure, templ, ZukeiStyleItems);
        figure.UpdateBounds();
    });
    FinishSelectionStyle();
}
