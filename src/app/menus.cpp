#include "app/menus.h"

#include "chart/winlayer/commands.h"
#include "platform/stringtable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <vector>

namespace {

using K = MenuKind;

const MenuLine kMainMenu[] = {
    {K::Popup, 0, "ﾌｧｲﾙ(&F)"},
    {K::Item, 24331, "新規ｸﾞﾗﾌの作成(&N)"},
    {K::Item, 24332, "ｸﾞﾗﾌのｵｰﾌﾟﾝ(&O)..."},
    {K::Item, 24335, "ｸﾞﾗﾌの追加(&D)..."},
    {K::Separator, 0, nullptr},
    {K::Item, 24333, "ｸﾞﾗﾌの上書き保存(&S)"},
    {K::Item, 24334, "ｸﾞﾗﾌの保存(&A)..."},
    {K::Separator, 0, nullptr},
    {K::Item, 132, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへ(&C)..."},
    {K::Item, 133, "ｴｸｽﾎﾟｰﾄ(&E)..."},
    {K::Separator, 0, nullptr},
    {K::Item, 24340, "ﾌﾟﾚﾋﾞｭｰ(&V)"},
    {K::Item, 24337, "印刷(&P)..."},
    {K::Item, 24338, "ﾍﾟｰｼﾞの設定(&U) ..."},
    {K::Item, 24341, "ﾍｯﾀﾞ/ﾌｯﾀ(&H)..."},
    {K::Separator, 0, nullptr},
    {K::Item, 135, "History1"},
    {K::Item, 136, "History2"},
    {K::Item, 137, "History3"},
    {K::Item, 138, "History4"},
    {K::Item, 139, "History5"},
    {K::Separator, 0, nullptr},
    {K::Item, 24310, "終了(&X)"},
    {K::EndPopup, 0, nullptr},

    {K::Popup, 0, "座標軸(&A)"},
    {K::Item, 101, "外枠(&F)...\tCtrl+F"},
    {K::Item, 102, "&X Axis...\tCtrl+X"},
    {K::Item, 103, "&Y Axis...\tCtrl+Y"},
    {K::Item, 104, "&Top Axis...\tCtrl+T"},
    {K::Item, 105, "&Right Axis...\tCtrl+R"},
    {K::Separator, 0, nullptr},
    {K::Item, 123, "ｵｰﾄｽｹｰﾘﾝｸﾞ(&A)...\tCtrl+A"},
    {K::Item, 55531, "ｽｹｰﾘﾝｸﾞのｺﾋﾟｰ(&C)..."},
    {K::Item, 55532, "ｽｹｰﾘﾝｸﾞのﾍﾟｰｽﾄ(&P)..."},
    {K::Separator, 0, nullptr},
    {K::Item, 120, "新規座標軸の追加(&N)..."},
    {K::Item, 121, "ｶﾚﾝﾄ座標軸の削除(&V)..."},
    {K::Item, 148, "座標軸の複製(&D)..."},
    {K::Popup, 0, "表示順(&E)"},
    {K::Item, 149, "最上位へ(&T)"},
    {K::Item, 150, "上へ(&U)"},
    {K::Item, 151, "下へ(&D)"},
    {K::Item, 152, "最下位へ(&B)"},
    {K::EndPopup, 0, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, 122, "ｶﾚﾝﾄ座標軸のみ表示(&O)"},
    {K::Item, 124, "座標軸の基本設定(&B)..."},
    {K::EndPopup, 0, nullptr},

    {K::Popup, 0, "ﾃﾞｰﾀ(&D)"},
    {K::Item, 114, "ﾃﾞｰﾀﾌｧｲﾙのｵｰﾌﾟﾝ(&O)...\tCtrl+D"},
    {K::Item, 115, "ﾃﾞｰﾀﾏﾈｰｼﾞｬ(&D)....\tCtrl+M"},
    {K::Item, 130, "表示／非表示(&S)...\tCtrl+S"},
    {K::Separator, 0, nullptr},
    {K::Popup, 0, "最小２乗ﾌｨｯﾃｨﾝｸﾞ(&L)"},
    {K::Item, 128, "線形(&L)..."},
    {K::Item, 129, "非線形(&N)..."},
    {K::EndPopup, 0, nullptr},
    {K::Separator, 0, nullptr},
    {K::Item, 142, "数値ﾃﾞｰﾀの貼り付け(&P)... \tShift+Ins"},
    {K::Separator, 0, nullptr},
    {K::Item, 141, "ﾕｰｻﾞ定義定数(&C)..."},
    {K::Item, 143, "ﾕｰｻﾞ定義関数(&F)..."},
    {K::Item, 144, "計算曲線の挿入(&I)..."},
    {K::Item, 145, "簡易評価(&E)..."},
    {K::EndPopup, 0, nullptr},

    {K::Popup, 0, "ｳｲﾝﾄﾞｳ(&W)"},
    {K::Popup, 0, "表示倍率(&V)"},
    {K::Item, 107, "25%"},
    {K::Item, 108, "50%"},
    {K::Item, 109, "75%"},
    {K::Item, 110, "100%"},
    {K::Item, 111, "150%"},
    {K::Item, 112, "200%"},
    {K::Item, 113, "400%"},
    {K::Separator, 0, nullptr},
    {K::Item, 126, "用紙全体の表示(&P)\tCtrl+P"},
    {K::Item, 127, "ｸﾞﾗﾌ全体の表示(&G)\tCtrl+G"},
    {K::EndPopup, 0, nullptr},
    {K::Popup, 0, "ｸﾞﾘｯﾄﾞ(&G)"},
    {K::Item, 106, "なし(&N)"},
    {K::Item, 116, "&5 points"},
    {K::Item, 117, "&10 points"},
    {K::Item, 118, "&15 points"},
    {K::Item, 119, "&20 points"},
    {K::EndPopup, 0, nullptr},
    {K::Item, 125, "ﾄﾞﾗﾌﾄ表示(&D)"},
    {K::Item, 134, "用紙の色(&C)..."},
    {K::Item, 55530, "ｺﾏﾝﾄﾞﾊﾞｰ(&C)"},
    {K::Separator, 0, nullptr},
    {K::Item, 146, "ﾏﾆｭｱﾙﾘﾌﾚｯｼｭ(&M)"},
    {K::Item, 147, "画面の再描画(&R) \tSpace"},
    {K::Separator, 0, nullptr},
    {K::Item, 131, "環境設定（&O)..."},
    {K::EndPopup, 0, nullptr},

    {K::Popup, 0, "ﾍﾙﾌﾟ(&H)"},
    {K::Item, 140, "Ｋｏｒｖｉｄａのﾍﾙﾌﾟ(&H)\tF1"},
    {K::Item, 2009, "Ｋｏｒｖｉｄａについて(&A)..."},
    {K::EndPopup, 0, nullptr},
};

std::vector<Accelerator> MakeAccelerators() {
    return {
        {QKeySequence(Qt::CTRL | Qt::Key_D), 114},
        {QKeySequence(Qt::CTRL | Qt::Key_M), 115},
        {QKeySequence(Qt::Key_F1), 140},
        {QKeySequence(Qt::CTRL | Qt::Key_A), 123},
        {QKeySequence(Qt::CTRL | Qt::Key_F), 101},
        {QKeySequence(Qt::CTRL | Qt::Key_X), 102},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), 103},
        {QKeySequence(Qt::CTRL | Qt::Key_T), 104},
        {QKeySequence(Qt::CTRL | Qt::Key_R), 105},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), 142},
        {QKeySequence(Qt::CTRL | Qt::Key_P), 126},
        {QKeySequence(Qt::CTRL | Qt::Key_G), 127},
        {QKeySequence(Qt::Key_Space), 147},
        {QKeySequence(Qt::CTRL | Qt::Key_S), 130},
        // Ctrl+M types a carriage return: so do both Enter keys.
        {QKeySequence(Qt::Key_Return), 115},
        {QKeySequence(Qt::Key_Enter), 115},
        {QKeySequence(Qt::KeypadModifier | Qt::Key_Enter), 115},
    };
}

std::vector<QAction*> AllActions(QMenuBar* bar) {
    std::vector<QAction*> out;
    std::vector<QMenu*> menus;
    for (QAction* a : bar->actions())
        if (a->menu()) menus.push_back(a->menu());
    while (!menus.empty()) {
        QMenu* m = menus.back();
        menus.pop_back();
        for (QAction* a : m->actions()) {
            if (a->menu()) menus.push_back(a->menu());
            else out.push_back(a);
        }
    }
    return out;
}

}  // namespace

std::span<const MenuLine> MainMenuLines() { return kMainMenu; }

std::span<const Accelerator> Accelerators() {
    static const std::vector<Accelerator> table = MakeAccelerators();
    return table;
}

void BuildMainMenu(QMenuBar* bar, kv::win::TCommandRouter& router) {
    std::vector<QMenu*> open;
    for (const MenuLine& line : kMainMenu) {
        switch (line.Kind) {
        case MenuKind::Popup: {
            const QString title = QString::fromUtf8(line.Text);
            QMenu* m = open.empty() ? bar->addMenu(title) : open.back()->addMenu(title);
            QObject::connect(m, &QMenu::aboutToShow, m, [&router] { router.UpdateActions(); });
            open.push_back(m);
            break;
        }
        case MenuKind::EndPopup:
            if (!open.empty()) open.pop_back();
            break;
        case MenuKind::Separator:
            if (!open.empty()) open.back()->addSeparator();
            break;
        case MenuKind::Item: {
            if (open.empty()) break;
            QAction* a = open.back()->addAction(QString::fromUtf8(line.Text));
            a->setData(line.Id);
            a->setObjectName(QString::number(line.Id));
            a->setStatusTip(QString::fromStdString(kv::win::StatusHint(line.Id)));
            // Disabled until the first pass of the enable handlers.
            a->setEnabled(false);
            router.BindAction(a, line.Id);
            break;
        }
        }
    }
}

QAction* FindMenuAction(QMenuBar* bar, int id) {
    for (QAction* a : AllActions(bar))
        if (!a->isSeparator() && a->data().toInt() == id && a->data().isValid()) return a;
    return nullptr;
}

std::string MenuTextOf(int id) {
    for (const MenuLine& line : kMainMenu)
        if (line.Kind == MenuKind::Item && line.Id == id) return line.Text;
    return {};
}

std::string TooltipFromMenuText(const std::string& text) {
    std::string t = text.substr(0, text.find('\t'));
    while (!t.empty() && (t.back() == ' ' || t.back() == '.')) t.pop_back();
    // A trailing mnemonic in parentheses: "(&X)".
    if (t.size() >= 4 && t[t.size() - 4] == '(' && t[t.size() - 3] == '&' && t.back() == ')')
        t.erase(t.size() - 4);
    const auto amp = t.find('&');
    if (amp != std::string::npos) t.erase(amp, 1);
    return t;
}

std::string Tooltip(int id) {
    const std::string menu = MenuTextOf(id);
    if (!menu.empty()) return TooltipFromMenuText(menu);
    const std::string& s = kv::LoadString(id);
    const auto nl = s.find('\n');
    return nl == std::string::npos ? std::string() : s.substr(nl + 1);
}
