// The commands of the one selected text (a free text, a legend or one numeric
// label of an axis): edit in the text dialog, the font chooser, delete and
// duplicate. Each finds its text through the selection records of the axis
// sets, lays it out again after a change and repaints its old and new place;
// the selection stays on the text (on the copy after a duplicate) except after a
// delete.

#include "chart/charttext.h"

#include "chart/chartwindow.h"
#include "dialogs/fontchooser.h"
#include "dialogs/textdialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "render/textlayout.h"

#include <memory>
#include <new>

namespace {

constexpr int kMemoryError = 17;

// What a text that the dialog left empty becomes: a text is never empty.
constexpr const char* kNullText = "Null Text is not allowed";

}  // namespace

SelectedTextRef SelectedTextOf(BoxFrame& set) {
    SelectedFlags& sel = set.Selected;
    struct Candidate {
        SelectedFlags::IndexList* list;
        TIArrayAsVector<TText>* texts;
    };
    const Candidate candidates[] = {
        {&sel.AxisTexts1, &set.BottomAxis.LabelTexts}, {&sel.AxisTexts2, &set.LeftAxis.LabelTexts},
        {&sel.AxisTexts3, &set.TopAxis.LabelTexts},    {&sel.AxisTexts4, &set.RightAxis.LabelTexts},
        {&sel.Texts, &set.TextList},
    };
    for (const Candidate& c : candidates) {
        if (c.list->GetItemsInContainer() != 1) continue;
        const int number = (*c.list)[c.list->LowerBound()];
        if (TText* text = c.texts->At(number)) return {text, c.texts, number, c.list};
    }
    return {};
}

void TChartWindow::CmTextEdit() {
    const int n = Document.AxisSets.GetItemsInContainer();
    for (int i = 1; i <= n; ++i) {
        BoxFrame* set = Document.AxisSets.At(i);
        if (!set) break;
        const SelectedTextRef ref = SelectedTextOf(*set);
        if (!ref) continue;
        int result;
        {
            TTextDialog dialog(this, ref.Text, &Defaults.DefaultText, nullptr);
            result = dialog.Execute();
        }
        if (result != IDOK) continue;
        TText* text = ref.Text;
        if (text->String.empty()) text->String = kNullText;
        // The layout results still describe the text before the edit.
        InvalidatePageRect(GetTextRect(set, text));
        ::LayoutText(text, set);
        InvalidatePageRect(GetTextRect(set, text));
        Document.Modified = 1;
        UpdateWindow();
    }
}

void TChartWindow::CmTextFont() {
    const int n = Document.AxisSets.GetItemsInContainer();
    for (int i = 1; i <= n; ++i) {
        BoxFrame* set = Document.AxisSets.At(i);
        if (!set) break;
        const SelectedTextRef ref = SelectedTextOf(*set);
        if (!ref) continue;
        // The chooser shows points; the text keeps its angle whatever it answers.
        TChooseFontData data = TChooseFontData::ForDocumentFont(ref.Text->Font, ref.Text->ForColor);
        const LONG escapement = ref.Text->Font.lfEscapement;
        if (kv::RunFontChooser(this, data) != IDOK) return;
        LOGFONT font = data.DocumentFont();
        font.lfEscapement = escapement;

        const SelectedTextRef again = SelectedTextOf(*set);
        if (!again) return;
        again.Text->Font = font;
        again.Text->ForColor = data.Color;
        ::LayoutText(again.Text, set);
        const TRect now = GetTextRect(set, again.Text);
        InvalidatePageRect(FeedbackRect);
        InvalidatePageRect(now);
        Document.Modified = 1;
        UpdateWindow();
    }
}

void TChartWindow::CmTextDelete() {
    if (TextSelected != 1) return;
    for (BoxFrame* set : Document.AxisSets) {
        const SelectedTextRef ref = SelectedTextOf(*set);
        if (ref) ref.Home->Destroy(ref.Number);
    }
    // FeedbackRect still holds the deleted text's place after the clearing.
    ClearFeedback();
    Document.Modified = 1;
    InvalidatePageRect(FeedbackRect);
}

void TChartWindow::CmTextDuplicate() {
    if (TextSelected != 1) return;
    std::unique_ptr<TText> copy;
    try {
        copy = std::make_unique<TText>();
        for (BoxFrame* set : Document.AxisSets) {
            const SelectedTextRef ref = SelectedTextOf(*set);
            if (!ref) continue;
            // A whole copy with its layout: it lies exactly over its source.
            *copy = *ref.Text;
            if (!ref.Home->Add(copy)) break;
            const int number = ref.Home->GetItemsInContainer();
            for (BoxFrame* s : Document.AxisSets) s->Selected.Clear();
            ref.Selection->Add(number);
            // Every record is empty now except this one: at most one copy.
            Document.Modified = 1;
            InvalidatePageRect(FeedbackRect);
            return;
        }
    } catch (const std::bad_alloc&) {
        kv::MessageBox(static_cast<QWidget*>(this), kv::LoadString(kMemoryError), nullptr,
                       MB_OK | MB_ICONSTOP);
    }
}

void TChartWindow::CeTextSelected(kv::win::TCommandEnabler& ce) { ce.Enable(TextSelected == 1); }
