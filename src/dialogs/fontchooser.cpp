#include "dialogs/fontchooser.h"

#include "dialogs/kit/controls.h"
#include "dialogs/kit/dlgtext.h"
#include "platform/cformat.h"
#include "platform/font.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QPixmap>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr PControlSpec kChooserRows[] = {
    {FontFaceId, PKind::ComboList, "フォント名(&F):"},
    {FontStyleId, PKind::ComboList, "スタイル(&Y):"},
    {FontSizeId, PKind::ComboEdit, "サイズ(&S):"},
    {-1001, PKind::GroupBox, "文字飾り"},
    {FontStrikeOutId, PKind::CheckBox, "取り消し線(&K)", -1001},
    {FontUnderlineId, PKind::CheckBox, "下線(&U)", -1001, pf::SameRow},
    {FontColorId, PKind::ComboList, "色(&C):", -1001},
    {-1002, PKind::GroupBox, "サンプル"},
    {FontSampleId, PKind::Static, "AaBbYyZz あぁアァ亜宇", -1002},
    {1, PKind::DefPushButton, "OK"},
    {2, PKind::PushButton, "キャンセル"},
};
const PDialogTemplate kChooserTemplate{1543, "フォント", kChooserRows};

// Style lines: (weight, italic).
constexpr const char* kStyleNames[] = {"標準", "斜体", "太字", "太字 斜体"};

constexpr const char* kColorNames[16] = {
    "黒", "栗色", "緑", "オリーブ", "濃紺", "紫", "青緑", "灰色",
    "銀色", "赤", "ライム", "黄", "青", "赤紫", "水色", "白",
};

constexpr int kStandardSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// Chooser messages (string table).
constexpr int kSizeNotNumber = 1150;
constexpr int kSizeOutOfRange = 1151;

constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE OUT_STROKE_PRECIS = 3;
constexpr BYTE CLIP_STROKE_PRECIS = 2;
constexpr BYTE DRAFT_QUALITY = 1;

int StyleIndex(const LOGFONT& lf) {
    return (lf.lfWeight >= 600 ? 2 : 0) + (lf.lfItalic ? 1 : 0);
}

// The family that shows a face: installed faces as they are, Windows faces
// through the program's mapping.
QString ShownFamily(const QString& face) { return kv::MapFaceName(face); }

bool LooksSerif(const QString& family) {
    const bool serif = family.contains(QLatin1String("Serif"), Qt::CaseInsensitive) ||
                       family.contains(QLatin1String("Roman"), Qt::CaseInsensitive) ||
                       family.contains(QLatin1String("Times"), Qt::CaseInsensitive) ||
                       family.contains(QLatin1String("Mincho"), Qt::CaseInsensitive) ||
                       family.contains(QStringLiteral("明朝"));
    return serif && !family.contains(QLatin1String("Sans"), Qt::CaseInsensitive);
}

// Character set and pitch-and-family of a face, as a chooser reports them for
// the face it returns.
void DescribeFace(const QString& face, LOGFONT& lf) {
    const QString family = ShownFamily(face);
    if (face.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
        lf.lfCharSet = SYMBOL_CHARSET;
    else if (QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese))
        lf.lfCharSet = SHIFTJIS_CHARSET;
    else
        lf.lfCharSet = ANSI_CHARSET;
    if (QFontDatabase::isFixedPitch(family))
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    else
        lf.lfPitchAndFamily = VARIABLE_PITCH | (LooksSerif(family) ? FF_ROMAN : FF_SWISS);
    lf.lfOutPrecision = OUT_STROKE_PRECIS;
    lf.lfClipPrecision = CLIP_STROKE_PRECIS;
    lf.lfQuality = DRAFT_QUALITY;
}

// The face as LOGFONT bytes; false when CP932 cannot hold it in the 31 bytes.
bool FaceBytes(const QString& face, std::string* out) {
    std::string bytes;
    if (!kv::ToDocExact(face, &bytes) || bytes.size() >= size_t(LF_FACESIZE)) return false;
    *out = bytes;
    return true;
}

QPixmap Swatch(COLORREF c) {
    QPixmap p(16, 12);
    p.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
    return p;
}

int FindFace(const PComboBox* list, const QString& face) {
    for (int i = 0; i < list->GetCount(); ++i)
        if (list->GetString(i).compare(face, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

kv::FontChooserHandler& Handler() {
    static kv::FontChooserHandler handler;
    return handler;
}

// Face names compare as the system compares them: without regard to case.
bool HoldsFace(const std::vector<QString>& faces, const QString& face) {
    return std::any_of(faces.begin(), faces.end(),
                       [&](const QString& f) { return f.compare(face, Qt::CaseInsensitive) == 0; });
}

}  // namespace

// ---- TChooseFontData ----

TChooseFontData TChooseFontData::ForDocumentFont(const LOGFONT& docFont, COLORREF color) {
    TChooseFontData d;
    d.Flags = ChooseFontFlags;
    d.LogFont = docFont;
    d.LogFont.lfHeight = docFont.lfHeight / 20;
    d.Color = color;
    d.FontType = SCREEN_FONTTYPE;
    return d;
}

LOGFONT TChooseFontData::DocumentFont() const {
    LOGFONT lf = LogFont;
    const std::int64_t h = std::int64_t(LogFont.lfHeight) * 20;
    lf.lfHeight = LONG(std::clamp<std::int64_t>(h, INT32_MIN, INT32_MAX));
    return lf;
}

// ---- TChooseFontDialog ----

const COLORREF TChooseFontDialog::StandardColors[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(128, 128, 128),
    RGB(192, 192, 192), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

TChooseFontDialog::TChooseFontDialog(QWidget* parent, TChooseFontData& data)
    : PDialog(parent, kChooserTemplate), Data(data) {
    Face = Control<PComboBox>(FontFaceId);
    Style = Control<PComboBox>(FontStyleId);
    Size = Control<PComboBox>(FontSizeId);
    Colors = Control<PComboBox>(FontColorId);
    Size->setInsertPolicy(QComboBox::NoInsert);
    if (Size->lineEdit()) Size->lineEdit()->setCompleter(nullptr);
    OnNotify(FontFaceId, CBN_SELCHANGE, [this] { UpdateSample(); });
    OnNotify(FontStyleId, CBN_SELCHANGE, [this] { UpdateSample(); });
    OnNotify(FontSizeId, CBN_SELCHANGE, [this] { UpdateSample(); });
    OnNotify(FontColorId, CBN_SELCHANGE, [this] { UpdateSample(); });
    OnCommand(FontStrikeOutId, [this] { UpdateSample(); });
    OnCommand(FontUnderlineId, [this] { UpdateSample(); });
    connect(Size, &QComboBox::editTextChanged, this, [this] { UpdateSample(); });
}

std::vector<QString> TChooseFontDialog::OneEntryPerFamily(const QStringList& families) {
    std::vector<QString> out;
    for (QString family : families) {
        // Qt names the foundry in brackets where one family has several.
        if (family.endsWith(QLatin1Char(']'))) {
            const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
            if (open > 0) family.truncate(open);
        }
        if (!HoldsFace(out, family)) out.push_back(family);
    }
    return out;
}

std::vector<QString> TChooseFontDialog::InstalledFaces(DWORD flags) {
    std::vector<QString> faces;
    std::string bytes;
    for (const QString& family : OneEntryPerFamily(QFontDatabase::families())) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        if ((flags & CF_TTONLY) && !QFontDatabase::isSmoothlyScalable(family)) continue;
        if (!FaceBytes(family, &bytes)) continue;
        faces.push_back(family);
    }
    for (const QString& face : kv::OfferedWindowFaces())
        if (!HoldsFace(faces, face)) faces.push_back(face);
    std::stable_sort(faces.begin(), faces.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return faces;
}

void TChooseFontDialog::SetupWindow() {
    PDialog::SetupWindow();
    const LOGFONT& lf = Data.LogFont;
    const bool init = Data.Flags & CF_INITTOLOGFONTSTRUCT;

    // Faces: the installed ones, and the record's face where it is not among them.
    std::vector<QString> faces = InstalledFaces(Data.Flags);
    const QString face = init ? kv::FaceName(lf) : QString();
    if (!face.isEmpty() &&
        std::none_of(faces.begin(), faces.end(), [&](const QString& f) {
            return f.compare(face, Qt::CaseInsensitive) == 0;
        })) {
        auto at = std::lower_bound(faces.begin(), faces.end(), face, [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        faces.insert(at, face);
    }
    for (const QString& f : faces) Face->AddString(f);
    InitialFace = face.isEmpty() ? -1 : FindFace(Face, face);
    Face->SetSelIndex(InitialFace);

    for (const char* s : kStyleNames) Style->AddString(kv::U8(s));
    InitialStyle = init ? StyleIndex(lf) : 0;
    Style->SetSelIndex(InitialStyle);

    const bool limit = Data.Flags & CF_LIMITSIZE;
    for (int s : kStandardSizes)
        if (!limit || (s >= Data.SizeMin && s <= Data.SizeMax)) Size->AddString(QString::number(s));
    InitialSize = init && lf.lfHeight != 0 ? kv::ShowInt(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight)
                                            : QString();
    const int sizeLine = Size->FindString(-1, InitialSize);
    if (!InitialSize.isEmpty() && sizeLine >= 0 && Size->GetString(sizeLine) == InitialSize)
        Size->SetSelIndex(sizeLine);
    Size->SetText(InitialSize);

    const bool effects = Data.Flags & CF_EFFECTS;
    CheckItem(FontStrikeOutId, init && lf.lfStrikeOut ? BF_CHECKED : BF_UNCHECKED);
    CheckItem(FontUnderlineId, init && lf.lfUnderline ? BF_CHECKED : BF_UNCHECKED);
    int colorLine = -1;
    for (int i = 0; i < 16; ++i) {
        const int line = Colors->AddString(kv::U8(kColorNames[i]));
        Colors->setItemIcon(line, Swatch(StandardColors[i]));
        Colors->setItemData(line, uint(StandardColors[i]));
        if (StandardColors[i] == Data.Color && colorLine < 0) colorLine = line;
    }
    if (colorLine < 0) {
        // A colour of the program's palette the list lacks keeps a line of its own.
        colorLine = Colors->AddString(QStringLiteral("その他"));
        Colors->setItemIcon(colorLine, Swatch(Data.Color));
        Colors->setItemData(colorLine, uint(Data.Color));
    }
    Colors->SetSelIndex(colorLine);
    if (!effects) {
        for (int id : {FontStrikeOutId, FontUnderlineId, FontColorId}) {
            ControlWidget(id)->setVisible(false);
            if (QLabel* l = Label(id)) l->setVisible(false);
        }
        ControlWidget(FontStrikeOutId)->parentWidget()->setVisible(false);
    }
    for (int id : Data.DisabledControls)
        if (ControlWidget(id)) EnableControl(id, false);
    UpdateSample();
}

COLORREF TChooseFontDialog::SelectedColor() const {
    const int line = Colors->GetSelIndex();
    if (line < 0) return Data.Color;
    return COLORREF(Colors->itemData(line).toUInt());
}

void TChooseFontDialog::UpdateSample() {
    auto* sample = Control<PStatic>(FontSampleId);
    if (!sample) return;
    const QString face = Face->GetSelIndex() >= 0 ? Face->GetString(Face->GetSelIndex())
                                                   : kv::FaceName(Data.LogFont);
    QFont font(ShownFamily(face));
    const double pts = kv::ReadReal(Size->GetText());
    font.setPointSizeF(std::clamp(pts > 0 ? pts : 12.0, 6.0, 36.0));
    const int style = Style->GetSelIndex();
    if (style >= 0 && style != InitialStyle) {
        font.setWeight(style >= 2 ? QFont::Bold : QFont::Normal);
        font.setItalic(style % 2 == 1);
    } else {
        const LONG w = Data.LogFont.lfWeight <= 0 ? FW_NORMAL : std::clamp<LONG>(Data.LogFont.lfWeight, 1, 1000);
        font.setWeight(QFont::Weight(w));
        font.setItalic(Data.LogFont.lfItalic != 0);
    }
    font.setStrikeOut(IsItemChecked(FontStrikeOutId) == BF_CHECKED);
    font.setUnderline(IsItemChecked(FontUnderlineId) == BF_CHECKED);
    sample->setFont(font);
    const COLORREF c = SelectedColor();
    sample->setStyleSheet(QStringLiteral("color: #%1%2%3")
                              .arg(GetRValue(c), 2, 16, QLatin1Char('0'))
                              .arg(GetGValue(c), 2, 16, QLatin1Char('0'))
                              .arg(GetBValue(c), 2, 16, QLatin1Char('0')));
}

void TChooseFontDialog::CmOk() {
    LOGFONT lf = Data.LogFont;

    // The size first: it is the one field that can be refused.
    const QString sizeText = Size->GetText().trimmed();
    if (sizeText != InitialSize.trimmed()) {
        bool ok = false;
        const double v = sizeText.toDouble(&ok);
        if (!ok || !std::isfinite(v)) {
            kv::MessageBox(this, kv::LoadString(kSizeNotNumber), nullptr, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        const bool limit = Data.Flags & CF_LIMITSIZE;
        const int lo = limit ? std::max(Data.SizeMin, ChooseFontMinSize) : ChooseFontMinSize;
        const int hi = limit ? std::min(Data.SizeMax, ChooseFontMaxSize) : ChooseFontMaxSize;
        const double rounded = std::floor(v + 0.5);
        if (rounded < lo || rounded > hi) {
            kv::MessageBox(this, kv::Format(kv::LoadString(kSizeOutOfRange).c_str(), lo, hi), nullptr,
                           MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        lf.lfHeight = -LONG(rounded);
    }

    const int face = Face->GetSelIndex();
    if (face >= 0 && face != InitialFace) {
        const QString name = Face->GetString(face);
        std::string bytes;
        if (FaceBytes(name, &bytes)) {
            std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
            std::memcpy(lf.lfFaceName, bytes.data(), bytes.size());
            DescribeFace(name, lf);
        }
    }
    const int style = Style->GetSelIndex();
    if (style >= 0 && style != InitialStyle) {
        lf.lfWeight = style >= 2 ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = style % 2 == 1 ? 1 : 0;
    }
    if (Data.Flags & CF_EFFECTS) {
        const bool strike = IsItemChecked(FontStrikeOutId) == BF_CHECKED;
        const bool under = IsItemChecked(FontUnderlineId) == BF_CHECKED;
        if (strike != (lf.lfStrikeOut != 0)) lf.lfStrikeOut = strike ? 1 : 0;
        if (under != (lf.lfUnderline != 0)) lf.lfUnderline = under ? 1 : 0;
        Data.Color = SelectedColor();
    }
    Data.LogFont = lf;
    CloseWindow(IDOK);
}

// ---- the service ----

namespace kv {

FontChooserHandler SetFontChooserHandler(FontChooserHandler handler) {
    FontChooserHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

int RunFontChooser(QWidget* owner, TChooseFontData& data) {
    if (Handler()) return Handler()(owner, data);
    TChooseFontDialog dlg(owner, data);
    return dlg.Execute() == IDOK ? IDOK : IDCANCEL;
}

ScriptedFontChoosers::ScriptedFontChoosers() {
    previous_ = SetFontChooserHandler([this](QWidget*, TChooseFontData& data) {
        shown_.push_back(data);
        if (answers_.empty()) return IDCANCEL;
        const Answer a = answers_.front();
        answers_.erase(answers_.begin());
        if (a.code == IDOK && a.replace) {
            data.LogFont = a.font;
            data.Color = a.color;
        }
        return a.code;
    });
}

ScriptedFontChoosers::~ScriptedFontChoosers() { SetFontChooserHandler(std::move(previous_)); }

void ScriptedFontChoosers::Choose(const LOGFONT& font, COLORREF color) {
    answers_.push_back({IDOK, true, font, color});
}

void ScriptedFontChoosers::Accept() { answers_.push_back({IDOK, false, {}, 0}); }

void ScriptedFontChoosers::Cancel() { answers_.push_back({IDCANCEL, false, {}, 0}); }

}  // namespace kv
